#pragma once

#include "dialogs/OptionsPageBase.h"

// Which certificate faults an HTTPS download tolerates.
class CSecurityPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CSecurityPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;
};

#pragma once

#include "dialogs/OptionsPageBase.h"

// Which copied URLs open the add dialog by themselves.
class CURLMonitorPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CURLMonitorPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;
};

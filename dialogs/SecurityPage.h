#pragma once

#include "dialogs/OptionsPageBase.h"

#include <array>

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

private:
    // One box for each certificate check that can be waived.
    std::array<QCheckBox*, 6> m_pChecks{};
};

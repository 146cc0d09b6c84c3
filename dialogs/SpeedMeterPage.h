#pragma once

#include "dialogs/OptionsPageBase.h"

// The top of the speed meter's scale: automatic, or a fixed number of
// megabytes per second.
class CSpeedMeterPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CSpeedMeterPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    void EnableFixedMax(bool enable);
};

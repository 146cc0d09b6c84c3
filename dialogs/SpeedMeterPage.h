#pragma once

#include "dialogs/OptionsPageBase.h"

class QRadioButton;

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

    QRadioButton* m_pAutomatic = nullptr;
    QRadioButton* m_pFixed = nullptr;
    QLineEdit* m_pMax = nullptr;
    CUpDownCtrl* m_pMaxUpDown = nullptr;
    QLabel* m_pUnit = nullptr;
};

#pragma once

#include "dialogs/OptionsPageBase.h"

#include <array>

class QSlider;

// The pause after each piece of data, in milliseconds, of the three limited
// speed modes.
class CSpeedLimiterPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CSpeedLimiterPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    void UpdateLabels();

    // Each limited mode's track bar and the label showing its position.
    std::array<QSlider*, 3> m_pSliders{};
    std::array<QLabel*, 3> m_pLabels{};
};

#pragma once

#include "dialogs/OptionsPageBase.h"

// Start-up, tray, history sizes, notifications and the confirmations that were
// answered with "do not ask again".
class CGeneralPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CGeneralPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    void OnBnClickedReset();

    // A history list shows a hand-edited size as the entry below it; it stores
    // only once the user picks an entry, so a visit never shrinks the history.
    bool m_bUrlsPicked = false;
    bool m_bLocationsPicked = false;

    QCheckBox* m_pLaunchAtStartup = nullptr;
    QCheckBox* m_pMinimizeToTray = nullptr;
    QCheckBox* m_pAnimateTrayIcon = nullptr;
    QComboBox* m_pUrlsHistory = nullptr;
    QComboBox* m_pLocationsHistory = nullptr;
    QCheckBox* m_pNotifyAllComplete = nullptr;
    QCheckBox* m_pNotifyComplete = nullptr;
    QCheckBox* m_pNotifyFail = nullptr;
    QCheckBox* m_pNotifyScheduler = nullptr;
};

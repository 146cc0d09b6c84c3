#pragma once

#include "dialogs/OptionsPageBase.h"

// How requests are made: user agent, HTTP version, retries, time-outs, cache,
// redirects and the referrer.
class CConnectionPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CConnectionPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override;
    virtual void LoadData();

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    QComboBox* m_pUserAgent = nullptr;
    QComboBox* m_pHttpVersion = nullptr;
    QLineEdit* m_pRetries = nullptr;
    QLineEdit* m_pConnectTimeout = nullptr;
    QLineEdit* m_pSendTimeout = nullptr;
    QLineEdit* m_pReceiveTimeout = nullptr;
    QCheckBox* m_pDoNotUseCache = nullptr;
    QCheckBox* m_pHandleRedirect = nullptr;
    QCheckBox* m_pAutoReferer = nullptr;
};

#pragma once

#include "dialogs/OptionsPageBase.h"

// The HTTP and HTTPS proxies and the addresses that bypass them. Its fields are
// filled once, when it is built; it has no defaults.
class CProxyPage : public COptionsPageBase
{
    Q_OBJECT

public:
    explicit CProxyPage(COptionsDialog* dialog);

    bool SaveData() override;
    void SetDefaults() override {}

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    // An empty port is 0; one above 65535 is refused (message 212), since it
    // would not fit the 16-bit setting.
    bool SavePort(QLineEdit* edit, uint16_t* port);
    void OnBnClickedSameAsHttp();
    void OnBnClickedUseBypass();

    // The four fields of one proxy.
    struct ProxyEdits
    {
        QLineEdit* server = nullptr;
        QLineEdit* port = nullptr;
        QLineEdit* userName = nullptr;
        QLineEdit* password = nullptr;
    };
    ProxyEdits m_http;
    ProxyEdits m_https;
    QCheckBox* m_pUseBypass = nullptr;
    QLineEdit* m_pBypass = nullptr;
};

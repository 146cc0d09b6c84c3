#pragma once

#include "dialogs/DownloadPageBase.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// The server's user name and password. Cleared, the box keeps the names it had,
// so turning it on again brings them back.
class CDownloadAuthorizationPage : public CDownloadPageBase
{
    Q_OBJECT

public:
    explicit CDownloadAuthorizationPage(CDownloadDialog* owner) : CDownloadPageBase(424, owner) {}

    bool SaveData() override;

    bool m_bUseAuthorization = false;
    QString m_strUserName;
    QString m_strPassword;
    bool m_bChanged = false;

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    void OnUseAuthorization();

    QCheckBox* m_pUse = nullptr;
    QLabel* m_pUserLabel = nullptr;
    QLineEdit* m_pUser = nullptr;
    QLabel* m_pPasswordLabel = nullptr;
    QLineEdit* m_pPassword = nullptr;
};

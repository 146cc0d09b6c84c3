#pragma once

#include "dialogs/DownloadPageBase.h"

class QLineEdit;

// The referer sent with the download's requests.
class CDownloadMorePage : public CDownloadPageBase
{
    Q_OBJECT

public:
    explicit CDownloadMorePage(CDownloadDialog* owner) : CDownloadPageBase(426, owner) {}

    // Empty: no referer; else an http or https address, "http://" put in front
    // when it names no scheme.
    bool SaveData() override;

    QString m_strReferer;
    bool m_bChanged = false;

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    QLineEdit* m_pReferer = nullptr;
};

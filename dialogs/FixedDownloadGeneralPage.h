#pragma once

#include "dialogs/DownloadGeneralPage.h"

// The properties dialog's general tab: the address as entered, and once the
// download is prepared the address reached and the file name. The folder can be
// changed only while the download is still to be prepared; once it has been
// prepared the page shows the download's folder and stays locked.
class CFixedDownloadGeneralPage : public CDownloadGeneralPage
{
    Q_OBJECT

public:
    explicit CFixedDownloadGeneralPage(CDownloadDialog* owner);

    // Follows the download's state: fills the fields the server gave and locks
    // the folder once prepared; the folder is editable only in NeedToPrepare.
    void FillFromItem();
    // Whether a folder typed here may be applied to the download.
    bool IsLocationEditable() const;

    bool m_bFilled = false;

protected:
    void CreateControls() override;
    bool OnInitDialog() override;

private:
    QLineEdit* m_pUrl = nullptr;
    QLineEdit* m_pDownloadUrl = nullptr;
    QLineEdit* m_pFileName = nullptr;
};

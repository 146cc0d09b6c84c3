#pragma once

#include "dialogs/DownloadDialog.h"

class CMainFrame;

// The properties dialog of one download: its live status, and its folder (until
// it has been prepared), description and request options to edit. At most one
// per row (CDownloadItem::m_pDialog); the frame refreshes it every tick.
class CFixedDownloadDialog : public CDownloadDialog
{
    Q_OBJECT

public:
    CFixedDownloadDialog(CDownloadItem* item, CMainFrame* frame);

protected:
    void CreateButtons(QHBoxLayout* row) override;

private:
    void OnOK();
    void OnStart();
    void OnPause();

    CMainFrame* const m_pFrame;
};

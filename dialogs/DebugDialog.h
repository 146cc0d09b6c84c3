#pragma once

#include <QDialog>
#include <QPointer>

#include <cstdint>

class CDebugListCtrl;
class CDownloadItem;
class CDownloadsView;
class CHttpDownloader;
class CSection;

// The developer-mode inspector: a modeless window listing every field of one
// row's item, download, error record and sections, rebuilt on Refresh. It keeps
// the row's id, never its pointer, and finds the row again at every fill, so a
// deleted row leaves an empty list. It deletes itself when closed and never
// changes the download.
class CDebugDialog : public QDialog
{
    Q_OBJECT

public:
    CDebugDialog(uint64_t itemId, CDownloadsView& view, QWidget* parent);

    void FillList();
    CDebugListCtrl* List() const { return m_list; }

private:
    void AddItemRows(const CDownloadItem& item);
    void AddDownloadRows(const CHttpDownloader& download);
    void AddErrorRows(const CHttpDownloader& download);
    void AddSectionRows(const CSection& section);
    // A new row with the property's name; the caller chains its value and description.
    CDebugListCtrl& Row(const char* property);

    const uint64_t m_nItemId;
    QPointer<CDownloadsView> m_view;
    CDebugListCtrl* m_list;
};

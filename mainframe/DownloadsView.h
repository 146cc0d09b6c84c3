#pragma once

#include "mainframe/ItemKeyIndex.h"
#include "mainframe/ListCtrlEx.h"
#include "mainframe/RowTally.h"
#include "mainframe/core/DownloadRows.h"

#include <cstdint>
#include <list>
#include <unordered_map>
#include <vector>

class CCommandTable;
class CDownloadItem;
class CDownloadsDelegate;
class CHttpDownloader;
class QMenu;
struct CmdUI;

// The main window's list of downloads: one row per CDownloadItem, in queue
// order, with 17 columns made from the live download at every repaint, the
// completed column's progress bar, state colours and icons, and the context
// menus of the rows, the empty area and the header. The view owns every item
// and, through it, every download; it reads the downloads and never changes them.
// The queue and the list files know it only as the rows.
class CDownloadsView : public CListCtrlEx, public CDownloadRows
{
    Q_OBJECT

public:
    // Column ids; the column commands are ID_VIEW_COLUMN_FIRST + id.
    enum DownloadColumn
    {
        ColumnFileName = 0,
        ColumnUrl = 1,
        ColumnStatus = 2,
        ColumnCompleted = 3,
        ColumnSize = 4,
        ColumnDownloaded = 5,
        ColumnTransferRate = 6,
        ColumnTransferSize = 7,
        ColumnResume = 8,
        ColumnElapsed = 9,
        ColumnRemaining = 10,
        ColumnSections = 11,
        ColumnConnection = 12,
        ColumnDescription = 13,
        ColumnLocation = 14,
        ColumnAdded = 15,
        ColumnError = 16,
    };
    static constexpr int kColumnCount = 17;

    // Item data roles beyond Qt's own. The bar of the completed column has a
    // mode of its own: in FileAllocating it shows the allocation, while the
    // cell text shows the bytes done.
    enum Role
    {
        StateImageRole = Qt::UserRole + 1, // int, the state image index (-1: none)
        BarModeRole,                       // BarMode
        BarPercentRole,                    // float
        BarColorRole,                      // QColor
    };
    enum BarMode
    {
        BarNone,
        BarPercent,
        BarMarquee, // the moving block of a size not known yet
    };

    // Shows the 17 columns at their defaults and registers the view's commands
    // (columns, fit, reset, grid lines).
    CDownloadsView(CCommandTable& commands, QWidget* parent = nullptr);
    // Destroys every item of m_listItems with its download and dialog; the frame
    // takes the running ones out first.
    ~CDownloadsView() override;

    int GetItemCount() const final { return CListCtrlEx::GetItemCount(); }
    std::vector<int> GetSelectedRows() const final { return CListCtrlEx::GetSelectedRows(); }
    // Appends the item to m_listItems and as the last row; returns the row.
    int AddItem(CDownloadItem* item) final;
    CDownloadItem* GetItem(int row) const final;
    CDownloadItem* FindItemById(uint64_t id) const;
    bool FindItem(const QString& url, const QString& downloadUrl, const QString& path) const final;
    // To be called after the URL as entered (m_strUrl) of a row's download was
    // changed, for FindItem to see it. The engine's changes of the download URL
    // and the file path need no call.
    void RefreshItemKeys(CDownloadItem* item);
    using RowTally = ::RowTally;
    // The rows at rest are counted once; the others are read at every call.
    RowTally TallyRows() const;
    // Removes the row and destroys its item. With deleteFile, the row's own file
    // in its download folder is deleted first, if it exists. The caller makes
    // sure that the download does not run.
    void RemoveItem(int row, bool deleteFile);
    // RemoveItem for each of the rows (ascending, no repeats), in one pass over
    // the list however many rows go.
    void RemoveItems(const std::vector<int>& rows, bool deleteFile);
    // Takes the items whose download still runs out of m_listItems, so that the
    // destructor leaves them alone; their rows stay.
    std::vector<CDownloadItem*> TakeRunningItems();

    // The refresh tick's step of the moving block; the caller repaints.
    void AdvanceMarquee() { ++m_nMarqueeTick; }
    // The refresh tick's repaint: only the rows on show whose shown values
    // changed since the last tick, and those with a moving block. The rows out
    // of sight are not looked at; they are made afresh when they come in.
    void RepaintChangedRows();

    void OnToggleColumn(int command);
    void OnUpdateToggleColumn(int command, CmdUI& ui) const;
    void OnResetColumns();
    void OnToggleGrid();
    // A header click: asks whether to sort (unless told not to ask again), then
    // sorts when the stored answer is Yes.
    void OnColumnClick(int columnId);

    int32_t m_nMarqueeTick = 0;
    std::list<CDownloadItem*> m_listItems; // in the order of adding

protected:
    QVariant GetCellData(quintptr item, int columnId, int role) const override;
    SortKey GetSortKey(quintptr item, int columnId) const override;
    void GetColumnInfo(int columnId, QString& title, int& format, int& width) const override;
    bool CanHideColumn(int columnId) const override;
    void OnItemInserted(quintptr data) override;
    void OnItemRemoving(quintptr data) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The faint logo while the list is empty.
    void paintEvent(QPaintEvent* event) override;

private:
    void RegisterCommands(CCommandTable& commands);
    void CreateMenus(CCommandTable& commands);
    void ApplyGridLines();
    QString CellText(const CDownloadItem& item, int columnId) const;
    QVariant CellForeground(const CHttpDownloader& download, int columnId) const;
    QVariant BarData(const CHttpDownloader& download, int role) const;
    // The lower-left corner, one pixel down, of the row's bounds, on the screen.
    QPoint BelowRow(int row) const;
    // What the row shows in its visible columns, as the delegate paints it.
    std::vector<QVariant> ShownValues(quintptr data) const;
    // The download's own file in its download folder, if it exists.
    static void DeleteOwnFile(const CDownloadItem& item);
    // Out of m_listItems, and destroyed with its dialog and its download.
    void DestroyItem(CDownloadItem* item);

    // Mutable: a lookup first takes in the changes the engine told it of.
    mutable CItemKeyIndex m_keys;
    // Mutable: a tally puts the rows it finds resting to rest.
    mutable CRowTally m_tally;
    // What each row on show showed at the last tick.
    std::unordered_map<quintptr, std::vector<QVariant>> m_shownRows;
    CDownloadsDelegate* m_delegate;
    QMenu* m_menuHeader;  // 348
    QMenu* m_menuItem;    // 332
    QMenu* m_menuEmpty;   // 439
    QAction* m_actionDebugSeparator;
    QAction* m_actionDebug;
};

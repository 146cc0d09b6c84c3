#include "mainframe/DownloadsView.h"

#include "app/PrintfText.h"
#include "app/TextFormat.h"
#include "app/VandrelCore.h"
#include "app/gui/AppBitmaps.h"
#include "app/gui/ColorRef.h"
#include "app/gui/Prompts.h"
#include "engine/DownloadItem.h"
#include "engine/DownloadStub.h"
#include "engine/HttpDownloader.h"
#include "engine/OwnFiles.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadFigures.h"
#include "mainframe/DownloadsDelegate.h"
#include "mainframe/StateColors.h"
#include "platform/RemoveFile.h"
#include "platform/StringTable.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <iterator>

namespace {

struct ColumnInfo
{
    TextId titleId;
    int format;
    int width;
};

constexpr int kLeft = CListCtrlEx::LVCFMT_LEFT;
constexpr int kRight = CListCtrlEx::LVCFMT_RIGHT;

// By column id.
constexpr ColumnInfo kColumns[CDownloadsView::kColumnCount] = {
    {TextId::FileName, kLeft, 200}, {TextId::Url, kLeft, 300}, {TextId::Status, kLeft, 110},
    {TextId::Completed, kRight, 100}, {TextId::Size, kRight, 80}, {TextId::Downloaded, kRight, 80},
    {TextId::TransferRate, kRight, 80}, {TextId::TransferSize, kRight, 80}, {TextId::ResumeSupport, kLeft, 60},
    {TextId::ElapsedTime, kRight, 80}, {TextId::RemainingTime, kRight, 80}, {TextId::SectionCount, kRight, 60},
    {TextId::ConnectionType, kLeft, 68}, {TextId::Description, kLeft, 150}, {TextId::Location, kLeft, 150},
    {TextId::Added, kLeft, 100}, {TextId::Error, kLeft, 300},
};

constexpr int kLogoAlpha = 50;
constexpr int kLogoBottomGap = 30; // the logo's bottom edge above the list's
// By AccessType.
constexpr TextId kAccessTypeTextIds[] = {TextId::System, TextId::Direct, TextId::Proxy};

// The state image list: image index -> bitmap.
constexpr int kStateBitmaps[] = {325, 328, 431, 326, 327, 324, 323, 413};
constexpr int kImageNew = 0;
constexpr int kImageRunning = 1;
constexpr int kImageRunningWithErrors = 2;
constexpr int kImageIdle = 3;
constexpr int kImageQueued = 4;
constexpr int kImageFailed = 5;
constexpr int kImageCompleted = 6;
constexpr int kImageScheduled = 7;

constexpr uint64_t kTicksPerMillisecond = kFileTimeTicksPerSecond / 1000;
constexpr double kPercent = 100.0;

const CDownloadItem* ItemFrom(quintptr data)
{
    return reinterpret_cast<const CDownloadItem*>(data);
}

bool HasFileSize(const CHttpDownloader& download)
{
    return download.m_bGotFileSize && download.m_nFileSize != 0;
}

float Percent(uint64_t part, uint64_t whole)
{
    return float(double(part) / double(whole) * kPercent);
}

// Both flags exactly 1, as the list has always shown it.
bool ShowsResumable(const CHttpDownloader& download)
{
    return download.m_bAcceptRanges == 1 && download.m_bGotFileSize == 1;
}

int SectionCount(const CHttpDownloader& download)
{
    const auto lock = download.LockSections();
    return int(download.m_sections.size());
}

// The fields in order of significance, each kept within its own bits, so that
// a damaged time still orders consistently.
uint64_t TimeKey(const SYSTEMTIME& time)
{
    const std::pair<uint16_t, int> fields[] = {
        {time.wYear, 16}, {time.wMonth, 4},  {time.wDay, 5},           {time.wHour, 5},
        {time.wMinute, 6}, {time.wSecond, 6}, {time.wMilliseconds, 10},
    };
    uint64_t key = 0;
    for (const auto& [value, bits] : fields)
        key = (key << bits) | std::min<uint64_t>(value, (uint64_t(1) << bits) - 1);
    return key;
}

int StateImage(const CDownloadItem& item, const CHttpDownloader& download, int32_t state)
{
    if (state == Completed)
        return kImageCompleted;
    if (item.IsQueued())
        return kImageQueued;
    if (item.IsScheduled())
        return kImageScheduled;
    if (state == NeedToPrepare || state == Prepared)
        return kImageNew;
    if (IsFailedState(state))
        return kImageFailed;
    if (state == FileAllocated || state == Transferred || state == Paused)
        return kImageIdle;
    const bool errors = download.m_pError && download.m_pError->m_nErrorCounter != 0;
    return errors ? kImageRunningWithErrors : kImageRunning;
}

// The completed column's bar and its percentage.
CDownloadsView::BarMode Bar(const CHttpDownloader& download, int32_t state, float* percent)
{
    switch (state) {
    case NeedToPrepare:
    case Prepared:
        return CDownloadsView::BarNone;
    case Preparing:
        return CDownloadsView::BarMarquee;
    case FileAllocating:
        if (!ShowsResumable(download) || download.m_nFileSize == 0)
            return CDownloadsView::BarNone;
        *percent = Percent(download.m_nAllocated, download.m_nFileSize + DownloadStub::kSize);
        return CDownloadsView::BarPercent;
    case Transferring:
        if (!HasFileSize(download))
            return CDownloadsView::BarMarquee;
        *percent = Percent(DownloadedBytes(download, state), download.m_nFileSize);
        return CDownloadsView::BarPercent;
    default:
        if (state < Prepared || !HasFileSize(download))
            return CDownloadsView::BarNone;
        *percent = Percent(DownloadedBytes(download, state), download.m_nFileSize);
        return CDownloadsView::BarPercent;
    }
}

struct MenuItem
{
    int command; // 0: a separator
    QString text;
};

QString Text(TextId stringId)
{
    return LoadResString(stringId);
}

QString Text(const char* text)
{
    return QString::fromUtf8(text);
}

QMenu* BuildMenu(const char* name, const std::vector<MenuItem>& items, CCommandTable& commands, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QLatin1String(name));
    for (const MenuItem& item : items) {
        if (item.command == 0)
            menu->addSeparator();
        else
            menu->addAction(commands.CreateAction(item.command, item.text, menu));
    }
    commands.WatchMenu(menu);
    return menu;
}

} // namespace

CDownloadsView::CDownloadsView(CCommandTable& commands, QWidget* parent)
    : CListCtrlEx(kColumnCount, parent), m_delegate(new CDownloadsDelegate(*this))
{
    setItemDelegate(m_delegate);
    header()->setSectionsMovable(true);
    ApplyGridLines();
    setUpdatesEnabled(false);
    for (int id = 0; id < kColumnCount; ++id)
        ShowColumn(id);
    setUpdatesEnabled(true);
    RegisterCommands(commands);
    CreateMenus(commands);
    connect(this, &CListCtrlEx::ColumnClicked, this, &CDownloadsView::OnColumnClick);
}

CDownloadsView::~CDownloadsView()
{
    DeleteAllItems(); // no row may point at a deleted item
    for (CDownloadItem* item : m_listItems)
        delete item;
    m_listItems.clear();
}

void CDownloadsView::RegisterCommands(CCommandTable& commands)
{
    commands.AddRange(
        ID_VIEW_COLUMN_FIRST, ID_VIEW_COLUMN_LAST, [this](int id) { OnToggleColumn(id); },
        [this](int id, CmdUI& ui) { OnUpdateToggleColumn(id, ui); });
    commands.Add(ID_VIEW_RESET_COLUMNS, [this] { OnResetColumns(); });
    commands.Add(ID_VIEW_AUTOSIZE_COLUMNS, [this] { OnAutoSizeColumns(); });
    commands.Add(
        ID_VIEW_GRID, [this] { OnToggleGrid(); },
        [](CmdUI& ui) { ui.check = SettingLoad(AppCore().m_settings.DownloadsViewGrid) ? 1 : 0; });
}

void CDownloadsView::CreateMenus(CCommandTable& commands)
{
    std::vector<MenuItem> columns;
    for (int id = 0; id < kColumnCount; ++id)
        columns.push_back({ID_VIEW_COLUMN_FIRST + id, Text(kColumns[id].titleId)});
    columns.insert(columns.end(), {
                                    {0, {}},
                                    {ID_VIEW_AUTOSIZE_COLUMNS, Text(TextId::AutosizeColumns)},
                                    {ID_VIEW_RESET_COLUMNS, Text("重置列")},
                                    {0, {}},
                                    {ID_VIEW_GRID, Text("网格线")},
                                });
    m_menuHeader = BuildMenu("menu348", columns, commands, this);
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QHeaderView::customContextMenuRequested, this,
            [this](const QPoint& point) { m_menuHeader->popup(header()->mapToGlobal(point)); });

    m_menuItem = BuildMenu("menu332",
                           {
                               {ID_DOWNLOAD_START, Text(TextId::Start)},
                               {ID_DOWNLOAD_PAUSE, Text(TextId::Pause)},
                               {ID_DOWNLOAD_GET_INFO, Text("获取信息")},
                               {0, {}},
                               {ID_DOWNLOAD_DELETE, Text(TextId::Delete)},
                               {ID_DOWNLOAD_DELETE_WITH_FILES, Text("删除下载和文件")},
                               {ID_DOWNLOAD_RESET, Text("重置")},
                               {0, {}},
                               {ID_SCHEDULE_ADD, Text("添加到计划任务")},
                               {ID_SCHEDULE_REMOVE, Text("从计划任务中移除")},
                               {0, {}},
                               {ID_DOWNLOAD_COPY_URL, Text(TextId::CopyUrl)},
                               {ID_DOWNLOAD_OPEN_IN_BROWSER, Text(TextId::OpenInBrowser)},
                               {ID_DOWNLOAD_OPEN_LOCATION, Text(TextId::OpenDownloadLocation)},
                               {ID_DOWNLOAD_OPEN_FILE, Text(TextId::OpenFile)},
                               {ID_DOWNLOAD_CHECKSUM, Text(TextId::Checksum)},
                               {0, {}},
                               {ID_MOVE_UP, Text(TextId::MoveUp)},
                               {ID_MOVE_DOWN, Text(TextId::MoveDown)},
                               {ID_MOVE_TO_TOP, Text(TextId::MoveToTop)},
                               {ID_MOVE_TO_BOTTOM, Text(TextId::MoveToBottom)},
                               {0, {}},
                               {ID_DOWNLOAD_PROPERTIES, Text(TextId::Properties)},
                           },
                           commands, this);
    m_menuItem->setDefaultAction(CCommandTable::FindAction(m_menuItem, ID_DOWNLOAD_PROPERTIES));
    // Shown only in developer mode.
    m_actionDebugSeparator = m_menuItem->addSeparator();
    m_actionDebug = commands.CreateAction(ID_DEBUG, Text("Debug"), m_menuItem);
    m_menuItem->addAction(m_actionDebug);

    m_menuEmpty = BuildMenu("menu439",
                            {
                                {ID_DOWNLOAD_ADD, Text(TextId::Add)},
                                {0, {}},
                                {ID_START_ALL, Text(TextId::StartAll)},
                                {ID_PAUSE_ALL, Text(TextId::PauseAll)},
                                {0, {}},
                                {ID_REMOVE_COMPLETED, Text(TextId::RemoveCompleted)},
                            },
                            commands, this);
}

void CDownloadsView::GetColumnInfo(int columnId, QString& title, int& format, int& width) const
{
    if (columnId < 0 || columnId >= kColumnCount)
        return;
    const ColumnInfo& info = kColumns[columnId];
    title = LoadResString(info.titleId);
    format = info.format;
    width = info.width;
}

bool CDownloadsView::CanHideColumn(int columnId) const
{
    return columnId != ColumnFileName && columnId != ColumnStatus;
}

int CDownloadsView::AddItem(CDownloadItem* item)
{
    m_listItems.push_back(item);
    item->m_pos = std::prev(m_listItems.end());
    const int row = GetItemCount();
    InsertItem(row, quintptr(item));
    return row;
}

CDownloadItem* CDownloadsView::GetItem(int row) const
{
    return reinterpret_cast<CDownloadItem*>(GetItemData(row));
}

CDownloadItem* CDownloadsView::FindItemById(uint64_t id) const
{
    return m_keys.FindById(id);
}

bool CDownloadsView::FindItem(const QString& url, const QString& downloadUrl, const QString& path) const
{
    return m_keys.Contains(url, downloadUrl, path);
}

void CDownloadsView::RefreshItemKeys(CDownloadItem* item)
{
    m_keys.Refresh(item);
}

void CDownloadsView::OnItemInserted(quintptr data)
{
    if (CDownloadItem* item = reinterpret_cast<CDownloadItem*>(data)) {
        m_keys.Insert(item);
        m_tally.Insert(*item);
    }
}

void CDownloadsView::OnItemRemoving(quintptr data)
{
    if (CDownloadItem* item = reinterpret_cast<CDownloadItem*>(data)) {
        m_keys.Erase(item);
        m_tally.Remove(*item);
    }
    // A new item at the same address must not pass for this one.
    m_shownRows.erase(data);
}

CDownloadsView::RowTally CDownloadsView::TallyRows() const
{
    return m_tally.Take(GetItemCount());
}

void CDownloadsView::RemoveItem(int row, bool deleteFile)
{
    if (row < 0 || row >= GetItemCount())
        return;
    CDownloadItem* item = GetItem(row);
    if (!item)
        return;
    if (deleteFile)
        DeleteOwnFile(*item);
    // The row goes first, so that nothing can paint it from a deleted item.
    DeleteItem(row);
    DestroyItem(item);
}

void CDownloadsView::RemoveItems(const std::vector<int>& rows, bool deleteFile)
{
    std::vector<int> going;
    std::vector<CDownloadItem*> items;
    for (int row : rows) {
        CDownloadItem* item = row >= 0 && row < GetItemCount() ? GetItem(row) : nullptr;
        if (!item)
            continue;
        if (deleteFile)
            DeleteOwnFile(*item);
        going.push_back(row);
        items.push_back(item);
    }
    DeleteItems(going);
    for (CDownloadItem* item : items)
        DestroyItem(item);
}

void CDownloadsView::DeleteOwnFile(const CDownloadItem& item)
{
    if (!item.m_pDownloader)
        return;
    // Only the download's own file: a damaged or crafted list could name any
    // file of the user.
    const CHttpDownloader& download = *item.m_pDownloader;
    const QString file = OwnFilePath(download.GetLocalFileName(), download.m_strDownloadLocation,
                                     download.GetFileTitle());
    if (!file.isEmpty())
        RemoveFile(file);
}

void CDownloadsView::DestroyItem(CDownloadItem* item)
{
    m_listItems.erase(item->m_pos);
    delete item; // with its dialog and its download
}

std::vector<CDownloadItem*> CDownloadsView::TakeRunningItems()
{
    std::vector<CDownloadItem*> running;
    for (auto it = m_listItems.begin(); it != m_listItems.end();) {
        if ((*it)->m_pDownloader && (*it)->m_pDownloader->m_bIsRunning) {
            (*it)->SetWatch(nullptr); // the item outlives the view
            running.push_back(*it);
            it = m_listItems.erase(it);
        } else {
            ++it;
        }
    }
    return running;
}

void CDownloadsView::RepaintChangedRows()
{
    std::unordered_map<quintptr, std::vector<QVariant>> shown;
    const QRect area = viewport()->rect();
    const QModelIndex top = indexAt(area.topLeft());
    if (!isVisible() || !updatesEnabled() || !top.isValid()) {
        m_shownRows.clear();
        return;
    }
    const QModelIndex bottom = indexAt(QPoint(0, area.bottom()));
    const int last = bottom.isValid() ? bottom.row() : GetItemCount() - 1;
    QRegion changed;
    for (int row = top.row(); row <= last; ++row) {
        const quintptr data = GetItemData(row);
        std::vector<QVariant> values = ShownValues(data);
        const auto before = m_shownRows.find(data);
        const bool marquee = GetCellData(data, ColumnCompleted, BarModeRole).toInt() == BarMarquee;
        if (marquee || before == m_shownRows.end() || before->second != values)
            changed += RowRect(row);
        shown.emplace(data, std::move(values));
    }
    m_shownRows.swap(shown);
    // At once, so that the screen shows what was just compared.
    if (!changed.isEmpty())
        viewport()->repaint(changed);
}

std::vector<QVariant> CDownloadsView::ShownValues(quintptr data) const
{
    static constexpr int kRoles[] = {Qt::DisplayRole, Qt::ForegroundRole};
    static constexpr int kBarRoles[] = {BarModeRole, BarPercentRole, BarColorRole};
    std::vector<QVariant> values{GetCellData(data, ColumnFileName, StateImageRole)};
    for (int id = 0; id < kColumnCount; ++id) {
        if (!IsColumnVisible(id))
            continue;
        for (int role : kRoles)
            values.push_back(GetCellData(data, id, role));
        if (id == ColumnCompleted) {
            for (int role : kBarRoles)
                values.push_back(GetCellData(data, id, role));
        }
    }
    return values;
}

void CDownloadsView::OnToggleColumn(int command)
{
    const int id = command - ID_VIEW_COLUMN_FIRST;
    if (IsColumnVisible(id))
        HideColumn(id);
    else
        ShowColumn(id);
}

void CDownloadsView::OnUpdateToggleColumn(int command, CmdUI& ui) const
{
    const int id = command - ID_VIEW_COLUMN_FIRST;
    ui.check = IsColumnVisible(id) ? 1 : 0;
    ui.enabled = CanHideColumn(id);
}

void CDownloadsView::OnResetColumns()
{
    setUpdatesEnabled(false);
    HideAllColumns();
    for (int id = 0; id < kColumnCount; ++id)
        ShowColumn(id);
    setUpdatesEnabled(true);
    viewport()->repaint();
}

void CDownloadsView::OnToggleGrid()
{
    int32_t& grid = AppCore().m_settings.DownloadsViewGrid;
    SettingStore(grid, SettingLoad(grid) ? 0 : 1);
    ApplyGridLines();
}

void CDownloadsView::ApplyGridLines()
{
    m_delegate->SetGridLines(SettingLoad(AppCore().m_settings.DownloadsViewGrid) != 0);
    viewport()->update();
}

QVariant CDownloadsView::GetCellData(quintptr data, int columnId, int role) const
{
    const CDownloadItem* item = ItemFrom(data);
    if (!item)
        return {};
    if (role == Qt::DisplayRole)
        return CellText(*item, columnId);
    const CHttpDownloader* download = item->m_pDownloader;
    if (!download)
        return {};
    switch (role) {
    case StateImageRole:
        return StateImage(*item, *download, download->m_nState);
    case Qt::DecorationRole:
        if (columnId != ColumnFileName)
            return {};
        return QIcon(AppBitmap(kStateBitmaps[StateImage(*item, *download, download->m_nState)]));
    case Qt::ForegroundRole:
        return CellForeground(*download, columnId);
    case BarModeRole:
    case BarPercentRole:
    case BarColorRole:
        return columnId == ColumnCompleted ? BarData(*download, role) : QVariant();
    default:
        return {};
    }
}

QString CDownloadsView::CellText(const CDownloadItem& item, int columnId) const
{
    if (columnId == ColumnStatus) {
        QString text;
        item.GetStatusText(text);
        return text;
    }
    if (!item.m_pDownloader)
        return {};
    const CHttpDownloader& download = *item.m_pDownloader;
    const int32_t state = download.m_nState;
    switch (columnId) {
    case ColumnFileName: {
        const QString title = download.GetFileTitle();
        return title.isEmpty() ? LoadResString(TextId::NewDownload) : title;
    }
    case ColumnUrl:
        return download.m_strUrl;
    case ColumnCompleted:
        if (state < FileAllocating || !HasFileSize(download))
            return {};
        return PrintfText("%.1f%%", double(Percent(DownloadedBytes(download, state), download.m_nFileSize)));
    case ColumnSize:
        if (download.m_bGotFileSize)
            return FormatByteSize(download.m_nFileSize, false);
        return state >= Prepared ? LoadResString(TextId::Unspecified) : QString();
    case ColumnDownloaded:
        return state >= FileAllocating ? FormatByteSize(DownloadedBytes(download, state), true) : QString();
    case ColumnTransferRate:
        return state == Transferring ? FormatByteSize(download.GetTransferRate(), false) + QStringLiteral("/s")
                                     : QString();
    case ColumnTransferSize:
        return state == Transferring ? FormatByteSize(download.GetTransferSize(), false) : QString();
    case ColumnResume:
        if (state < Prepared)
            return {};
        return LoadResString(ShowsResumable(download) ? TextId::Yes : TextId::No);
    case ColumnElapsed:
        return state != NeedToPrepare ? FormatDuration(ElapsedTicks(download, state)) : QString();
    case ColumnRemaining: {
        uint64_t remaining = 0;
        if (state != Transferring || !download.GetRemainingTime(&remaining))
            return {};
        return FormatDuration(remaining);
    }
    case ColumnSections:
        return state >= Prepared ? PrintfText("%i", SectionCount(download)) : QString();
    case ColumnConnection: {
        const int32_t access = download.m_nAccessType;
        if (access < 0 || access >= int32_t(std::size(kAccessTypeTextIds)))
            return {};
        return LoadResString(kAccessTypeTextIds[access]);
    }
    case ColumnDescription:
        return download.m_strDescription;
    case ColumnLocation:
        return download.m_strDownloadLocation;
    case ColumnAdded: {
        const SYSTEMTIME& added = download.m_timeAdded;
        return PrintfText("%u/%u/%u %u:%.2u", unsigned(added.wMonth), unsigned(added.wDay), unsigned(added.wYear),
                          unsigned(added.wHour), unsigned(added.wMinute));
    }
    case ColumnError:
        if (!download.m_pError || download.m_pError->m_nErrorCounter == 0)
            return {};
        return download.m_pError->GetText();
    default:
        return {};
    }
}

QVariant CDownloadsView::CellForeground(const CHttpDownloader& download, int columnId) const
{
    const int32_t state = download.m_nState;
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    switch (columnId) {
    case ColumnFileName:
        return state <= Prepared ? QVariant(grey) : QVariant();
    case ColumnStatus:
        return ColorFromColorRef(GetStateTextColor(state));
    case ColumnSize:
        return state <= Prepared || !download.m_bGotFileSize ? QVariant(grey) : QVariant();
    default:
        return {};
    }
}

QVariant CDownloadsView::BarData(const CHttpDownloader& download, int role) const
{
    const int32_t state = download.m_nState;
    float percent = 0;
    const BarMode mode = Bar(download, state, &percent);
    if (role == BarModeRole)
        return mode;
    if (role == BarPercentRole)
        return percent;
    return ColorFromColorRef(GetStateProgressColor(state));
}

CListCtrlEx::SortKey CDownloadsView::GetSortKey(quintptr data, int columnId) const
{
    const CDownloadItem* item = ItemFrom(data);
    const CHttpDownloader* download = item ? item->m_pDownloader : nullptr;
    if (!download)
        return SortKey::Lowest();
    const int32_t state = download->m_nState;
    switch (columnId) {
    case ColumnFileName:
        return SortKey::Text(download->GetFileTitle());
    case ColumnUrl:
        return SortKey::Text(download->m_strUrl);
    case ColumnStatus:
        return SortKey::Signed(state);
    case ColumnCompleted:
    case ColumnDownloaded:
        return SortKey::Unsigned(DownloadedBytes(*download, state));
    case ColumnSize:
        return SortKey::Unsigned(download->m_nFileSize);
    case ColumnTransferRate:
        return SortKey::Unsigned(state == Transferring ? download->GetTransferRate() : 0);
    case ColumnTransferSize:
        return SortKey::Unsigned(download->GetTransferSize());
    case ColumnResume:
        return SortKey::Unsigned(ShowsResumable(*download) ? 1 : 0);
    case ColumnElapsed:
        return SortKey::Unsigned(ElapsedTicks(*download, state) / kTicksPerMillisecond);
    case ColumnRemaining: {
        // Unknown: after every known time.
        uint64_t remaining = 0;
        return download->GetRemainingTime(&remaining) ? SortKey::Unsigned(remaining) : SortKey::Highest();
    }
    case ColumnSections:
        return SortKey::Unsigned(uint64_t(SectionCount(*download)));
    case ColumnConnection:
        return SortKey::Signed(download->m_nAccessType);
    case ColumnDescription:
        return SortKey::Text(download->m_strDescription);
    case ColumnLocation:
        return SortKey::Text(download->m_strDownloadLocation);
    case ColumnAdded:
        return SortKey::Unsigned(TimeKey(download->m_timeAdded));
    case ColumnError:
        if (!IsFailedState(state) || !download->m_pError)
            return SortKey::Text({});
        return SortKey::Text(download->m_pError->GetText());
    default:
        return {};
    }
}

void CDownloadsView::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint point = event->globalPos();
    QMenu* menu = m_menuEmpty;
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const std::vector<int> selected = GetSelectedRows();
        if (selected.empty()) {
            point = mapToGlobal(QPoint(0, 0));
        } else {
            point = BelowRow(selected.back());
            menu = m_menuItem;
        }
    } else if (indexAt(viewport()->mapFromGlobal(point)).isValid()) {
        menu = m_menuItem;
    }
    if (menu == m_menuItem) {
        const bool developer = SettingLoad(AppCore().m_settings.DeveloperMode) != 0;
        m_actionDebugSeparator->setVisible(developer);
        m_actionDebug->setVisible(developer);
    }
    menu->popup(point);
    event->accept();
}

QPoint CDownloadsView::BelowRow(int row) const
{
    const QRect bounds = RowRect(row);
    return viewport()->mapToGlobal(QPoint(bounds.x(), bounds.y() + bounds.height() + 1));
}

void CDownloadsView::OnColumnClick(int columnId)
{
    CAppSettings& settings = AppCore().m_settings;
    if (!SettingLoad(settings.DoNotAskSort)) {
        TaskDialogSpec spec;
        spec.owner = window();
        spec.title = AppTitle();
        spec.icon = PromptIcon::Question;
        spec.mainInstruction = LoadResString(TextId::AskSort);
        spec.verificationText = LoadResString(TextId::DoNotAskAgain);
        spec.commonButtons = TDCBF_YES_BUTTON | TDCBF_NO_BUTTON;
        const TaskDialogResult result = Prompts().TaskDialog(spec);
        if (result.button != IDYES && result.button != IDNO)
            return; // closed without an answer: nothing stored, nothing sorted
        SettingStore(settings.DoNotAskSort, result.verificationChecked ? 1 : 0);
        SettingStore(settings.SortDefaultAction, result.button);
    }
    if (SettingLoad(settings.SortDefaultAction) == IDYES)
        SortByColumn(columnId);
}

void CDownloadsView::paintEvent(QPaintEvent* event)
{
    CListCtrlEx::paintEvent(event);
    if (GetItemCount() > 0)
        return;
    const QPixmap logo = AppBitmap(IDB_LOGO);
    QPainter painter(viewport());
    painter.setOpacity(kLogoAlpha / 255.0);
    // In the viewport's own coordinates, so the logo stays inside the list.
    painter.drawPixmap((viewport()->width() - logo.width()) / 2, viewport()->height() - logo.height() - kLogoBottomGap,
                       logo);
}

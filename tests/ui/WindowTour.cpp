#include "WindowTour.h"
#include "ControlLookup.h"

#include "app/History.h"
#include "app/VandrelCore.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/AddDownloadDialog.h"
#include "dialogs/AddDownloadGeneralPage.h"
#include "dialogs/ChecksumDialog.h"
#include "dialogs/DebugDialog.h"
#include "dialogs/DialogControls.h"
#include "dialogs/FixedDownloadDialog.h"
#include "dialogs/GroupDownloadDialog.h"
#include "dialogs/HistoryDialog.h"
#include "dialogs/OptionsDialog.h"
#include "dialogs/OptionsPageBase.h"
#include "dialogs/TabSheet.h"
#include "dialogs/TermsOfUseDialog.h"
#include "dialogs/TreeSheet.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "engine/Section.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "mainframe/TerminateDialog.h"
#include "mainframe/ToolBarCtrlEx.h"
#include "mainframe/ToolBarCustomizeDialog.h"

#include <QApplication>
#include <QTest>
#include <QTreeWidget>

#include <ostream>

namespace {

QList<QRect> Geometries(const QWidget& window)
{
    QList<QRect> geometries = {window.geometry()};
    for (const QWidget* widget : window.findChildren<QWidget*>())
        geometries << widget->geometry();
    return geometries;
}

// Runs the events until the layouts have placed everything: a change of size
// travels one parent further per round, and a round may move nothing.
void Settle(const QWidget& window)
{
    constexpr int kQuietRounds = 3;
    constexpr int kMostRounds = 30;
    int quiet = 0;
    for (int round = 0; round < kMostRounds && quiet < kQuietRounds; ++round) {
        const QList<QRect> before = Geometries(window);
        QApplication::processEvents();
        quiet = Geometries(window) == before ? quiet + 1 : 0;
    }
}

void ShowOptions(WindowTour& tour)
{
    COptionsDialog dialog(OptionsPageGeneral, nullptr);
    dialog.m_settings = AppCore().m_settings;
    tour.Show(dialog, QStringLiteral("options"));
    auto* tree = FindControl<QTreeWidget>(&dialog, 1059);
    for (int page = 0; page < kOptionsPageCount; ++page) {
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            if (CTreeSheet::PageOf(*it) == dialog.Page(page)) {
                tree->setCurrentItem(*it);
                tour.Show(dialog, QStringLiteral("options › ") + (*it)->text(0));
            }
        }
    }
}

// A dialog that needs nothing but itself.
template <typename Dialog> void ShowOnItsOwn(WindowTour& tour)
{
    Dialog dialog(nullptr);
    tour.Show(dialog, QString::fromLatin1(Dialog::staticMetaObject.className()));
}

} // namespace

WindowTour::~WindowTour()
{
    delete m_frame;
}

void WindowTour::Show(QWidget& window, const QString& where)
{
    if (!window.isVisible()) {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window)) << where.toStdString();
    }
    Settle(window);
    Visit(window, where);
}

void WindowTour::ShowTabs(CDownloadDialog& dialog, const QString& name)
{
    dialog.Create();
    for (int tab = 0; tab < dialog.Tabs()->count(); ++tab) {
        dialog.Tabs()->setCurrentIndex(tab);
        Show(dialog, name + QStringLiteral(" › ") + dialog.Tabs()->tabText(tab));
    }
}

CMainFrame& WindowTour::Frame()
{
    if (!m_frame) {
        m_frame = new CMainFrame;
        m_frame->Create();
    }
    return *m_frame;
}

CDownloadItem& WindowTour::PartlyDone()
{
    CDownloadItem* item = AddRow(Frame(), false);
    CHttpDownloader& download = *item->m_pDownloader;
    constexpr uint64_t kSectionBytes = 1000ull * 1024 * 1024;
    download.m_nState = Paused;
    download.m_bGotFileSize = 1;
    download.m_bAcceptRanges = 1;
    download.m_nFileSize = 8 * kSectionBytes;
    for (int index = 0; index < 8; ++index) {
        auto section = std::make_unique<CSection>();
        section->m_nIndex = index;
        section->m_nRangeStartInitial = index * kSectionBytes;
        section->m_nRangeEnd = (index + 1) * kSectionBytes - 1;
        section->m_nRangeStart = section->m_nRangeStartInitial + (index == 0 ? kSectionBytes : kSectionBytes / 3);
        section->m_bIsWorking = index % 2;
        section->m_nLastStatus = WaitingForNextAttempt;
        section->m_nTransferRate = 1023 * 1024;
        section->m_nTransferSize = 1023 * 1024;
        download.AppendSection(std::move(section));
    }
    return *item;
}

QString WidgetPath(const QWidget* widget, const QWidget* window)
{
    QStringList names;
    for (const QWidget* at = widget; at && at != window; at = at->parentWidget())
        names.prepend(at->objectName().isEmpty() ? QString::fromLatin1(at->metaObject()->className())
                                                 : at->objectName());
    return names.join(u'/');
}

void PrintTo(const TourStop& stop, std::ostream* out)
{
    *out << stop.name;
}

const std::vector<TourStop>& TourStops()
{
    static const std::vector<TourStop> stops = {
        {"Add",
         [](WindowTour& tour) {
             CAddDownloadDialog dialog(nullptr);
             tour.ShowTabs(dialog, QStringLiteral("add"));
         }},
        {"GroupAdd",
         [](WindowTour& tour) {
             CAddDownloadDialog dialog(nullptr);
             dialog.m_pAddGeneralPage->m_bGroup = true;
             dialog.m_pAddGeneralPage->m_strUrl = QStringLiteral("http://example.com/file$$$.zip");
             tour.ShowTabs(dialog, QStringLiteral("group add"));
         }},
        {"Properties",
         [](WindowTour& tour) {
             CDownloadItem& item = tour.PartlyDone();
             CFixedDownloadDialog dialog(&item, nullptr);
             tour.ShowTabs(dialog, QStringLiteral("properties"));
         }},
        {"GroupProperties",
         [](WindowTour& tour) {
             CGroupDownloadDialog dialog(nullptr);
             tour.ShowTabs(dialog, QStringLiteral("group properties"));
         }},
        {"Options", ShowOptions},
        {"Checksum", ShowOnItsOwn<CChecksumDialog>},
        {"History",
         [](WindowTour& tour) {
             CHistory history;
             history.SetCapacity(10);
             history.Add(QStringLiteral("http://example.com/a/rather/long/path/to/some/file.zip"), true);
             CHistoryDialog dialog(history, nullptr);
             tour.Show(dialog, QStringLiteral("history"));
         }},
        {"Inspector",
         [](WindowTour& tour) {
             CDownloadItem& item = tour.PartlyDone();
             CDebugDialog dialog(item.m_nId, *tour.Frame().View(), nullptr);
             tour.Show(dialog, QStringLiteral("inspector"));
         }},
        {"About", ShowOnItsOwn<CAboutDialog>},
        {"TermsOfUse", ShowOnItsOwn<CTermsOfUseDialog>},
        {"ToolBarCustomisation",
         [](WindowTour& tour) {
             const CToolBarCtrlEx& bar = *tour.Frame().ToolBar();
             CToolBarCustomizeDialog dialog(bar.Buttons(), &bar.DefaultButtons(), ShowTextLabels, nullptr);
             tour.Show(dialog, QStringLiteral("tool-bar customisation"));
         }},
        {"MainWindow",
         [](WindowTour& tour) {
             CAppSettings& settings = AppCore().m_settings;
             SettingStore(settings.SchedulerOn, 1);
             SettingStore(settings.ScheduleAllItems, 0);
             tour.PartlyDone().SetScheduled(true);
             tour.Frame().OnUpdateStatusPanes();
             tour.Show(tour.Frame(), QStringLiteral("main window"));
         }},
        {"WaitPanel",
         [](WindowTour& tour) {
             CTerminateDialog panel(&tour.Frame());
             tour.Show(panel, QStringLiteral("wait panel"));
         }},
    };
    return stops;
}

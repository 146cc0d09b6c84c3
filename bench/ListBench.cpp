// vandrel-listbench: times the downloads list of the real main window with a
// long list, offscreen, in a temporary home, and reports it as one line of JSON.

#include "ListBenchRows.h"
#include "ListBenchTray.h"
#include "app/AppDataFile.h"
#include "app/VandrelCore.h"
#include "app/gui/UiServices.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 800;
constexpr int kTicks = 21; // the median is reported

// Wall time, and the processor time of the whole process, both in seconds: on
// a busy machine the second says more.
struct Span
{
    double wall = 0;
    double cpu = 0;

    Span& operator+=(const Span& other)
    {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
};

Span Now()
{
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const auto wall = std::chrono::steady_clock::now().time_since_epoch();
    return {std::chrono::duration<double>(wall).count(), double(cpu.tv_sec) + double(cpu.tv_nsec) * 1e-9};
}

// Runs what the step left for the event loop (layout, paint), as the user
// would wait for it.
template <typename Step> Span Timed(Step step)
{
    const Span start = Now();
    step();
    QCoreApplication::processEvents();
    const Span end = Now();
    return {end.wall - start.wall, end.cpu - start.cpu};
}

// Every folder the program and Qt may use lies in the temporary home.
bool UsePrivateHome(const QString& root)
{
    const char* names[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"};
    for (const char* name : names) {
        const QString folder = root + u'/' + QString::fromLatin1(name).toLower();
        if (!QDir().mkpath(folder) || !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return false;
        qputenv(name, QFile::encodeName(folder));
    }
    // Nothing here may reach the session.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

int RemoveCompletedRows(CDownloadsView& view)
{
    // As the command does it: all in one go, without a repaint between.
    std::vector<int> rows;
    for (int row = 0; row < view.GetItemCount(); ++row) {
        const CDownloadItem* item = view.GetItem(row);
        if (item && item->m_pDownloader && item->m_pDownloader->m_nState == Completed)
            rows.push_back(row);
    }
    view.setUpdatesEnabled(false);
    view.RemoveItems(rows, false);
    view.setUpdatesEnabled(true);
    return int(rows.size());
}

struct Figures
{
    int rows = 0;
    Span load;
    Span tick;
    Span tickAllSelected;
    Span sort;
    Span sortSlowest;
    Span removeCompleted;
    int removed = 0;
    Span queuePass;
    Span save;
};

QByteArray Field(const char* name, const Span& span)
{
    const auto ms = [](double seconds) { return QByteArray::number(seconds * 1000.0, 'f', 3); };
    return ", \"" + QByteArray(name) + "_ms\": " + ms(span.wall) + ", \"" + QByteArray(name) + "_cpu_ms\": "
        + ms(span.cpu);
}

QByteArray Json(const Figures& f)
{
    return "{\"rows\": " + QByteArray::number(f.rows) + Field("load", f.load) + Field("tick", f.tick)
        + Field("tick_all_selected", f.tickAllSelected)
        + Field("sort_all_columns", f.sort) + Field("sort_slowest_column", f.sortSlowest)
        + Field("remove_completed", f.removeCompleted) + ", \"removed\": " + QByteArray::number(f.removed)
        + Field("queue_pass", f.queuePass) + Field("save", f.save) + "}\n";
}

// The run of median wall time among kTicks.
template <typename Step> Span Median(Step step)
{
    std::vector<Span> runs;
    for (int k = 0; k < kTicks; ++k)
        runs.push_back(Timed(step));
    std::nth_element(runs.begin(), runs.begin() + kTicks / 2, runs.end(),
                     [](const Span& a, const Span& b) { return a.wall < b.wall; });
    return runs[kTicks / 2];
}

Span MedianTick(CMainFrame& frame)
{
    return Median([&frame] { frame.OnTimer(CMainFrame::ID_TIMER_UPDATE); });
}

int Run(int rows, const QString& listPath)
{
    if (!CListBenchRows::Write(listPath, rows)) {
        std::fprintf(stderr, "vandrel-listbench: cannot write %s\n", qUtf8Printable(listPath));
        return kExitFailed;
    }
    auto* frame = new CMainFrame;
    frame->Create();
    frame->resize(kWindowWidth, kWindowHeight);
    frame->show();
    QCoreApplication::processEvents();
    CDownloadsView& view = *frame->View();

    Figures figures;
    figures.load = Timed([frame] { frame->LoadDownloadList(); });
    figures.rows = view.GetItemCount();
    CListBenchRows::MakeLive(view);
    figures.tick = MedianTick(*frame);
    // The commands' enabling rules read the selection at every tick.
    view.selectAll();
    figures.tickAllSelected = MedianTick(*frame);
    view.clearSelection();
    for (int id = 0; id < CDownloadsView::kColumnCount; ++id) {
        const Span span = Timed([&view, id] { view.SortByColumn(id); });
        figures.sort += span;
        if (span.wall > figures.sortSlowest.wall)
            figures.sortSlowest = span;
    }
    CListBenchRows::StopLive(view);
    // What every download notice runs: nothing runs or waits, so the pass looks
    // at every row for a queued one.
    figures.queuePass = Median([frame] { frame->ProcessQueue(); });
    figures.removeCompleted = Timed([&view, &figures] { figures.removed = RemoveCompletedRows(view); });
    bool saved = false;
    figures.save = Timed([&] { saved = frame->ExportList(listPath, true, true); });
    delete frame;
    if (!saved) {
        std::fprintf(stderr, "vandrel-listbench: the list was not saved\n");
        return kExitFailed;
    }
    std::fputs(Json(figures).constData(), stdout);
    return kExitDone;
}

// Only a tray that shows nothing: no download runs here, so no balloon or
// power action is ever asked for.
void InstallQuietServices()
{
    static CListBenchTray tray;
    UiServices& services = Ui();
    services.tray = &tray;
    services.sleepMs = [](int) {};
    services.nowLocal = [] { return GetLocalTime(); };
    services.endEventLoop = [](int) {};
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc == 2 || argc == 3 ? std::atoi(argv[1]) : 0;
    if (rows <= 0) {
        std::fputs("usage: vandrel-listbench ROWS [LISTFILE]\n", stderr);
        return kExitUsage;
    }
    // Only the list, for a run of the program itself.
    if (argc == 3)
        return CListBenchRows::Write(QString::fromLocal8Bit(argv[2]), rows) ? kExitDone : kExitFailed;
    QTemporaryDir root;
    if (!root.isValid() || !UsePrivateHome(root.path())) {
        std::fputs("vandrel-listbench: no temporary home\n", stderr);
        return kExitFailed;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orlmark"));
    QCoreApplication::setApplicationName(QStringLiteral("Vandrel"));
    InstallQuietServices();
    AppCore().m_settings = g_defaultSettings;
    QString listPath;
    if (!GetAppDataFilePath(AppDataDefaultDownloadList, listPath)) {
        std::fputs("vandrel-listbench: no data folder\n", stderr);
        return kExitFailed;
    }
    return Run(rows, listPath);
}

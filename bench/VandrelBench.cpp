// vandrel-bench: runs one download through the real engine and reports it as
// one line of JSON, for benchmarks and for checks from outside the code.

#include "BenchOptions.h"
#include "FinalNoticeSink.h"
#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "engine/InvalidArgException.h"
#include "engine/LiveWorkers.h"
#include "platform/Exception.h"
#include "platform/inet/Inet.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kExitDone = 0;
constexpr int kExitOtherState = 1;
constexpr int kExitUsage = 2;
// How often the downloaded size is looked at while waiting to pause.
constexpr std::chrono::milliseconds kPausePollInterval{2};
// After the final notice the workers only return; a bound on waiting for them.
constexpr int kWorkersLeaveMs = 10000;

QByteArray StateName(int32_t state)
{
    const char* name = DownloadStateName(state);
    return name ? QByteArray(name) : QByteArray::number(state);
}

// Qt's own escaping: the one string of a compact array, brackets cut.
QByteArray JsonString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray Report(const CHttpDownloader& download, int32_t state, double seconds)
{
    qsizetype sections = 0;
    {
        const auto lock = download.LockSections();
        sections = qsizetype(download.m_sections.size());
    }
    return "{\"state\": " + JsonString(QString::fromLatin1(StateName(state)))
        + ", \"error\": " + JsonString(download.m_pError->GetText())
        + ", \"file\": " + JsonString(download.GetLocalFileName())
        + ", \"size\": " + QByteArray::number(uint64_t(download.m_nFileSize))
        + ", \"downloaded\": " + QByteArray::number(download.GetDownloadedSize())
        + ", \"sections\": " + QByteArray::number(sections)
        + ", \"seconds\": " + QByteArray::number(seconds, 'f', 3) + "}\n";
}

QString AbsolutePath(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Throws CInvalidArgException for a folder the download cannot take, and what
// reading a partial file throws.
std::unique_ptr<CDownloadItem> MakeItem(const CBenchOptions& options)
{
    auto item = std::make_unique<CDownloadItem>();
    if (options.m_strPartialFile.isNull())
        item->m_pDownloader = new CHttpDownloader(options.m_strUrl, AbsolutePath(options.m_strFolder), item.get());
    else
        item->m_pDownloader = new CHttpDownloader(AbsolutePath(options.m_strPartialFile), item.get());
    return item;
}

// Starts the download and gives its final state, pausing it first when asked to.
int32_t RunToEnd(CHttpDownloader& download, CFinalNoticeSink& sink, const CBenchOptions& options)
{
    download.Start(false);
    // A worker that could not be created leaves the download idle, with no notice.
    if (download.m_nThreadsRunning == 0)
        return download.m_nState;
    if (options.m_pauseAfter) {
        while (!sink.WaitForFinal(kPausePollInterval)) {
            if (download.GetDownloadedSize() >= *options.m_pauseAfter) {
                download.RequestPause();
                break;
            }
        }
    }
    return sink.WaitForFinal();
}

int Run(const CBenchOptions& options)
{
    std::unique_ptr<CDownloadItem> item;
    try {
        item = MakeItem(options);
    } catch (const CInvalidArgException& error) {
        std::fprintf(stderr, "vandrel-bench: %s\n", error.what());
        return kExitUsage;
    } catch (const CException& error) {
        std::fprintf(stderr, "vandrel-bench: %s\n", qUtf8Printable(error.GetErrorMessage()));
        return kExitOtherState;
    }
    CHttpDownloader& download = *item->m_pDownloader;
    CFinalNoticeSink sink(item->m_nId);
    CDownloadNotifySink::Register(&sink);
    const auto started = std::chrono::steady_clock::now();
    const int32_t state = RunToEnd(download, sink, options);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    const bool quiet = CLiveWorkers::WaitUntilNone(kWorkersLeaveMs);
    std::fputs(Report(download, state, seconds.count()).constData(), stdout);
    std::fflush(stdout);
    const bool done = state == Completed || (state == Paused && options.m_pauseAfter);
    const int code = done ? kExitDone : kExitOtherState;
    // A worker still returning must not find its download, or the sink, freed.
    if (!quiet)
        std::_Exit(code);
    CDownloadNotifySink::Register(nullptr);
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    inet::GlobalInit(); // before any thread: libcurl's set-up, SIGPIPE ignored
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    CBenchOptions options;
    // The factory settings only: the user's settings file is neither read nor written.
    CAppSettings& settings = AppCore().m_settings;
    settings = g_defaultSettings;
    if (!options.Parse(arguments) || !options.ApplySettings(settings)) {
        std::fprintf(stderr, "vandrel-bench: %s\n%s", qUtf8Printable(options.m_strError),
                     qUtf8Printable(CBenchOptions::Usage()));
        return kExitUsage;
    }
    return Run(options);
}

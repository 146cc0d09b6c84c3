#include "ListFixtures.h"
#include "RowsFixture.h"

#include "app/AppDataFile.h"
#include "app/History.h"
#include "app/VandrelCore.h"
#include "engine/HttpDownloader.h"
#include "mainframe/core/ListFiles.h"
#include "platform/Profile.h"
#include "platform/SystemError.h"
#include "support/ProfileFixture.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <functional>

namespace {

const QByteArray kKept = "must stay";

// What a failing step was given and what must outlive it.
struct Failure
{
    QString path;     // the file it could not write or remove
    QString survivor; // a file holding kKept before the step
};

struct Case
{
    const char* name;
    int error; // the errno the system gives for it
    std::function<Failure(TestRows&)> run;
};

void PrintTo(const Case& value, std::ostream* out)
{
    *out << value.name;
}

QString AppDataPath(AppDataFile file)
{
    QString path;
    GetAppDataFilePath(file, path);
    return path;
}

// As root a read-only folder is still writable: a regular file standing where
// the data folder should be makes every write below it fail.
QString BlockDataFolder()
{
    const QString folder = QFileInfo(AppDataPath(AppDataUrlsHistory)).absolutePath();
    QDir().rmdir(folder);
    QFile blocker(folder);
    blocker.open(QIODevice::WriteOnly);
    blocker.write(kKept);
    return folder;
}

const Case kCases[] = {
    {"Autosave", ENOTDIR,
     [](TestRows& rows) {
         AddUrlRows(rows, {QStringLiteral("http://h/a.zip")});
         const QString blocker = BlockDataFolder();
         CListFiles(rows).SaveAutosave();
         EXPECT_EQ(rows.GetItemCount(), 1);
         return Failure{AppDataPath(AppDataDefaultDownloadList), blocker};
     }},
    {"History", ENOTDIR,
     [](TestRows&) {
         const QString blocker = BlockDataFolder();
         CHistory history;
         history.SetCapacity(2);
         history.Add(QStringLiteral("http://h/a.zip"), true);
         const QString path = AppDataPath(AppDataUrlsHistory);
         EXPECT_FALSE(history.Save(path));
         return Failure{path, blocker};
     }},
    {"Settings", ENOTDIR,
     [](TestRows&) {
         const QString blocker = WriteTempFile(QStringLiteral("config-blocker"), kKept);
         qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker));
         AppCore().m_settings.Save();
         return Failure{CProfile::DefaultFilePath(), blocker};
     }},
    {"OwnFileRemoval", EISDIR,
     [](TestRows&) {
         // A folder where the download's file should be cannot be unlinked.
         const QString folder = TempPath(QStringLiteral("downloads"));
         const QString own = folder + QStringLiteral("/a.zip");
         QDir().mkpath(own);
         const QString inside = own + QStringLiteral("/inside");
         WriteTempFile(QStringLiteral("downloads/a.zip/inside"), kKept);
         CHttpDownloader download(u"http://h/a.zip", folder, nullptr);
         download.SetFileTitle(QStringLiteral("a.zip"));
         download.SetLocalFileName(own);
         download.Reset();
         return Failure{own, inside};
     }},
};

// The warnings written while it lives, instead of standard error.
class WarningCapture
{
public:
    WarningCapture() : m_previous(qInstallMessageHandler(Collect)) { s_warnings.clear(); }
    ~WarningCapture() { qInstallMessageHandler(m_previous); }

    const QStringList& warnings() const { return s_warnings; }

private:
    static void Collect(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type == QtWarningMsg)
            s_warnings.append(text);
    }

    static inline QStringList s_warnings;
    QtMessageHandler m_previous;
};

class FailureWarningTest : public RowsFixture, public testing::WithParamInterface<Case>
{
protected:
    ~FailureWarningTest() override
    {
        // The next fixture expects a folder or nothing there.
        if (QFileInfo(DataFolder()).isFile())
            QFile::remove(DataFolder());
    }

    WarningCapture capture;
};

TEST_P(FailureWarningTest, LeavesALineWithTheFileAndTheSystemsReasonAndLosesNothing)
{
    const Failure failure = GetParam().run(rows);
    const QStringList& warnings = capture.warnings();
    ASSERT_EQ(warnings.size(), 1) << warnings.join(u'\n').toStdString();
    const QString& line = warnings.front();
    EXPECT_TRUE(line.contains(u'"' + failure.path + u'"')) << line.toStdString();
    EXPECT_TRUE(line.endsWith(QStringLiteral(": ") + GetSystemErrorText(GetParam().error))) << line.toStdString();
    EXPECT_EQ(ReadFileBytes(failure.survivor), kKept);
}

INSTANTIATE_TEST_SUITE_P(Failures, FailureWarningTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// Nothing to remove is no failure: a download reset before it made its file.
TEST(FailureWarning, ResettingADownloadWithoutItsFileWarnsOfNothing)
{
    const WarningCapture capture;
    CHttpDownloader download(u"http://h/a.zip", TestEnvironment::root(), nullptr);
    download.SetFileTitle(QStringLiteral("a.zip"));
    download.SetLocalFileName(TempPath(QStringLiteral("a.zip")));
    download.Reset();
    EXPECT_TRUE(capture.warnings().isEmpty()) << capture.warnings().join(u'\n').toStdString();
}

} // namespace

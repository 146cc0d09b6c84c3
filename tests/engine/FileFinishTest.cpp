#include "FileFixture.h"

#include "app/VandrelCore.h"
#include "platform/SystemError.h"

#include <QDateTime>
#include <QScopeGuard>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

QString ErrorText(const char* message, int code)
{
    return QString::fromUtf8(message) + u' ' + GetSystemErrorText(code) + QStringLiteral(" (%1)").arg(code);
}

// Sets or clears the immutable flag of a folder; false where the file system
// or the user's rights do not allow it.
bool SetImmutable(const QString& folder, bool on)
{
    const int fd = open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return done;
}

class GetFileDateTimeFromServer
{
public:
    explicit GetFileDateTimeFromServer(int32_t value)
    {
        SettingStore(AppCore().m_settings.GetFileDateTimeFromServer, value);
    }
    ~GetFileDateTimeFromServer() { SettingStore(AppCore().m_settings.GetFileDateTimeFromServer, m_previous); }

private:
    int32_t m_previous = SettingLoad(AppCore().m_settings.GetFileDateTimeFromServer);
};

} // namespace

class Finish : public FileFixture
{
protected:
    // A download of title whose data have all arrived in its partial file.
    std::unique_ptr<Row> Transferred(const QString& title, bool resumable)
    {
        auto row = Prepared(title, 1000, resumable);
        const QString partial = path("dl/" + title + ".vrldownload");
        EXPECT_TRUE(WritePartialFile(partial, 1000, resumable ? WorkedExampleStub() : QByteArray()));
        row->download.SetLocalFileName(partial);
        return row;
    }
};

TEST_F(Finish, CutsTheStubAndRenames)
{
    for (bool resumable : {true, false}) {
        SCOPED_TRACE(resumable);
        auto row = Transferred("a.zip", resumable);
        const ino_t inode = LinkStatus(row->download.GetLocalFileName()).st_ino;
        row->download.m_pError->SetError(TextId::TransferFailed, u"old");
        ASSERT_EQ(row->download.Finish(), StepOk);
        EXPECT_EQ(row->download.GetLocalFileName(), path("dl/a.zip"));
        EXPECT_EQ(ReadAll(path("dl/a.zip")), QByteArray(1000, 'd'));
        EXPECT_EQ(LinkStatus(path("dl/a.zip")).st_ino, inode);
        EXPECT_FALSE(QFileInfo::exists(path("dl/a.zip.vrldownload")));
        EXPECT_EQ(row->download.m_pError->m_nErrorCounter, 0);
        ASSERT_TRUE(QFile::remove(path("dl/a.zip")));
    }
}

TEST_F(Finish, NeverReplacesAnExistingFile)
{
    struct Case
    {
        const char* title;
        QStringList taken;
        const char* finalName;
    };
    const Case cases[] = {
        {"a.zip", {"a.zip"}, "a(1).zip"},
        {"a.zip", {"a.zip", "a(1).zip"}, "a(2).zip"},
        {"a.tar.gz", {"a.tar.gz"}, "a.tar(1).gz"},
        {"README", {"README"}, "README(1)"},
        {".profile", {".profile"}, "(1).profile"},
        {"b.zip", {"@b.zip"}, "b(1).zip"}, // "@": a dangling link to other/victim
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ASSERT_TRUE(QDir(path("dl")).removeRecursively() && QDir().mkpath(path("dl")));
        for (const QString& name : c.taken) {
            if (name.startsWith(u'@'))
                ASSERT_TRUE(QFile::link(path("other/victim"), path("dl/" + name.mid(1))));
            else
                ASSERT_TRUE(WriteAll(path("dl/" + name), name.toUtf8()));
        }
        auto row = Transferred(c.title, true);
        ASSERT_EQ(row->download.Finish(), StepOk);
        EXPECT_EQ(row->download.GetLocalFileName(), path("dl/") + c.finalName);
        EXPECT_EQ(ReadAll(path("dl/") + c.finalName), QByteArray(1000, 'd'));
        for (const QString& name : c.taken) {
            if (name.startsWith(u'@'))
                EXPECT_TRUE(S_ISLNK(LinkStatus(path("dl/" + name.mid(1))).st_mode));
            else
                EXPECT_EQ(ReadAll(path("dl/" + name)), name.toUtf8());
        }
        EXPECT_FALSE(QFileInfo::exists(path("other/victim")));
    }
}

TEST_F(Finish, StampsTheServersTime)
{
    struct Case
    {
        int32_t setting;
        SYSTEMTIME lastModified;
        int64_t expected; // 0: the finishing time
    };
    const Case cases[] = {
        {1, {2024, 1, 2, 2, 3, 4, 5, 0}, 1704164645},
        {0, {2024, 1, 2, 2, 3, 4, 5, 0}, 0},
        {1, {}, 0},
        {1, {2024, 2, 5, 30, 0, 0, 0, 0}, 0}, // 30 February does not convert
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const GetFileDateTimeFromServer setting(c.setting);
        auto row = Transferred("a.zip", true);
        row->download.SetLastModified(c.lastModified);
        ASSERT_EQ(row->download.Finish(), StepOk);
        const struct stat status = LinkStatus(path("dl/a.zip"));
        if (c.expected) {
            EXPECT_EQ(status.st_mtime, c.expected);
            EXPECT_EQ(status.st_atime, c.expected);
        } else {
            EXPECT_LE(std::abs(status.st_mtime - QDateTime::currentSecsSinceEpoch()), 2);
        }
        ASSERT_TRUE(QFile::remove(path("dl/a.zip")));
    }
}

TEST_F(Finish, RefusesNamesItCannotUse)
{
    ASSERT_TRUE(WritePartialFile(path("other/target"), 1000, WorkedExampleStub()));
    ASSERT_TRUE(QFile::link(path("other/target"), path("dl/link.vrldownload")));
    struct Case
    {
        const char* name;
        const char* folder; // null: the download's own
        const char* title;
        const char* localFile;
        int error;
    };
    const Case cases[] = {
        {"relative folder", "dl", "a.zip", "dl/a.zip.vrldownload", EINVAL},
        {"empty folder", "", "a.zip", "dl/a.zip.vrldownload", EINVAL},
        {"empty title", nullptr, "", "dl/a.zip.vrldownload", EINVAL},
        {"no partial file named", nullptr, "a.zip", "", EINVAL},
        {"partial file gone", nullptr, "a.zip", "dl/gone.vrldownload", ENOENT},
        {"partial file a link", nullptr, "a.zip", "dl/link.vrldownload", ELOOP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto row = Transferred("a.zip", true);
        if (c.folder)
            row->download.m_strDownloadLocation = c.folder;
        row->download.SetFileTitle(c.title);
        row->download.SetLocalFileName(*c.localFile ? path(c.localFile) : QString());
        EXPECT_EQ(row->download.Finish(), StepFailed);
        EXPECT_EQ(row->download.m_pError->GetText(), ErrorText("创建文件失败。", c.error));
        EXPECT_EQ(QFileInfo(path("dl/a.zip.vrldownload")).size(), 5412);
        EXPECT_EQ(QFileInfo(path("other/target")).size(), 5412);
        EXPECT_FALSE(QFileInfo::exists(path("dl/a.zip")));
    }
}

// The rename can fail after the stub was cut: the data stay, and the next try
// only renames.
TEST_F(Finish, KeepsTheCutFileWhenTheRenameFails)
{
    auto row = Transferred("a.zip", true);
    if (!SetImmutable(path("dl"), true))
        GTEST_SKIP() << "no immutable folders here";
    const StepResult result = row->download.Finish();
    SetImmutable(path("dl"), false);

    EXPECT_EQ(result, StepFailed);
    EXPECT_EQ(row->download.m_pError->GetText(), ErrorText("重命名文件失败。", EPERM));
    EXPECT_EQ(row->download.GetLocalFileName(), path("dl/a.zip.vrldownload"));
    EXPECT_EQ(ReadAll(path("dl/a.zip.vrldownload")), QByteArray(1000, 'd'));

    ASSERT_EQ(row->download.Finish(), StepOk);
    EXPECT_EQ(ReadAll(path("dl/a.zip")), QByteArray(1000, 'd'));
}

// The stub holds the URL with any password or token in it: the partial file is
// the user's alone, and only the finished file gets the mode any new file gets.
TEST_F(Finish, ThePartialFileIsTheUsersAloneUntilFinished)
{
    const auto fileMode = [](const QString& file) { return LinkStatus(file).st_mode & 07777; };
    const struct
    {
        mode_t umask;
        mode_t finished;
    } cases[] = {{022, 0644}, {077, 0600}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "umask " << std::oct << c.umask);
        const mode_t before = ::umask(c.umask);
        const auto restore = qScopeGuard([before] { ::umask(before); });
        ASSERT_TRUE(QDir(path("dl")).removeRecursively() && QDir().mkpath(path("dl")));
        auto row = Prepared("a.zip", 1000, true);
        ASSERT_EQ(row->download.AllocateFile(), StepOk);
        EXPECT_EQ(fileMode(row->download.GetLocalFileName()), 0600u);
        ASSERT_EQ(row->download.Finish(), StepOk);
        EXPECT_EQ(fileMode(path("dl/a.zip")), c.finished);

        // A partial file that an older run left readable to others is closed to them.
        const QString kept = path("dl/b.zip.vrldownload");
        ASSERT_TRUE(WriteAll(kept, "old") && QFile::setPermissions(kept, QFile::ReadOwner | QFile::WriteOwner
                                                                            | QFile::ReadGroup | QFile::ReadOther));
        auto again = Prepared("b.zip", 1000, true);
        again->download.SetLocalFileName(kept);
        ASSERT_EQ(again->download.AllocateFile(), StepOk);
        EXPECT_EQ(again->download.GetLocalFileName(), kept);
        EXPECT_EQ(fileMode(kept), 0600u);
    }
}

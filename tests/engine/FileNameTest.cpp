// The names downloads are saved under, through the whole engine against nginx
// and the fault server: as a person reads them, with their extension, and never
// anywhere but in the download's folder, whatever the URL, the server or a
// download list says.
#include "NginxRunFixture.h"
#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"

#include <QBuffer>
#include <QDirIterator>

namespace {

using Request = FaultServer::Request;

constexpr qsizetype kKiB = 1024;
const QString kReport = u"报告-2024年度.pdf"_qs;
const QString kReportPath = u"/%E6%8A%A5%E5%91%8A-2024%E5%B9%B4%E5%BA%A6.pdf"_qs;
const QString kTarball = u"setup-1.2.tar.gz"_qs;
const QString kLongEscapedStem = u"%E6%8A%A5%E5%91%8A"_qs.repeated(38); // 报告 38 times
const QString kLongStem = u"报告"_qs.repeated(38);

// Content-Disposition values the fault server sends, by path.
const std::pair<QByteArray, QByteArray> kDispositions[] = {
    {"/cd/alone", "attachment; filename*=UTF-8''%E4%B8%AD%E6%96%87.bin"},
    {"/cd/both", "attachment; filename=\"plain.bin\"; filename*=UTF-8''%E6%8A%A5%E5%91%8A.pdf"},
    {"/cd/malformed", "attachment; filename*=UTF-8''%E4%B8; filename=\"fallback.bin\""},
    {"/cd/latin", "attachment; filename*=ISO-8859-1''r%E9sum%E9.pdf"},
    {"/cd/escape", "attachment; filename*=UTF-8''%2E%2E%2F%2E%2E%2Fescape.sh"},
};

struct NameCase
{
    const char* what;
    QString url;
    QString saved;
    bool engineFollows = false; // HandleRedirectInternally
};

} // namespace

class FileNameTest : public NginxRunFixture
{
protected:
    static void SetUpTestSuite()
    {
        StartNginx([](NginxServer& nginx) {
            nginx.addLocation(u"location = /get { return 302 /files/%1; }"_qs.arg(kTarball));
            nginx.addLocation(u"location = /r { return 301 /r2; }"_qs);
            nginx.addLocation(u"location = /r2 { return 307 /files/%1; }"_qs.arg(kTarball));
            nginx.addLocation(u"location = /serve { add_header Content-Disposition "
                              "\"inline; filename=\\\"??.bin\\\"; filename*=UTF-8''%E4%B8%AD%E6%96%87.bin\"; "
                              "try_files /files/%1 =404; }"_qs.arg(kTarball));
            nginx.addLocation(u"location /slow/ { limit_rate 4m; }"_qs);
        });
        if (!s_started)
            return;
        s_nginx->putFile(kReport, body());
        s_nginx->putFile(kLongStem + u".tar.gz"_qs, body());
        s_nginx->putFile(u"files/"_qs + kTarball, body());
        s_nginx->putFile(u"slow/list.bin"_qs, pattern(2 * kKiB * kKiB));
    }

    static QByteArray body() { return pattern(64 * kKiB); }

    // The download folder, two levels down in a fence that shows where an
    // escaping "../" would have put a file.
    static QString fence() { return TestEnvironment::root() + u"/fence"_qs; }
    static QString fencedFolder() { return fence() + u"/in/dl"_qs; }

    void SetUp() override
    {
        NginxRunFixture::SetUp();
        QDir(fence()).removeRecursively();
    }

    static ItemPtr makeFencedItem(const QString& url)
    {
        ItemPtr item(new CDownloadItem);
        item->m_pDownloader = new CHttpDownloader(url, fencedFolder(), item.get());
        return item;
    }

    // Every file under the fence, relative to it.
    static QStringList fencedFiles()
    {
        QStringList files;
        QDirIterator it(fence(), QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(QDir(fence()).relativeFilePath(it.next()));
        return files;
    }

    // The download completed as one file of that name in its folder, with the
    // whole body, and nothing else under the fence.
    static void expectSavedAs(const CHttpDownloader& download, const QString& saved, const QByteArray& content)
    {
        EXPECT_EQ(download.GetFileTitle(), saved);
        EXPECT_EQ(download.GetLocalFileName(), fencedFolder() + u'/' + saved);
        EXPECT_EQ(fencedFiles(), QStringList{u"in/dl/"_qs + saved});
        EXPECT_LE(saved.toUtf8().size(), 255);
        EXPECT_TRUE(readFile(fencedFolder() + u'/' + saved) == content);
    }

    static void runNames(const std::vector<NameCase>& cases)
    {
        for (const NameCase& c : cases) {
            SCOPED_TRACE(c.what);
            QDir(fence()).removeRecursively();
            set(&CAppSettingsBase::HandleRedirectInternally, c.engineFollows ? 1 : 0);
            const auto item = makeFencedItem(c.url);
            ASSERT_EQ(runToEnd(*item), Completed) << item->m_pDownloader->m_pError->GetText().toStdString();
            expectSavedAs(*item->m_pDownloader, c.saved, body());
        }
    }

    // The download as a list holds it, read back as the list loader does.
    static ItemPtr throughList(const CHttpDownloader& download)
    {
        BinaryWriter writer;
        download.Serialize(writer);
        QByteArray bytes = writer.data();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        BinaryReader reader(&buffer);
        ItemPtr item(new CDownloadItem);
        item->m_pDownloader = new CHttpDownloader(reader, item.get());
        return item;
    }
};

TEST_F(FileNameTest, NamesFromTheUrlAsAPersonReadsThem)
{
    FaultServer server([](const Request& request) { return rangedAnswer(request, body()); });
    const QString invalidLong = u"%FF"_qs.repeated(233) + u".tar.gz"_qs;
    runNames({
        {"Chinese escapes", s_nginx->url(kReportPath), kReport},
        {"escaped name of 691 units", s_nginx->url(u'/' + kLongEscapedStem + u".tar.gz"_qs),
         u"报告"_qs.repeated(37) + u".tar.gz"_qs},
        {"escaped separator", server.url(u"/a%2Fb%5Cc.bin"_qs), u"a%2Fb_c.bin"_qs},
        {"escaped NUL and line feed", server.url(u"/a%00b%0A.bin"_qs), u"a%00b%0A.bin"_qs},
        {"escapes that are no UTF-8", server.url(u"/%E6%8A%A5%FF%E5.bin"_qs), u"报%FF%E5.bin"_qs},
        {"escaped dots", server.url(u"/%2E%2E"_qs), u"Untitled"_qs},
        {"no UTF-8, 706 units", server.url(u'/' + invalidLong), u"%FF"_qs.repeated(74) + u"%.tar.gz"_qs},
    });
}

// Signed redirect targets expire, so the sections ask for the URL as entered
// when the layer follows; the name is still the target's.
TEST_F(FileNameTest, RedirectedDownloadsAreNamedAfterTheirTarget)
{
    runNames({
        {"followed by the layer", s_nginx->url(u"/get?id=5"_qs), kTarball},
        {"two hops followed by the layer", s_nginx->url(u"/r"_qs), kTarball},
        {"followed by the engine", s_nginx->url(u"/get?id=6"_qs), kTarball, true},
    });
    EXPECT_EQ(s_nginx->accessLogFor(u"/r"_qs, 2).size(), 2);
    EXPECT_EQ(s_nginx->accessLogFor(u"/get?id=6"_qs).size(), 1);
}

TEST_F(FileNameTest, NamesFromContentDisposition)
{
    FaultServer server([](const Request& request) {
        for (const auto& [path, disposition] : kDispositions) {
            if (request.target == path)
                return rangedAnswer(request, body(), "Content-Disposition: " + disposition + "\r\n");
        }
        return rangedAnswer(request, body());
    });
    runNames({
        {"filename* and filename from nginx", s_nginx->url(u"/serve"_qs), u"中文.bin"_qs},
        {"filename* alone", server.url(u"/cd/alone"_qs), u"中文.bin"_qs},
        {"filename* before filename", server.url(u"/cd/both"_qs), u"报告.pdf"_qs},
        {"malformed filename*", server.url(u"/cd/malformed"_qs), u"fallback.bin"_qs},
        {"ISO-8859-1", server.url(u"/cd/latin"_qs), u"résumé.pdf"_qs},
        {"escaped ../", server.url(u"/cd/escape"_qs), u".._.._escape.sh"_qs},
    });
}

// A damaged or crafted list must not lead a download's files out of its
// folder: not when it is prepared anew, nor when a paused one is finished.
TEST_F(FileNameTest, ListedNamesStayInTheFolder)
{
    {
        SCOPED_TRACE("to be prepared");
        const auto listed = makeFencedItem(s_nginx->url(kReportPath));
        listed->m_pDownloader->SetFileTitle(u"../../escape.bin"_qs);
        const auto item = throughList(*listed->m_pDownloader);
        ASSERT_EQ(runToEnd(*item), Completed) << item->m_pDownloader->m_pError->GetText().toStdString();
        expectSavedAs(*item->m_pDownloader, u".._.._escape.bin"_qs, body());
    }
    {
        SCOPED_TRACE("paused");
        QDir(fence()).removeRecursively();
        const QByteArray content = pattern(2 * kKiB * kKiB);
        const auto first = makeFencedItem(s_nginx->url(u"/slow/list.bin"_qs));
        CHttpDownloader& paused = *first->m_pDownloader;
        sink().clear(&paused);
        paused.Start(false);
        ASSERT_TRUE(waitFor([&] { return paused.GetDownloadedSize() >= uint64_t(256 * kKiB); }));
        paused.RequestPause();
        ASSERT_EQ(sink().waitForFinal(first->m_nId, kRunWaitMs), Paused);
        paused.SetFileTitle(u"/../../escape.bin"_qs);

        const auto item = throughList(paused);
        CHttpDownloader& resumed = *item->m_pDownloader;
        EXPECT_EQ(resumed.m_nState, Paused);
        EXPECT_EQ(resumed.GetLocalFileName(), fencedFolder() + u"/list.bin.vrldownload"_qs);
        ASSERT_EQ(runToEnd(*item), Completed) << resumed.m_pError->GetText().toStdString();
        expectSavedAs(resumed, u"_.._.._escape.bin"_qs, content);
    }
}

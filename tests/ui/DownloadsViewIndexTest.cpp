#include "UiFixture.h"

#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/CaseFold.h"
#include "support/NginxServer.h"
#include "support/QStringPrinter.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <thread>

namespace {

// The list answers "is it there already" and "which row has this id" from its
// indexes: the answers must stay those of a walk over the rows, whoever
// changed the texts and on whichever thread.
class DownloadsViewIndexTest : public UiFixture
{
protected:
    DownloadsViewIndexTest() : view(commands) {}

    CDownloadItem* Add(const QString& url, const QString& folder = QStringLiteral("/downloads"))
    {
        auto* item = new CDownloadItem;
        item->m_pDownloader = new CHttpDownloader(url, folder, item);
        view.AddItem(item);
        return item;
    }
    bool HasUrl(const QString& url) const { return view.FindItem(url, {}, {}); }
    bool HasDownloadUrl(const QString& url) const { return view.FindItem({}, url, {}); }
    bool HasPath(const QString& path) const { return view.FindItem({}, {}, path); }

    CCommandTable commands;
    CDownloadsView view;
};

TEST_F(DownloadsViewIndexTest, MatchesAndOrdersExactlyAsACaseInsensitiveComparison)
{
    struct Case
    {
        const char16_t* stored;
        const char16_t* wanted;
    };
    const Case cases[] = {
        {u"http://h/Straße", u"http://h/STRASSE"},  // no full folding: different
        {u"http://h/Straße", u"http://h/STRAßE"},
        {u"http://h/ΣΊΣΥΦΟΣ", u"http://h/σίσυφος"}, // final and other sigma
        {u"http://h/İ", u"http://h/i"},
        {u"http://h/\u212A", u"http://h/k"},        // Kelvin sign
        {u"http://h/\U00010400", u"http://h/\U00010428"}, // Deseret, beyond the BMP
        {u"http://h/\u01C5", u"http://h/\u01C4"},   // title case digraph
        {u"http://h/下载", u"http://h/下载"},
        {u"http://h/下载", u"http://h/下載"},
        {u"http://h/a", u"http://h/a/"},
        {u"http://h/_x", u"http://h/Ax"}, // folded, "_" sorts before "a", unfolded after "A"
        {u"http://h/b", u"http://h/A"},
    };
    for (const Case& c : cases) {
        const QString stored = QString::fromUtf16(c.stored);
        const QString wanted = QString::fromUtf16(c.wanted);
        SCOPED_TRACE(wanted.toStdString());
        Add(stored);
        EXPECT_EQ(HasUrl(wanted), QString::compare(stored, wanted, Qt::CaseInsensitive) == 0);
        const int ignoringCase = QString::compare(stored, wanted, Qt::CaseInsensitive);
        const int folded = QString::compare(CaseFolded(stored), CaseFolded(wanted), Qt::CaseSensitive);
        EXPECT_EQ(folded < 0, ignoringCase < 0);
        EXPECT_EQ(folded == 0, ignoringCase == 0);
        view.RemoveItem(0, false);
    }
}

TEST_F(DownloadsViewIndexTest, FollowsRowsAndTextsAsTheyComeChangeAndGo)
{
    CDownloadItem* first = Add(QStringLiteral("http://h/first.zip"));
    CDownloadItem* second = Add(QStringLiteral("http://h/second.zip"));
    second->m_pDownloader->SetDownloadUrl(QStringLiteral("http://mirror/second.zip"));
    second->m_pDownloader->SetLocalFileName(QStringLiteral("/downloads/second.zip"));
    EXPECT_TRUE(HasDownloadUrl(QStringLiteral("HTTP://mirror/second.zip")));
    EXPECT_TRUE(HasPath(QStringLiteral("/downloads/SECOND.zip")));
    EXPECT_EQ(view.FindItemById(second->m_nId), second);

    // A dialog changed the URL as entered and said so.
    first->m_pDownloader->m_strUrl = QStringLiteral("http://h/renamed.zip");
    view.RefreshItemKeys(first);
    EXPECT_FALSE(HasUrl(QStringLiteral("http://h/first.zip")));
    EXPECT_TRUE(HasUrl(QStringLiteral("http://h/RENAMED.zip")));

    // Two rows share a text: it stays found until the last of them goes.
    Add(QStringLiteral("http://h/renamed.zip"));
    const uint64_t firstId = first->m_nId;
    view.RemoveItem(0, false);
    EXPECT_TRUE(HasUrl(QStringLiteral("http://h/renamed.zip")));
    EXPECT_EQ(view.FindItemById(firstId), nullptr);

    // A reset forgets the download URL and the file.
    second->m_pDownloader->Reset();
    EXPECT_FALSE(HasDownloadUrl(QStringLiteral("http://mirror/second.zip")));
    EXPECT_FALSE(HasPath(QStringLiteral("/downloads/second.zip")));
    EXPECT_TRUE(HasUrl(QStringLiteral("http://h/second.zip")));

    // A row taken out without RemoveItem is gone from the answers too.
    view.DeleteItem(0);
    EXPECT_FALSE(HasUrl(QStringLiteral("http://h/second.zip")));
    EXPECT_EQ(view.FindItemById(second->m_nId), nullptr);
    view.m_listItems.erase(second->m_pos);
    delete second;
    view.DeleteAllItems();
    EXPECT_FALSE(HasUrl(QStringLiteral("http://h/renamed.zip")));
}

TEST_F(DownloadsViewIndexTest, AChangeOnAWorkerThreadIsSeenByTheNextLookup)
{
    CDownloadItem* item = Add(QStringLiteral("http://h/a.zip"));
    std::thread worker([item] {
        item->m_pDownloader->SetDownloadUrl(QStringLiteral("http://mirror/a.zip"));
        item->m_pDownloader->SetLocalFileName(QStringLiteral("/downloads/a.zip.vrldownload"));
    });
    worker.join();
    // No event was processed in between.
    EXPECT_TRUE(HasDownloadUrl(QStringLiteral("http://mirror/A.zip")));
    EXPECT_TRUE(HasPath(QStringLiteral("/downloads/a.zip.vrldownload")));

    std::thread mover([item] { item->m_pDownloader->SetLocalFileName(QStringLiteral("/downloads/a.zip")); });
    mover.join();
    EXPECT_FALSE(HasPath(QStringLiteral("/downloads/a.zip.vrldownload")));
    EXPECT_TRUE(HasPath(QStringLiteral("/downloads/a.zip")));
}

TEST_F(DownloadsViewIndexTest, TheTextsARealRunLearnsAndRenamesAreFound)
{
    NginxServer nginx;
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    nginx.putFile(QStringLiteral("real.bin"), QByteArray(64 * 1024, 'r'));
    const QString folder = TestEnvironment::root() + QStringLiteral("/index-run");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString url = nginx.url(QStringLiteral("/real.bin"));
    CDownloadItem* item = Add(url, folder);
    CHttpDownloader& download = *item->m_pDownloader;
    ASSERT_TRUE(download.GetDownloadUrl().isEmpty());
    EXPECT_FALSE(HasDownloadUrl(url));

    // The worker learns the download URL, writes the partial file and renames it.
    download.Start(false);
    ASSERT_TRUE(WaitFor([&download] { return !download.m_bIsRunning; }));
    ASSERT_EQ(int(download.m_nState), int(Completed)) << download.m_pError->GetText().toStdString();
    const QString file = download.GetLocalFileName();
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_TRUE(HasDownloadUrl(url.toUpper()));
    EXPECT_TRUE(HasPath(file.toUpper()));
    EXPECT_FALSE(HasPath(file + QStringLiteral(".vrldownload")));
    EXPECT_TRUE(HasUrl(url));
}

} // namespace

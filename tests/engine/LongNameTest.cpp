// Names longer than a file system takes are saved shortened, with their
// extension, from the URL and from Content-Disposition alike.
#include "RunFixture.h"

namespace {

using Request = FaultServer::Request;

constexpr qsizetype kMaxNameBytes = 255;

} // namespace

using LongNameTest = RunFixture;

TEST_F(LongNameTest, LongNamesKeepTheirExtension)
{
    const QByteArray body = pattern(1 << 20);
    const QString latin = QString(250, u'a') + u".bin"_qs;   // 254 bytes
    const QString chinese = QString(80, u'文') + u".zip"_qs; // 244 bytes
    struct Case
    {
        const char* name;
        QString path;
        QByteArray disposition;
        QString saved;
    };
    const Case cases[] = {
        {"Latin name in the URL", u'/' + latin, {}, QString(226, u'a') + u".bin"_qs},
        {"Chinese name in the URL", u'/' + chinese, {}, QString(75, u'文') + u".zip"_qs},
        {"Chinese name in Content-Disposition", u"/get?id=7"_qs,
         "Content-Disposition: attachment; filename=\"" + chinese.toUtf8() + "\"\r\n", QString(75, u'文') + u".zip"_qs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder()).removeRecursively();
        FaultServer server([&](const Request& request) { return rangedAnswer(request, body, c.disposition); });
        const auto item = makeItem(server.url(c.path));
        CHttpDownloader& download = *item->m_pDownloader;

        ASSERT_EQ(runToEnd(*item), Completed) << download.m_pError->GetText().toStdString();
        const QString saved = QFileInfo(download.GetLocalFileName()).fileName();
        EXPECT_EQ(saved, c.saved);
        EXPECT_LE(saved.toUtf8().size(), kMaxNameBytes);
        EXPECT_EQ(folderEntries(), QStringList{saved});
        EXPECT_TRUE(readFile(download.GetLocalFileName()) == body);
    }
}

#include "ControlLookup.h"
#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "dialogs/FixedDownloadDialog.h"
#include "dialogs/FixedDownloadGeneralPage.h"
#include "dialogs/TabSheet.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "support/NginxServer.h"
#include "support/QStringPrinter.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QLineEdit>

namespace {

constexpr int kFileNameId = 1044;
constexpr int kPropertiesGeneralTab = 1;
const QString kName = QStringLiteral("报告-2024年度.pdf");
const QString kEscapedPath = QStringLiteral("/%E6%8A%A5%E5%91%8A-2024%E5%B9%B4%E5%BA%A6.pdf");

// A file whose URL carries its Chinese name escaped is shown by that name
// wherever the window names it, once the real engine has fetched it from nginx.
class DownloadNamesTest : public UiFixture
{
protected:
    DownloadNamesTest()
    {
        started = nginx.start();
        frame = new CMainFrame;
        frame->Create();
    }
    ~DownloadNamesTest() override
    {
        frame->Commands().Dispatch(ID_PAUSE_ALL);
        EXPECT_TRUE(WaitFor([this] { return !item || !item->m_pDownloader->m_bIsRunning; }));
        delete frame;
    }

    NginxServer nginx;
    bool started = false;
    CMainFrame* frame;
    CDownloadItem* item = nullptr;
};

} // namespace

TEST_F(DownloadNamesTest, DownloadsAreShownByTheirDecodedNames)
{
    ASSERT_TRUE(started) << nginx.errorText().toStdString();
    nginx.putFile(kName, QByteArray(4096, 'r'));
    SettingStore(AppCore().m_settings.NotifyComplete, 1);
    SettingStore(AppCore().m_settings.NotifyAllComplete, 0);
    const QString folder = TestEnvironment::root() + QStringLiteral("/dl");
    QDir().mkpath(folder);
    item = new CDownloadItem;
    item->m_pDownloader = new CHttpDownloader(nginx.url(kEscapedPath), folder, item);
    frame->View()->AddItem(item);

    ASSERT_TRUE(frame->Commands().Dispatch(ID_START_ALL));
    ASSERT_TRUE(WaitFor([&] { return !notifier.balloons.isEmpty(); }));
    EXPECT_EQ(item->m_pDownloader->m_nState, Completed);
    EXPECT_TRUE(QFile::exists(folder + u'/' + kName));
    EXPECT_EQ(notifier.balloons, QStringList{QStringLiteral("下载已完成|") + kName});
    EXPECT_EQ(frame->View()->model()->index(0, CDownloadsView::ColumnFileName).data().toString(), kName);

    frame->View()->selectionModel()->select(frame->View()->model()->index(0, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(frame->Commands().Dispatch(ID_DOWNLOAD_PROPERTIES));
    auto* dialog = qobject_cast<CFixedDownloadDialog*>(item->Dialog());
    ASSERT_TRUE(dialog);
    dialog->Tabs()->setCurrentIndex(kPropertiesGeneralTab);
    EXPECT_EQ(FindControl<QLineEdit>(dialog->m_pFixedGeneralPage, kFileNameId)->text(), kName);
    dialog->close();
}

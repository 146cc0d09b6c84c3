#include "UiFixture.h"

#include "dialogs/ChecksumDialog.h"
#include "dialogs/DebugDialog.h"
#include "dialogs/DebugListCtrl.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "support/QStringPrinter.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTimer>

namespace {

class MainFrameToolsTest : public UiFixture
{
protected:
    MainFrameToolsTest()
    {
        frame = new CMainFrame;
        frame->Create();
    }
    ~MainFrameToolsTest() override { delete frame; }

    CDownloadItem* addCompleted(const QString& path)
    {
        CDownloadItem* item = AddRow(*frame, false);
        item->m_pDownloader->m_nState = Completed;
        item->m_pDownloader->SetLocalFileName(path);
        return item;
    }

    void select(std::initializer_list<int> rows)
    {
        QItemSelectionModel* selection = frame->View()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(frame->View()->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    bool enabled(int id) const { return frame->Commands().Query(id).enabled; }

    // Runs the command; `inside` sees the modal widget it opened, which is then closed.
    void dispatchModal(int id, const std::function<void(QWidget*)>& inside)
    {
        QTimer::singleShot(0, frame, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            inside(modal);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        });
        EXPECT_TRUE(frame->Commands().Dispatch(id));
    }

    CMainFrame* frame;
};

} // namespace

TEST_F(MainFrameToolsTest, ChecksumIsForExactlyOneCompletedRow)
{
    EXPECT_FALSE(enabled(ID_DOWNLOAD_CHECKSUM));
    addCompleted(QStringLiteral("/tmp/a.bin"));
    addCompleted(QStringLiteral("/tmp/b.bin"));
    AddRow(*frame, false);
    select({2});
    EXPECT_FALSE(enabled(ID_DOWNLOAD_CHECKSUM));
    select({0, 1});
    EXPECT_FALSE(enabled(ID_DOWNLOAD_CHECKSUM));
    select({1});
    EXPECT_TRUE(enabled(ID_DOWNLOAD_CHECKSUM));
    dispatchModal(ID_DOWNLOAD_CHECKSUM, [&](QWidget* modal) {
        EXPECT_EQ(modal, frame->m_dlgChecksum);
        EXPECT_EQ(frame->m_dlgChecksum->findChild<QLineEdit*>(QStringLiteral("ctl1044"))->text(),
                  QStringLiteral("/tmp/b.bin"));
        // Already open: a second command does nothing.
        frame->OnDownloadChecksum();
    });
    EXPECT_FALSE(frame->m_dlgChecksum->isVisible());
}

TEST_F(MainFrameToolsTest, HistoryOpensModallyOverTheFrame)
{
    EXPECT_TRUE(enabled(ID_HISTORY));
    dispatchModal(ID_HISTORY, [&](QWidget* modal) {
        ASSERT_NE(modal, nullptr);
        EXPECT_EQ(modal->objectName(), QStringLiteral("HistoryDialog"));
        EXPECT_EQ(modal->parentWidget(), frame);
    });
}

TEST_F(MainFrameToolsTest, DebugOpensAModelessInspectorOfTheFirstSelectedRow)
{
    EXPECT_TRUE(frame->Commands().Dispatch(ID_DEBUG)); // no row selected: nothing
    EXPECT_TRUE(frame->findChildren<CDebugDialog*>().isEmpty());
    AddRow(*frame, false);
    AddRow(*frame, false)->SetQueued(true);
    select({1});
    EXPECT_TRUE(frame->Commands().Dispatch(ID_DEBUG));
    const QList<CDebugDialog*> inspectors = frame->findChildren<CDebugDialog*>();
    ASSERT_EQ(inspectors.size(), 1);
    EXPECT_TRUE(inspectors[0]->isVisible());
    EXPECT_FALSE(inspectors[0]->isModal());
    EXPECT_EQ(inspectors[0]->List()->topLevelItem(0)->text(1), QStringLiteral("1"));
}

#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "app/gui/TrayIcon.h"
#include "mainframe/CommandIds.h"
#include "mainframe/MainFrame.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPointer>

namespace {

class TrayIconTest : public UiFixture
{
protected:
    TrayIconTest()
    {
        frame = new CMainFrame;
        frame->Create();
    }
    ~TrayIconTest() override { delete frame; }

    void Activate(TrayEvent event) { emit tray.Activated(event, QPoint(40, 40)); }

    QPointer<CMainFrame> frame;
};

TEST_F(TrayIconTest, TheMenuHoldsItsCommandsInOrderWithOpenAsTheDefault)
{
    QMenu* menu = frame->TrayMenu();
    ASSERT_TRUE(menu);
    QList<int> ids;
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        ids << (action->isSeparator() ? 0 : action->data().toInt());
        texts << action->text();
    }
    EXPECT_EQ(ids, (QList<int>{ID_TRAY_OPEN, ID_DOWNLOAD_ADD, 0, ID_START_ALL, ID_PAUSE_ALL, 0, ID_URL_MONITOR,
                               ID_OPTIONS, 0, ID_APP_EXIT}));
    EXPECT_EQ(texts[0], QStringLiteral("打开(&O)"));
    EXPECT_EQ(texts[1], QStringLiteral("添加下载(&A)..."));
    EXPECT_EQ(texts[9], QStringLiteral("退出(&X)"));
    EXPECT_EQ(menu->defaultAction(), menu->actions()[0]);
}

TEST_F(TrayIconTest, ASingleClickDoesNothingAndTheRightClickOpensTheMenu)
{
    Activate(TrayEvent::Select);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(frame->TrayMenu()->isVisible());
    Activate(TrayEvent::ContextMenu);
    EXPECT_TRUE(frame->TrayMenu()->isVisible());
    EXPECT_FALSE(frame->isVisible());
    frame->TrayMenu()->hide();
}

TEST_F(TrayIconTest, DoubleClickAndOpenShowTheHiddenWindowNormalWithItsDialogs)
{
    SettingStore(AppCore().m_settings.MinimizeToTray, 1);
    auto* dialog = new QDialog(frame);
    frame->showMaximized();
    dialog->show();
    frame->OnClose(); // into the tray, its dialog with it
    ASSERT_FALSE(frame->isVisible());
    ASSERT_FALSE(dialog->isVisible());

    Activate(TrayEvent::DoubleClick);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(frame->isMaximized());
    EXPECT_TRUE(dialog->isVisible());

    frame->hide();
    frame->TrayMenu()->actions()[0]->trigger();
    EXPECT_TRUE(frame->isVisible());
}

} // namespace

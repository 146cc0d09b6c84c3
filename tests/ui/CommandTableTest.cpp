#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QTest>
#include <QTreeView>

namespace {

// A setting, a command that flips it, and a command enabled by it.
struct Commands
{
    Commands()
    {
        table.Add(
            ID_VIEW_GRID, [this] { grid = !grid; ++flips; }, [this](CmdUI& ui) { ui.check = grid; });
        table.Add(
            ID_DOWNLOAD_DELETE, [this] { ++deletes; }, [this](CmdUI& ui) { ui.enabled = grid; });
    }

    CCommandTable table;
    bool grid = false;
    int flips = 0;
    int deletes = 0;
};

} // namespace

TEST(CommandTable, DispatchRunsOnlyWhatTheRuleEnables)
{
    Commands commands;
    EXPECT_FALSE(commands.table.Dispatch(ID_DOWNLOAD_DELETE));
    EXPECT_FALSE(commands.table.Dispatch(ID_DOWNLOAD_START)) << "no handler: disabled";
    EXPECT_FALSE(commands.table.Query(ID_DOWNLOAD_START).enabled);
    EXPECT_TRUE(commands.table.Dispatch(ID_VIEW_GRID));
    EXPECT_TRUE(commands.table.Dispatch(ID_DOWNLOAD_DELETE));
    EXPECT_EQ(commands.deletes, 1);
}

TEST(CommandTable, EachPlacementHasItsOwnActionAndTheCheckMarkFollowsTheSetting)
{
    Commands commands;
    QMenu view;
    QMenu tray;
    view.addAction(commands.table.CreateAction(ID_VIEW_GRID, QStringLiteral("Grid\tCtrl+G"), &view));
    tray.addAction(commands.table.CreateAction(ID_VIEW_GRID, QStringLiteral("Grid"), &tray));
    QAction* inView = CCommandTable::FindAction(&view, ID_VIEW_GRID);
    QAction* inTray = CCommandTable::FindAction(&tray, ID_VIEW_GRID);
    ASSERT_TRUE(inView && inTray);
    EXPECT_NE(inView, inTray);
    EXPECT_TRUE(inView->isCheckable());
    EXPECT_FALSE(inView->isChecked());

    inView->trigger(); // Qt toggles the mark, then the handler flips the setting
    EXPECT_TRUE(commands.grid);
    EXPECT_TRUE(inView->isChecked());

    // The tray's action still shows the old, unchecked state: Qt's toggle would
    // check it, the handler turns the setting off, and the rule decides.
    inTray->trigger();
    EXPECT_FALSE(commands.grid);
    EXPECT_FALSE(inTray->isChecked());
    commands.table.UpdateAll();
    EXPECT_FALSE(inView->isChecked());
    EXPECT_EQ(commands.flips, 2);
}

TEST(CommandTable, AWatchedMenuIsUpdatedWhenItOpens)
{
    Commands commands;
    QMenu menu;
    menu.addAction(commands.table.CreateAction(ID_DOWNLOAD_DELETE, QStringLiteral("Delete"), &menu));
    commands.table.WatchMenu(&menu);
    QAction* remove = CCommandTable::FindAction(&menu, ID_DOWNLOAD_DELETE);
    EXPECT_FALSE(remove->isEnabled());
    commands.grid = true;
    emit menu.aboutToShow();
    EXPECT_TRUE(remove->isEnabled());
}

TEST(CommandTable, AnUpdateRequestRunsOncePerTurnOfTheEventLoop)
{
    Commands commands;
    int rulesRun = 0;
    commands.table.Add(ID_DOWNLOAD_START, [] {}, [&rulesRun](CmdUI&) { ++rulesRun; });
    QAction* start = commands.table.CreateAction(ID_DOWNLOAD_START, QStringLiteral("Start"), &commands.table);
    ASSERT_TRUE(start);
    rulesRun = 0;
    commands.table.RequestUpdate();
    commands.table.RequestUpdate();
    EXPECT_EQ(rulesRun, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(rulesRun, 1);
}

TEST(CommandTable, AnAcceleratorOfADisabledCommandIsSwallowed)
{
    Commands commands;
    QMainWindow window;
    auto* list = new QTreeView(&window);
    window.setCentralWidget(list);
    commands.table.InstallAccelerators(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    list->setFocus();

    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(commands.deletes, 0);
    commands.grid = true; // the rule changes; no update pass ran since
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(commands.deletes, 1);
}

#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "app/gui/AppBitmaps.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "mainframe/SpeedMeterWnd.h"
#include "mainframe/ToolBarCtrlEx.h"
#include "mainframe/ToolBarCustomizeDialog.h"
#include "support/ProfileFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QTest>
#include <QtEndian>

#include <cstdlib>
#include <functional>

namespace {

constexpr int kRecordSize = 28;

// Reads one record's fields out of a "ToolBar" value.
struct Record
{
    int32_t iBitmap;
    int32_t idCommand;
    uint8_t fsState;
    uint8_t fsStyle;
    uint16_t reserved;
    uint32_t idsLabel;
    uint32_t dwData;
    int32_t bVisible;
    int32_t iString;

    bool operator==(const Record&) const = default;
};

Record ReadRecord(const QByteArray& value, int index)
{
    const char* p = value.constData() + 4 + kRecordSize * index;
    Record record;
    record.iBitmap = qFromLittleEndian<int32_t>(p);
    record.idCommand = qFromLittleEndian<int32_t>(p + 4);
    record.fsState = uint8_t(p[8]);
    record.fsStyle = uint8_t(p[9]);
    record.reserved = qFromLittleEndian<uint16_t>(p + 10);
    record.idsLabel = qFromLittleEndian<uint32_t>(p + 12);
    record.dwData = qFromLittleEndian<uint32_t>(p + 16);
    record.bVisible = qFromLittleEndian<int32_t>(p + 20);
    record.iString = qFromLittleEndian<int32_t>(p + 24);
    return record;
}

QByteArray WithVisible(QByteArray value, int index, int32_t visible)
{
    qToLittleEndian<int32_t>(visible, value.data() + 4 + kRecordSize * index + 20);
    return value;
}

QByteArray WithImage(QByteArray value, int index, int32_t image)
{
    qToLittleEndian<int32_t>(image, value.data() + 4 + kRecordSize * index);
    return value;
}

bool SameImage(const QIcon& a, const QIcon& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a.pixmap(32, 32).toImage() == b.pixmap(32, 32).toImage();
}

class ToolBarTest : public UiFixture
{
protected:
    ~ToolBarTest() override { delete frame; }

    CMainFrame* MakeFrame()
    {
        frame = new CMainFrame;
        frame->Create();
        return frame;
    }

    CToolBarCtrlEx& Bar() const { return *frame->ToolBar(); }

    // The bar's actions as command ids, separators as "|".
    QString Layout() const
    {
        QStringList parts;
        for (const QAction* action : Bar().actions())
            parts << (action->isSeparator() ? QStringLiteral("|") : QString::number(action->data().toInt()));
        return parts.join(QLatin1Char(' '));
    }

    QAction* BarAction(int command) const { return CCommandTable::FindAction(&Bar(), command); }

    QByteArray SavedValue() const
    {
        return QSettings(IniPath(), QSettings::IniFormat).value("Settings/ToolBar").toByteArray();
    }

    void StoreValue(const QByteArray& value)
    {
        WriteIniFixture(IniPath(), [&](QSettings& ini) { ini.setValue("Settings/ToolBar", value); });
    }

    // Runs the customise command with `edit` working on the open dialog.
    void Customize(const std::function<void(CToolBarCustomizeDialog&)>& edit)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CToolBarCustomizeDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            ran = true;
            edit(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        ASSERT_TRUE(frame->Commands().Dispatch(ID_CUSTOMIZE_TOOLBAR));
        ASSERT_TRUE(ran);
    }

    static QListWidget& List(CToolBarCustomizeDialog& dialog)
    {
        return *dialog.findChild<QListWidget*>(QStringLiteral("list1045"));
    }

    template <typename T> static T& Control(CToolBarCustomizeDialog& dialog, const char* name)
    {
        return *dialog.findChild<T*>(QLatin1String(name));
    }

    QPointer<CMainFrame> frame;
};

const QString kDefaultLayout = QStringLiteral("32782 | 32784 32785 32792 | 32800 32801 32802 | 32951 | 311 310 | "
                                              "32798 32949 | 32799 32948 | 32929 32933 | 32953 | 32848");

} // namespace

TEST_F(ToolBarTest, AFreshBarShowsTheDefaultButtonsWithLabelsAndWritesTheDefaultValue)
{
    MakeFrame();
    EXPECT_EQ(Layout(), kDefaultLayout);
    const QStringList labels = {
        "添加", "开始", "暂停", "删除", "全部开始", "全部暂停", "删除已完成", "校验和", "速度",
        "并发", "复制网址", "在浏览器中打开", "打开下载位置", "打开文件", "计划任务", "切换计划任务", "数据使用", "选项",
    };
    QStringList shown;
    for (QAction* action : Bar().actions()) {
        if (action->isSeparator())
            continue;
        shown << action->text();
        auto* button = qobject_cast<QToolButton*>(Bar().widgetForAction(action));
        ASSERT_TRUE(button);
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon) << action->text().toStdString();
        EXPECT_GE(button->minimumWidth(), 50);
    }
    EXPECT_EQ(shown, labels);
    EXPECT_FALSE(Bar().isMovable());
    EXPECT_FALSE(frame->findChild<QToolBar*>(QStringLiteral("SpeedMeterBar"))->isMovable());
    EXPECT_EQ(BarAction(ID_DOWNLOAD_ADD)->toolTip(), QStringLiteral("添加下载"));
    EXPECT_EQ(BarAction(ID_DOWNLOAD_COPY_URL)->toolTip(), QStringLiteral("复制网址"));

    frame->RequestExit(false);
    RunDeferredDeletes();
    const QByteArray value = SavedValue();
    ASSERT_EQ(value.size(), 984);
    EXPECT_EQ(qFromLittleEndian<int32_t>(value.constData()), 1);
    const struct
    {
        int index;
        Record record;
    } expected[] = {
        {0, {0, 32782, 0, 0x50, 0, 129, 0, 1, 0}},   {1, {-1, 0, 0, 0x01, 0, 0, 0, 1, -1}},
        {11, {28, 32783, 0, 0x50, 0, 261, 0, 0, -1}}, {13, {7, 311, 0, 0xD0, 0, 211, 0, 1, 8}},
        {14, {13, 310, 0, 0xD0, 0, 199, 0, 1, 9}},   {30, {26, 32849, 0, 0x52, 0, 214, 0, 0, -1}},
        {34, {25, 32848, 0, 0x50, 0, 255, 0, 1, 17}},
    };
    for (const auto& test : expected)
        EXPECT_TRUE(ReadRecord(value, test.index) == test.record) << "record " << test.index;
}

// "删除已完成" cut to "删除已…" reads as "删除".
TEST_F(ToolBarTest, EveryButtonShowsItsWholeLabelWhileTheWindowHasRoom)
{
    MakeFrame();
    frame->resize(2400, 700);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    for (QAction* action : Bar().actions()) {
        if (action->isSeparator())
            continue;
        const auto* button = qobject_cast<QToolButton*>(Bar().widgetForAction(action));
        ASSERT_TRUE(button);
        const std::string label = action->text().toStdString();
        EXPECT_TRUE(button->isVisible()) << label << " went to the overflow";
        EXPECT_EQ(button->text(), action->text());
        EXPECT_GE(button->width(), button->sizeHint().width()) << label;
        EXPECT_GT(button->width(), button->fontMetrics().horizontalAdvance(action->text())) << label;
    }
    // The least widths: 60 for a button of fixed width, 50 for one sized to its label.
    EXPECT_GE(Bar().ButtonForCommand(ID_DOWNLOAD_COPY_URL)->minimumWidth(), 60);
    EXPECT_GE(Bar().ButtonForCommand(ID_DOWNLOAD_ADD)->minimumWidth(), 50);
}

TEST_F(ToolBarTest, AStoredValueIsTakenOnlyAtItsExactSize)
{
    MakeFrame();
    const QByteArray fresh = Bar().SaveLayout();
    delete frame;

    StoreValue(WithVisible(fresh, 0, 0));
    MakeFrame();
    EXPECT_TRUE(Layout().startsWith(QStringLiteral("32784 32785"))) << Layout().toStdString();
    delete frame;

    StoreValue(WithVisible(fresh, 0, 0) + '\0');
    MakeFrame();
    EXPECT_EQ(Layout(), kDefaultLayout) << "985 bytes are ignored";
    delete frame;

    QByteArray iconsOnly = fresh;
    qToLittleEndian<int32_t>(NoTextLabels, iconsOnly.data());
    StoreValue(iconsOnly);
    MakeFrame();
    for (QAction* action : Bar().actions()) {
        if (auto* button = qobject_cast<QToolButton*>(Bar().widgetForAction(action))) {
            EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << action->text().toStdString();
        }
    }
    // The labels still enter the pool: the numbered algorithm, not the edge case.
    EXPECT_EQ(ReadRecord(Bar().SaveLayout(), 34).iString, 17);
}

TEST_F(ToolBarTest, StoredImagesAreCheckedAndTheSpeedImageFollowsTheSetting)
{
    MakeFrame();
    const QByteArray fresh = Bar().SaveLayout();
    delete frame;

    // Record 0 with an image outside the strip, record 13 (speed) with another mode's.
    StoreValue(WithImage(WithImage(fresh, 0, 99), 13, 10));
    SettingStore(AppCore().m_settings.DownloadSpeed, 1);
    MakeFrame();
    EXPECT_TRUE(BarAction(ID_DOWNLOAD_ADD)->icon().isNull());
    EXPECT_EQ(Bar().Buttons()[13].iBitmap, 8);
    EXPECT_TRUE(SameImage(BarAction(ID_SPEED_DROPDOWN)->icon(), CToolBarCtrlEx::ButtonImage(8)));
    delete frame;

    const struct
    {
        int32_t speed;
        int32_t image;
    } cases[] = {{0, 7}, {3, 10}, {-1, 7}, {4, 10}, {99, 10}};
    for (const auto& test : cases) {
        SettingStore(AppCore().m_settings.DownloadSpeed, test.speed);
        EXPECT_EQ(CToolBarCtrlEx::SpeedImage(), test.image) << test.speed;
    }
    EXPECT_TRUE(CToolBarCtrlEx::ButtonImage(-1).isNull());
    EXPECT_TRUE(CToolBarCtrlEx::ButtonImage(35).isNull());
    EXPECT_FALSE(CToolBarCtrlEx::ButtonImage(34).isNull());
}

TEST_F(ToolBarTest, TheCustomiseDialogListsTheRecordsAndItsControlsFollowTheCurrentRow)
{
    MakeFrame();
    const QByteArray before = Bar().SaveLayout();
    Customize([](CToolBarCustomizeDialog& dialog) {
        QListWidget& list = List(dialog);
        ASSERT_EQ(list.count(), 35);
        EXPECT_EQ(list.item(0)->text(), QStringLiteral("添加"));
        EXPECT_EQ(list.item(1)->text(), QString());
        EXPECT_EQ(list.item(11)->checkState(), Qt::Unchecked);
        EXPECT_EQ(list.item(12)->checkState(), Qt::Checked);
        EXPECT_EQ(list.currentRow(), 0);
        auto& up = Control<QPushButton>(dialog, "button1162");
        auto& down = Control<QPushButton>(dialog, "button1161");
        auto& showText = Control<QCheckBox>(dialog, "check1165");
        EXPECT_FALSE(up.isEnabled());
        EXPECT_TRUE(down.isEnabled());
        EXPECT_TRUE(showText.isEnabled());
        EXPECT_TRUE(showText.isChecked());
        list.setCurrentRow(34);
        EXPECT_TRUE(up.isEnabled());
        EXPECT_FALSE(down.isEnabled());
        list.setCurrentRow(1);
        EXPECT_FALSE(showText.isEnabled()) << "a separator has no text";

        // Ticking another row's box changes that row only; the controls stay with the current one.
        list.setCurrentRow(0);
        list.item(1)->setCheckState(Qt::Unchecked);
        EXPECT_EQ(dialog.m_arrButtons[1].bVisible, 0);
        EXPECT_TRUE(showText.isEnabled());
        showText.click();
        EXPECT_EQ(dialog.m_arrButtons[0].fsStyle, 0x10);
        EXPECT_EQ(dialog.m_arrButtons[1].fsStyle, 0x01);
        // Close: nothing is applied.
    });
    EXPECT_EQ(Layout(), kDefaultLayout);
    EXPECT_EQ(Bar().SaveLayout(), before);

    CToolBarCtrlEx bare(frame->Commands(), nullptr);
    QList<_TBEXBUTTON> records = bare.Buttons();
    records[0].idsLabel = 0;
    CToolBarCustomizeDialog dialog(records, &bare.DefaultButtons(), ShowTextLabels, nullptr);
    EXPECT_EQ(List(dialog).item(0)->text(), QStringLiteral("<No text>"));
}

TEST_F(ToolBarTest, ARearrangedBarKeepsItsImagesAndResetRestoresTheDefaults)
{
    MakeFrame();
    frame->show();
    Customize([](CToolBarCustomizeDialog& dialog) {
        QListWidget& list = List(dialog);
        list.setCurrentRow(13);
        for (int row = 13; row < 34; ++row)
            Control<QPushButton>(dialog, "button1161").click();
        EXPECT_EQ(list.currentRow(), 34);
        EXPECT_EQ(dialog.m_arrButtons[34].idCommand, ID_SPEED_DROPDOWN);
        EXPECT_EQ(list.item(34)->text(), QStringLiteral("速度"));
        list.item(0)->setCheckState(Qt::Unchecked);
        Control<QComboBox>(dialog, "combo1166").setCurrentIndex(NoTextLabels);
        dialog.accept();
    });
    EXPECT_EQ(Layout(), QStringLiteral("32784 32785 32792 | 32800 32801 32802 | 32951 | 310 | 32798 32949 | "
                                       "32799 32948 | 32929 32933 | 32953 | 32848 311"));
    EXPECT_EQ(Bar().TextMode(), NoTextLabels);
    EXPECT_EQ(Bar().ButtonForCommand(ID_SPEED_DROPDOWN)->toolButtonStyle(), Qt::ToolButtonIconOnly);

    // What the speed command does: the button of 311, wherever it stands now.
    Bar().SetButtonImage(Bar().CommandToIndex(ID_SPEED_DROPDOWN), kSpeedImageBase + 1);
    EXPECT_TRUE(SameImage(BarAction(ID_SPEED_DROPDOWN)->icon(), CToolBarCtrlEx::ButtonImage(8)));
    EXPECT_TRUE(SameImage(BarAction(ID_CONCURRENCY_DROPDOWN)->icon(), CToolBarCtrlEx::ButtonImage(13)));
    EXPECT_EQ(ReadRecord(Bar().SaveLayout(), 34).iBitmap, 8);
    EXPECT_EQ(ReadRecord(Bar().SaveLayout(), 13).idCommand, ID_CONCURRENCY_DROPDOWN);

    // The next start shows the same bar.
    const QString rearranged = Layout();
    frame->RequestExit(false);
    RunDeferredDeletes();
    SettingStore(AppCore().m_settings.DownloadSpeed, 1);
    MakeFrame();
    frame->show();
    EXPECT_EQ(Layout(), rearranged);
    EXPECT_EQ(Bar().TextMode(), NoTextLabels);

    QAction* before = BarAction(ID_SPEED_DROPDOWN);
    Customize([](CToolBarCustomizeDialog& dialog) {
        Control<QPushButton>(dialog, "button1163").click();
        EXPECT_EQ(Control<QComboBox>(dialog, "combo1166").currentIndex(), NoTextLabels) << "the mode is kept";
        dialog.accept();
    });
    EXPECT_EQ(Layout(), kDefaultLayout);
    EXPECT_EQ(Bar().TextMode(), NoTextLabels);
    EXPECT_EQ(BarAction(ID_SPEED_DROPDOWN), before) << "one action per command for the bar's life";
    EXPECT_TRUE(SameImage(BarAction(ID_SPEED_DROPDOWN)->icon(), CToolBarCtrlEx::ButtonImage(8)));
    EXPECT_EQ(ReadRecord(Bar().SaveLayout(), 13).iBitmap, 8);
}

TEST_F(ToolBarTest, WithEveryButtonHiddenTheBarKeepsOneButtonsHeightAndCustomiseStaysInTheViewMenu)
{
    MakeFrame();
    frame->show();
    const int height = Bar().ButtonForCommand(ID_DOWNLOAD_ADD)->height();
    Customize([](CToolBarCustomizeDialog& dialog) {
        QListWidget& list = List(dialog);
        for (int row = 0; row < list.count(); ++row)
            list.item(row)->setCheckState(Qt::Unchecked);
        dialog.accept();
    });
    EXPECT_TRUE(Layout().isEmpty());
    QApplication::processEvents();
    EXPECT_GE(Bar().height(), height);

    // Started empty, from the stored layout: no bar with labels came before it.
    const QByteArray empty = Bar().SaveLayout();
    delete frame;
    StoreValue(empty);
    MakeFrame();
    frame->show();
    QApplication::processEvents();
    EXPECT_TRUE(Layout().isEmpty());
    EXPECT_GE(Bar().height(), height) << "started empty";

    bool inViewMenu = false;
    for (QAction* top : frame->menuBar()->actions()) {
        if (top->menu() && top->text() == QStringLiteral("查看(&V)"))
            inViewMenu = CCommandTable::FindAction(top->menu(), ID_CUSTOMIZE_TOOLBAR) != nullptr;
    }
    EXPECT_TRUE(inViewMenu);
}

TEST_F(ToolBarTest, TheButtonsFollowTheCommandUpdateAndTheirChecks)
{
    MakeFrame();
    frame->Commands().UpdateAll();
    EXPECT_FALSE(BarAction(ID_DOWNLOAD_START)->isEnabled()) << "nothing selected";
    EXPECT_TRUE(BarAction(ID_SPEED_DROPDOWN)->isEnabled());
    EXPECT_TRUE(BarAction(ID_CONCURRENCY_DROPDOWN)->isEnabled());
    AddRow(*frame, false);
    frame->View()->selectAll();
    frame->Commands().UpdateAll();
    EXPECT_TRUE(BarAction(ID_DOWNLOAD_START)->isEnabled());

    // A check-style button shows the check of its command's rule.
    int monitor = 1;
    frame->Commands().Add(
        ID_URL_MONITOR, [&] { monitor = 1 - monitor; }, [&](CmdUI& ui) { ui.check = monitor; });
    Customize([](CToolBarCustomizeDialog& dialog) {
        List(dialog).item(30)->setCheckState(Qt::Checked);
        dialog.accept();
    });
    frame->Commands().UpdateAll();
    QAction* action = BarAction(ID_URL_MONITOR);
    ASSERT_TRUE(action);
    EXPECT_TRUE(action->isChecked());
    action->trigger();
    EXPECT_FALSE(action->isChecked());
}

TEST_F(ToolBarTest, TheDropDownsOpenTheirMenusBelowTheButtonWithoutTriggeringIt)
{
    int32_t speed = 2;
    MakeFrame();
    frame->Commands().AddRange(
        ID_SPEED_UNLIMITED, ID_SPEED_LOW, [](int) {},
        [&](int id, CmdUI& ui) { ui.check = id - ID_SPEED_UNLIMITED == speed ? 1 : 0; });
    frame->show();
    QSignalSpy triggered(BarAction(ID_SPEED_DROPDOWN), &QAction::triggered);
    QToolButton* button = Bar().ButtonForCommand(ID_SPEED_DROPDOWN);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->popupMode(), QToolButton::InstantPopup);
    QList<int> commands;
    QList<int> checked;
    QPoint topLeft;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        topLeft = menu->geometry().topLeft();
        for (QAction* action : menu->actions()) {
            commands << action->data().toInt();
            if (action->isChecked())
                checked << action->data().toInt();
        }
        menu->close();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(commands, (QList<int>{32843, 32844, 32845, 32846}));
    EXPECT_EQ(checked, QList<int>{32845});
    // Below the button, its left edge where the style puts a tool button's menu (Fusion: 2 px further left).
    const QPoint lowerLeft = button->mapToGlobal(QPoint(0, button->height()));
    EXPECT_EQ(topLeft.y(), lowerLeft.y());
    EXPECT_LE(std::abs(topLeft.x() - lowerLeft.x()), 2);
    EXPECT_EQ(triggered.count(), 0);
    // Through the command (the bar's extension menu), the same place.
    ASSERT_TRUE(frame->Commands().Dispatch(ID_SPEED_DROPDOWN));
    ASSERT_EQ(QApplication::activePopupWidget(), frame->DropDownMenu(ID_SPEED_DROPDOWN));
    EXPECT_EQ(frame->DropDownMenu(ID_SPEED_DROPDOWN)->pos(), button->mapToGlobal(QPoint(0, button->height())));
    frame->DropDownMenu(ID_SPEED_DROPDOWN)->close();

    QMenu* concurrency = frame->DropDownMenu(ID_CONCURRENCY_DROPDOWN);
    EXPECT_EQ(Bar().ButtonForCommand(ID_CONCURRENCY_DROPDOWN)->menu(), concurrency);
    SettingStore(AppCore().m_settings.ConcurrentDownloads, 5);
    frame->Commands().UpdateMenu(concurrency);
    ASSERT_EQ(concurrency->actions().size(), 8);
    for (int index = 0; index < 8; ++index) {
        EXPECT_EQ(concurrency->actions()[index]->data().toInt(), 32812 + index);
        EXPECT_EQ(concurrency->actions()[index]->isChecked(), index == 4) << index;
    }
}

TEST_F(ToolBarTest, RightClickingEitherBarOpensTheBarsMenu)
{
    MakeFrame();
    frame->show();
    QMenu* menu = frame->BarsMenu();
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 3);
    ASSERT_TRUE(items[0]->menu());
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->data().toInt(), ID_CUSTOMIZE_TOOLBAR);
    QList<int> meter;
    for (const QAction* action : items[0]->menu()->actions())
        meter << (action->isSeparator() ? 0 : action->data().toInt());
    EXPECT_EQ(meter, (QList<int>{32938, 0, 32939, 32940, 0, 32957, 32958, 32959}));
    EXPECT_EQ(static_cast<QMainWindow*>(frame.data())->createPopupMenu(), nullptr);

    // A disabled button, the bar itself, the meter and its band.
    QWidget* targets[] = {Bar().ButtonForCommand(ID_DOWNLOAD_START), &Bar(), frame->SpeedMeter(),
                          frame->findChild<QToolBar*>(QStringLiteral("SpeedMeterBar"))};
    for (QWidget* target : targets) {
        ASSERT_TRUE(target);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), target->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(target, &event);
        EXPECT_TRUE(menu->isVisible()) << target->metaObject()->className();
        menu->close();
    }
}

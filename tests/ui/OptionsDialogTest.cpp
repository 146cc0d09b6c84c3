#include "OptionsFixture.h"

#include "dialogs/TreeSheet.h"
#include "support/QStringPrinter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSet>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>

#include <type_traits>
#include <variant>

namespace {

using OptionsDialogTest = OptionsFixture;

QString ParentText(const QTreeWidgetItem* item)
{
    return item->parent() ? item->parent()->text(0) : QString();
}

} // namespace

TEST_F(OptionsDialogTest, TheTreeShowsTwelvePagesUnderSixTopItemsWithTheirImages)
{
    Open(OptionsPageGeneral);
    EXPECT_EQ(dialog->objectName(), QStringLiteral("dlg340"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("选项"));
    QTreeWidget* tree = Tree();
    QStringList top;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        top << tree->topLevelItem(i)->text(0);
    EXPECT_EQ(top, QStringList({"常规", "连接", "下载", "计划任务", "速度限制", "速度测量仪"}));
    const struct
    {
        OptionsPage page;
        const char* text;
        const char* parent;
    } kChildren[] = {
        {OptionsPageURLMonitor, "URL 监控", "常规"},     {OptionsPageGeneralMisc, "其他", "常规"},
        {OptionsPageProxy, "代理", "连接"},              {OptionsPageSecurity, "安全", "连接"},
        {OptionsPageDownloadsAdvanced, "高级", "下载"},  {OptionsPageDownloadsMisc, "其他", "下载"},
    };
    for (const auto& child : kChildren) {
        QTreeWidgetItem* item = ItemOf(child.page);
        ASSERT_TRUE(item) << child.page;
        EXPECT_EQ(item->text(0), QString::fromUtf8(child.text));
        EXPECT_EQ(ParentText(item), QString::fromUtf8(child.parent));
        EXPECT_TRUE(item->parent()->isExpanded());
        EXPECT_FALSE(item->icon(0).isNull());
    }
    EXPECT_EQ(ItemOf(OptionsPageGeneralMisc)->icon(0).pixmap(16).toImage(),
              ItemOf(OptionsPageDownloadsMisc)->icon(0).pixmap(16).toImage())
        << "the two Other items share their image";
}

TEST_F(OptionsDialogTest, EachStartPageShowsItsItemAndOnlyPagesWithDefaultsEnableTheButton)
{
    const struct
    {
        OptionsPage page;
        const char* text;
        bool hasDefaults;
    } kCases[] = {
        {OptionsPageGeneral, "常规", true},           {OptionsPageProxy, "代理", false},
        {OptionsPageScheduler, "计划任务", false},     {OptionsPageSpeedLimiter, "速度限制", true},
        {OptionsPageSpeedMeter, "速度测量仪", true},   {OptionsPageDownloadsMisc, "其他", true},
    };
    for (const auto& c : kCases) {
        Open(c.page);
        ASSERT_TRUE(Tree()->currentItem()) << c.page;
        EXPECT_EQ(Tree()->currentItem()->text(0), QString::fromUtf8(c.text));
        EXPECT_EQ(dialog->m_pActivePage, dialog->Page(c.page));
        EXPECT_TRUE(dialog->Page(c.page)->isVisible());
        EXPECT_EQ(SetDefaultEnabled(), c.hasDefaults) << c.page;
    }
}

TEST_F(OptionsDialogTest, AStartIndexOutOfRangeShowsNoPageAndOkEndsWithNothingChecked)
{
    Open(kOptionsPageCount);
    EXPECT_FALSE(Tree()->currentItem());
    EXPECT_FALSE(dialog->m_pActivePage);
    for (int i = 0; i < kOptionsPageCount; ++i)
        EXPECT_FALSE(dialog->Page(i)->isCreated());
    EXPECT_TRUE(Ok());
}

TEST_F(OptionsDialogTest, ARefusedValueKeepsThePageItsItemAndTheFocusAndOkStaysOpen)
{
    Open(OptionsPageConnection);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    auto* timeout = Control<QLineEdit>(OptionsPageConnection, 1078);
    timeout->clear();
    QTest::keyClicks(timeout, QStringLiteral("60001"));

    EXPECT_FALSE(Select(OptionsPageProxy));
    EXPECT_EQ(TakeBoxes(), QStringList{QStringLiteral("请输入一个介于 0 和 60000 之间的值")});
    EXPECT_EQ(Tree()->currentItem(), ItemOf(OptionsPageConnection));
    EXPECT_EQ(Tree()->selectedItems(), QList<QTreeWidgetItem*>{ItemOf(OptionsPageConnection)});
    EXPECT_TRUE(dialog->Page(OptionsPageConnection)->isVisible());
    EXPECT_FALSE(dialog->Page(OptionsPageProxy)->isCreated());
    EXPECT_TRUE(WaitFor([&] { return QApplication::focusWidget() == timeout; }));

    EXPECT_FALSE(Ok());
    EXPECT_EQ(TakeBoxes().size(), 1);
    EXPECT_TRUE(dialog->isVisible());

    timeout->setText(QStringLiteral("60000"));
    EXPECT_TRUE(Select(OptionsPageProxy));
    EXPECT_EQ(dialog->m_settings.ConnectTimeout, 60000);
}

TEST_F(OptionsDialogTest, APageNeverShownIsNeitherCheckedNorStored)
{
    settings.ConnectTimeout = 99999; // hand-edited
    Open(OptionsPageGeneral);
    EXPECT_TRUE(Ok());
    EXPECT_EQ(dialog->m_settings.ConnectTimeout, 99999);
    EXPECT_FALSE(dialog->Page(OptionsPageConnection)->isCreated());
}

TEST_F(OptionsDialogTest, ComingBackToAPageShowsWhatTheUserLeftThere)
{
    Open(OptionsPageConnection);
    SetText(OptionsPageConnection, 1075, QStringLiteral("abc"));
    ASSERT_TRUE(Select(OptionsPageProxy));
    EXPECT_FALSE(dialog->Page(OptionsPageConnection)->isVisible());
    EXPECT_FALSE(dialog->Page(OptionsPageConnection)->isEnabled());
    ASSERT_TRUE(Select(OptionsPageConnection));
    EXPECT_EQ(Text(OptionsPageConnection, 1075), QStringLiteral("abc"));
    EXPECT_EQ(dialog->m_settings.UserAgent, QStringLiteral("abc")) << "saved when it was left";
}

TEST_F(OptionsDialogTest, SetToDefaultChangesOnlyTheCopyAndOnlyThePageInFront)
{
    settings.MinimizeToTray = 0;
    settings.ConnectRetries = 50;
    Open(OptionsPageGeneral);
    ClickSetDefault();
    EXPECT_TRUE(Control<QCheckBox>(OptionsPageGeneral, 1063)->isChecked());
    EXPECT_EQ(dialog->m_settings.MinimizeToTray, 1) << "the copy changes at once";
    EXPECT_EQ(dialog->m_settings.ConnectRetries, 50);
    ASSERT_TRUE(Select(OptionsPageProxy));
    ClickSetDefault(); // disabled: nothing
    ASSERT_TRUE(Select(OptionsPageScheduler));
    EXPECT_FALSE(SetDefaultEnabled());
    ASSERT_TRUE(Select(OptionsPageSpeedMeter));
    EXPECT_TRUE(SetDefaultEnabled());
}

TEST_F(OptionsDialogTest, EnterPressesOkAndEscapeCancels)
{
    Open(OptionsPageSecurity);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    Open(OptionsPageGeneral);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

namespace {

QString FieldText(const CAppSettingsBase& settings, const SettingField& field)
{
    return std::visit(
        [&settings](auto member) {
            const auto& value = settings.*member;
            if constexpr (std::is_same_v<std::decay_t<decltype(value)>, QString>)
                return value;
            else if constexpr (std::is_same_v<std::decay_t<decltype(value)>, SYSTEMTIME>)
                return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(&value), sizeof value).toHex());
            else
                return QString::number(value);
        },
        field);
}

// The names of the fields whose values differ.
QStringList Changed(const CAppSettingsBase& before, const CAppSettingsBase& after)
{
    QStringList names;
    for (const SettingEntry& entry : AllSettingFields()) {
        if (FieldText(before, entry.field) != FieldText(after, entry.field))
            names << QString::fromLatin1(entry.name);
    }
    return names;
}

} // namespace

TEST_F(OptionsDialogTest, ArrowKeysInTheTreeChangeThePageAndLeaveTheFocusAndEverySettingAlone)
{
    Open(OptionsPageGeneral);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QTreeWidget* tree = Tree();
    EXPECT_EQ(QApplication::focusWidget(), tree) << "the dialog opens with the focus in the tree";
    const CAppSettings before = dialog->m_settings;

    const auto walk = [&](Qt::Key key, const char* direction) {
        for (int step = 0; step < kOptionsPageCount - 1; ++step) {
            SCOPED_TRACE(QStringLiteral("%1 %2").arg(QLatin1String(direction)).arg(step).toStdString());
            QTreeWidgetItem* from = tree->currentItem();
            QTest::keyClick(QApplication::focusWidget(), key);
            ASSERT_NE(tree->currentItem(), from);
            EXPECT_EQ(QApplication::focusWidget(), tree);
            EXPECT_EQ(dialog->m_pActivePage, CTreeSheet::PageOf(tree->currentItem()));
            EXPECT_TRUE(dialog->m_pActivePage->isVisible());
        }
    };
    walk(Qt::Key_Down, "down");
    EXPECT_EQ(dialog->m_pActivePage, dialog->Page(OptionsPageSpeedMeter));
    walk(Qt::Key_Up, "up");
    EXPECT_EQ(dialog->m_pActivePage, dialog->Page(OptionsPageGeneral));
    EXPECT_EQ(Changed(before, dialog->m_settings), QStringList());

    // Tab goes from the tree through every control of the page, then to the buttons.
    CDialogPage* page = dialog->Page(OptionsPageGeneral);
    QSet<QWidget*> unvisited;
    for (QWidget* control : page->findChildren<QWidget*>()) {
        if ((control->focusPolicy() & Qt::TabFocus) && control->isVisible() && control->isEnabled())
            unvisited.insert(control);
    }
    QTest::keyClick(tree, Qt::Key_Tab);
    for (int stop = 0; stop < 50 && page->isAncestorOf(QApplication::focusWidget()); ++stop) {
        unvisited.remove(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_TRUE(unvisited.isEmpty()) << unvisited.size() << " controls come after the buttons";
    EXPECT_EQ(QApplication::focusWidget(), FindControl(dialog.get(), 1117));
}

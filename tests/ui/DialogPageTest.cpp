#include "ControlLookup.h"
#include "ScriptedPrompts.h"

#include "dialogs/DialogControls.h"
#include "dialogs/DialogPage.h"
#include "dialogs/SheetManager.h"
#include "dialogs/TabSheet.h"
#include "dialogs/TextLimitValidator.h"
#include "dialogs/TreeSheet.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <climits>

namespace {

// A page with an edit (1), a check box (2) and a number edit (3); its SaveData
// refuses while `refuse` is set, as a failing check does.
class TestPage : public CDialogPage
{
public:
    explicit TestPage(int templateId) : CDialogPage(templateId, {}) {}

    bool SaveData() override
    {
        ++saves;
        if (!refuse)
            return true;
        AppMessageBox(this, QStringLiteral("refused"), MB_OK | MB_ICONWARNING);
        return FocusControl(Edit(3));
    }

    QLineEdit* Edit(int id) const { return FindControl<QLineEdit>(this, id); }

    bool refuse = false;
    int creations = 0;
    int inits = 0;
    int saves = 0;

protected:
    void CreateControls() override
    {
        ++creations;
        auto* layout = new QVBoxLayout(this);
        for (int id : {1, 3}) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(ctrlName(id));
            layout->addWidget(edit);
        }
        auto* check = new QCheckBox(this);
        check->setObjectName(ctrlName(2));
        layout->insertWidget(1, check);
        setTabOrder(Edit(1), check);
        setTabOrder(check, Edit(3));
    }
    bool OnInitDialog() override
    {
        ++inits;
        return true;
    }
};

// A host dialog with both kinds of sheet over pages of its own.
class TestHost : public QDialog, public CSheetManager
{
public:
    TestHost()
    {
        auto* layout = new QHBoxLayout(this);
        tabs = new CTabSheet(*this, this);
        for (TestPage* page : tabPages)
            tabs->AddPage(page->objectName(), page);
        layout->addWidget(tabs);
    }
    ~TestHost() override
    {
        for (TestPage* page : tabPages)
            delete page;
    }

    TestPage* tabPages[3] = {new TestPage(1), new TestPage(2), new TestPage(3)};
    CTabSheet* tabs;
};

class TreeHost : public QDialog, public CSheetManager
{
public:
    TreeHost() : sheet(*this, this, 1059, 1060)
    {
        auto* layout = new QHBoxLayout(this);
        layout->addWidget(sheet.Tree());
        layout->addWidget(sheet.Stack());
        QTreeWidgetItem* top = sheet.AddPage(QStringLiteral("a"), pages[0]);
        sheet.AddPage(QStringLiteral("b"), pages[1], top);
        sheet.AddPage(QStringLiteral("c"), pages[2]);
        sheet.Tree()->expandAll();
    }
    ~TreeHost() override
    {
        for (TestPage* page : pages)
            delete page;
    }

    TestPage* pages[3] = {new TestPage(10), new TestPage(11), new TestPage(12)};
    CTreeSheet sheet;
};

void ShowActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

} // namespace

TEST(SheetManager, NullPagesAreAcceptedAndActivatingOneClearsTheActivePage)
{
    TestHost host;
    EXPECT_TRUE(host.DeactivatePage(nullptr, true));
    host.tabs->Start();
    ASSERT_EQ(host.m_pActivePage, host.tabPages[0]);
    EXPECT_TRUE(host.ActivatePage(nullptr, &host));
    EXPECT_EQ(host.m_pActivePage, nullptr);
}

TEST(SheetManager, PagesAreBuiltOnFirstShowOnlyAndComeBackShownEnabledAndFocused)
{
    ScriptedPrompts prompts;
    TestHost host;
    host.tabs->Start();
    ShowActive(host);
    TestPage& first = *host.tabPages[0];
    EXPECT_FALSE(host.tabPages[1]->isCreated());
    EXPECT_FALSE(host.tabPages[2]->isCreated());
    EXPECT_EQ(QApplication::focusWidget(), first.Edit(1));

    host.tabs->setCurrentIndex(1);
    EXPECT_TRUE(host.tabPages[1]->isCreated());
    EXPECT_FALSE(first.isVisible());
    EXPECT_FALSE(first.isEnabled());
    first.refuse = true; // switching tabs never checks
    host.tabs->setCurrentIndex(0);
    EXPECT_EQ(first.saves, 0);
    EXPECT_TRUE(prompts.boxes.isEmpty());

    EXPECT_EQ(first.creations, 1);
    EXPECT_EQ(first.inits, 1);
    EXPECT_TRUE(first.isVisible());
    EXPECT_TRUE(first.isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), first.Edit(1));
    EXPECT_EQ(host.m_pActivePage, &first);
}

TEST(SheetManager, ARefusedCheckKeepsThePageAndBringsTheFocusToTheFailingControl)
{
    ScriptedPrompts prompts;
    TestHost host;
    host.tabs->Start();
    ShowActive(host);
    TestPage& page = *host.tabPages[0];
    page.refuse = true;

    EXPECT_FALSE(host.DeactivatePage(&page, true));
    EXPECT_EQ(prompts.boxes.size(), 1);
    EXPECT_TRUE(page.isVisible());
    EXPECT_TRUE(page.isEnabled());
    EXPECT_EQ(host.m_pActivePage, &page);
    EXPECT_EQ(page.m_hWndFocusControl, page.Edit(3));
    EXPECT_EQ(QApplication::focusWidget(), page.Edit(1)); // posted, not yet moved
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), page.Edit(3));

    EXPECT_TRUE(host.DeactivatePage(&page, false));
    EXPECT_FALSE(page.isVisible());
    EXPECT_FALSE(page.isEnabled());
    EXPECT_EQ(host.m_pActivePage, &page); // only activating changes it
}

TEST(DialogPage, FocusingNoControlPostsNothingAndRecordsNone)
{
    TestHost host;
    host.tabs->Start();
    ShowActive(host);
    TestPage& page = *host.tabPages[0];
    page.FocusControl(page.Edit(3));
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), page.Edit(3));

    EXPECT_FALSE(page.FocusControl(nullptr));
    EXPECT_EQ(page.m_hWndFocusControl, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), page.Edit(3));
}

TEST(DialogPage, CheckedNumbersAcceptTheBoundsAndRefuseTheRestWithTheRange)
{
    struct Case
    {
        const char* text;
        int minimum;
        int maximum;
        bool isSigned;
        bool accepted;
        int value;
        const char* message;
    };
    const char* unsignedRange = "请输入一个介于 0 和 100 之间的值";
    const char* stepRange = "请输入一个介于 1 和 2147483647 之间的值";
    const Case cases[] = {
        {"", 0, 100, false, false, 0, unsignedRange},
        {"abc", 0, 100, false, false, 0, unsignedRange},
        {"-1", 0, 100, false, false, 0, unsignedRange},
        {"101", 0, 100, false, false, 0, unsignedRange},
        {"12abc", 0, 100, false, false, 0, unsignedRange},
        {"0", 0, 100, false, true, 0, nullptr},
        {" +100 ", 0, 100, false, true, 100, nullptr},
        {"0", 1, INT_MAX, true, false, 0, stepRange},
        {"2147483648", 1, INT_MAX, true, false, 0, stepRange},
        {"4294967297", 1, INT_MAX, true, false, 0, stepRange},
        {"2147483647", 1, INT_MAX, true, true, INT_MAX, nullptr},
        {"-5", -10, -1, true, true, -5, nullptr},
    };
    TestHost host;
    host.tabs->Start();
    ShowActive(host);
    TestPage& page = *host.tabPages[0];
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ScriptedPrompts prompts;
        page.Edit(1)->setFocus();
        page.Edit(3)->setText(QString::fromUtf8(c.text));
        int value = -7777;
        EXPECT_EQ(page.GetDlgItemIntChecked(page.Edit(3), c.minimum, c.maximum, &value, c.isSigned), c.accepted);
        QCoreApplication::processEvents();
        if (c.accepted) {
            EXPECT_EQ(value, c.value);
            EXPECT_TRUE(prompts.boxes.isEmpty());
            continue;
        }
        EXPECT_EQ(value, -7777);
        ASSERT_EQ(prompts.boxes.size(), 1);
        EXPECT_EQ(prompts.boxes[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Vandrel"));
        EXPECT_EQ(prompts.boxes[0].flags & MB_ICONMASK, MB_ICONERROR);
        EXPECT_EQ(QApplication::focusWidget(), page.Edit(3));
    }
}

TEST(TabSheet, CtrlKeysStepThroughTheTabsWithWrapFromAnyControl)
{
    TestHost host;
    host.tabs->Start();
    ShowActive(host);
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(host.tabs->currentIndex(), 2);
    EXPECT_EQ(host.m_pActivePage, host.tabPages[2]);
    EXPECT_EQ(QApplication::focusWidget(), host.tabPages[2]->Edit(1));
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(host.tabs->currentIndex(), 0);
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(host.tabs->currentIndex(), 1);
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(host.tabs->currentIndex(), 0);
    press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(host.tabs->currentIndex(), 2);
}

TEST(TabSheet, ArrowKeysOnTheTabsChangeThePageAndKeepTheFocusOnTheTabs)
{
    TestHost host;
    host.tabs->Start();
    ShowActive(host);
    QTabBar* bar = host.tabs->tabBar();
    bar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(host.m_pActivePage, host.tabPages[1]);
    EXPECT_TRUE(host.tabPages[1]->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), bar);
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(host.m_pActivePage, host.tabPages[2]);
    EXPECT_EQ(QApplication::focusWidget(), bar);
}

TEST(TreeSheet, ARefusingPageKeepsTheTreeWhereItIsForMouseKeysAndCode)
{
    ScriptedPrompts prompts;
    TreeHost host;
    ShowActive(host);
    QTreeWidget* tree = host.sheet.Tree();
    QTreeWidgetItem* a = tree->topLevelItem(0);
    QTreeWidgetItem* b = a->child(0);
    QTreeWidgetItem* c = tree->topLevelItem(1);
    int activations = 0;
    QObject::connect(&host.sheet, &CTreeSheet::PageActivated, [&activations] { ++activations; });

    host.sheet.SelectPage(host.pages[0]);
    ASSERT_EQ(host.m_pActivePage, host.pages[0]);
    EXPECT_EQ(host.sheet.Stack()->currentWidget(), host.pages[0]);
    activations = 0;
    host.pages[0]->refuse = true;

    const auto stays = [&](const char* how) {
        SCOPED_TRACE(how);
        QCoreApplication::processEvents();
        EXPECT_EQ(tree->currentItem(), a);
        EXPECT_EQ(tree->selectedItems(), QList<QTreeWidgetItem*>{a});
        EXPECT_EQ(host.m_pActivePage, host.pages[0]);
        EXPECT_TRUE(host.pages[0]->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), host.pages[0]->Edit(3));
        EXPECT_FALSE(host.pages[2]->isCreated());
    };
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(c).center());
    stays("mouse");
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    stays("keys");
    host.sheet.SelectPage(host.pages[2]);
    stays("code");
    EXPECT_EQ(prompts.boxes.size(), 3); // one question per attempt
    EXPECT_EQ(activations, 0);

    host.pages[0]->refuse = false;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(b).center());
    EXPECT_EQ(tree->currentItem(), b);
    EXPECT_EQ(tree->selectedItems(), QList<QTreeWidgetItem*>{b});
    EXPECT_EQ(host.m_pActivePage, host.pages[1]);
    EXPECT_EQ(host.sheet.Stack()->currentWidget(), host.pages[1]);
    EXPECT_FALSE(host.pages[0]->isEnabled());
    EXPECT_EQ(activations, 1);
}

TEST(TextLimitValidator, CutsTypingAndPastingToTheLimitButKeepsProgramTextWhole)
{
    QLineEdit edit;
    CTextLimitValidator::Install(&edit, 4);
    QTest::keyClicks(&edit, QStringLiteral("abcdef"));
    EXPECT_EQ(edit.text(), QStringLiteral("abcd"));

    edit.setText(QStringLiteral("0123456789"));
    EXPECT_EQ(edit.text(), QStringLiteral("0123456789"));
    edit.end(false);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("012345678")); // shrinking is allowed
    QTest::keyClick(&edit, Qt::Key_A);
    EXPECT_EQ(edit.text(), QStringLiteral("012345678"));

    // A paste keeps what fits, wherever the cursor is.
    edit.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("toolong"));
    edit.paste();
    EXPECT_EQ(edit.text(), QStringLiteral("tool"));
    edit.setText(QStringLiteral("ab"));
    edit.setCursorPosition(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("XYZ"));
    edit.paste();
    EXPECT_EQ(edit.text(), QStringLiteral("aXYb"));
    EXPECT_EQ(edit.cursorPosition(), 3);
    edit.setSelection(1, 3);
    edit.paste();
    EXPECT_EQ(edit.text(), QStringLiteral("aXYZ"));

    QLineEdit number;
    CTextLimitValidator::Install(&number, 10, CTextLimitValidator::Chars::Digits);
    QTest::keyClicks(&number, QStringLiteral("1-2a3"));
    EXPECT_EQ(number.text(), QStringLiteral("123"));
    QGuiApplication::clipboard()->setText(QStringLiteral("45x"));
    number.paste();
    EXPECT_EQ(number.text(), QStringLiteral("123")); // not a number: refused whole
}

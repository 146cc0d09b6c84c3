// The keys of the main window's menus: within each menu every mnemonic leads
// to one item, and each set of exclusive choices is one exclusive group, so
// the style marks its items as radio items and one choice clears the other.
#include "UiFixture.h"

#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/MainFrame.h"
#include "support/QStringPrinter.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <memory>

namespace {

using MenuKeysTest = UiFixture;

// The letter after a single '&', upper case, or none.
QChar Mnemonic(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] != u'&')
            return text[i + 1].toUpper();
        ++i; // "&&" is a plain ampersand
    }
    return {};
}

QString Title(const QWidget* menu)
{
    const auto* popup = qobject_cast<const QMenu*>(menu);
    const QString title = popup ? popup->title() : QString();
    return title.isEmpty() ? menu->objectName() + QLatin1Char('/') + menu->metaObject()->className() : title;
}

// Every menu of the window: its bar, its popups and submenus, the context,
// drop-down and tray menus.
QList<QWidget*> Menus(CMainFrame& frame)
{
    QList<QWidget*> menus = {frame.menuBar()};
    for (QMenu* menu : frame.findChildren<QMenu*>())
        menus << menu;
    return menus;
}

struct ChoiceSet
{
    const char* name;
    int first;
    int last;
    bool optional; // choosing the checked item again clears it
};

const ChoiceSet kChoiceSets[] = {
    {"speed", ID_SPEED_UNLIMITED, ID_SPEED_LOW, false},
    {"concurrency", ID_CONCURRENCY_FIRST, ID_CONCURRENCY_LAST, false},
    {"meter theme", ID_SPEED_METER_DARK, ID_SPEED_METER_LIGHT, false},
    {"meter style", ID_SPEED_METER_BAR, ID_SPEED_METER_ANALOG, false},
    {"after completion", ID_ALLDONE_SHUTDOWN, ID_ALLDONE_EXIT, true},
};

QList<QAction*> Members(const QMenu& menu, const ChoiceSet& set)
{
    QList<QAction*> found;
    for (int command = set.first; command <= set.last; ++command) {
        if (QAction* action = CCommandTable::FindAction(&menu, command))
            found << action;
    }
    return found;
}

QList<int> CheckedCommands(const QList<QAction*>& actions)
{
    QList<int> checked;
    for (const QAction* action : actions) {
        if (action->isChecked())
            checked << action->data().toInt();
    }
    return checked;
}

} // namespace

TEST_F(MenuKeysTest, EachMnemonicLeadsToOneItemOfItsMenu)
{
    const auto frame = std::make_unique<CMainFrame>();
    frame->Create();
    const QList<QWidget*> menus = Menus(*frame);
    ASSERT_GE(menus.size(), 12);
    for (const QWidget* menu : menus) {
        QHash<QChar, QStringList> items;
        for (const QAction* action : menu->actions()) {
            if (const QChar key = Mnemonic(action->text()); !key.isNull())
                items[key] << action->text();
        }
        for (auto it = items.cbegin(); it != items.cend(); ++it)
            EXPECT_EQ(it->size(), 1) << Title(menu).toStdString() << ": " << it->join(u", ").toStdString();
    }
}

TEST_F(MenuKeysTest, ExclusiveChoicesAreOneExclusiveGroupInEveryMenuThatShowsThem)
{
    const auto frame = std::make_unique<CMainFrame>();
    frame->Create();
    for (const ChoiceSet& set : kChoiceSets) {
        SCOPED_TRACE(set.name);
        int menusWithSet = 0;
        for (QMenu* menu : frame->findChildren<QMenu*>()) {
            const QList<QAction*> members = Members(*menu, set);
            if (members.isEmpty())
                continue;
            ++menusWithSet;
            SCOPED_TRACE(Title(menu).toStdString());
            ASSERT_EQ(members.size(), set.last - set.first + 1);
            QActionGroup* group = members.front()->actionGroup();
            ASSERT_TRUE(group);
            EXPECT_TRUE(group->isExclusive());
            EXPECT_EQ(group->actions(), members);

            for (QAction* action : members) {
                action->trigger();
                EXPECT_EQ(CheckedCommands(members), QList<int>{action->data().toInt()});
            }
            members.back()->trigger();
            EXPECT_EQ(CheckedCommands(members), set.optional ? QList<int>() : QList<int>{set.last});
        }
        EXPECT_GE(menusWithSet, 1);
    }
}

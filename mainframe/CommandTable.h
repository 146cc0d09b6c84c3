#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QMenu;
class QWidget;

// What an update rule reports for one command: enabled, and the check mark
// (-1 for a command without one).
struct CmdUI
{
    bool enabled = true;
    int check = -1;
};

// The window's commands: one entry per command id with its handler and its
// update rule, and every QAction that shows the command. Each menu or tool-bar
// placement is its own action carrying the id as data(); texts differ between
// placements, so they cannot share one. A command without a handler is disabled.
//
// The update pass sets enabled and checked on every action from the rules; it
// runs when a watched menu is about to show, after every command, and whenever
// RequestUpdate() or UpdateAll() is called (the refresh tick, selection changes,
// notices). Dispatch checks the rule again and does nothing for a disabled
// command, so a stale action state can never reach a handler. A check mark always
// comes from the rule (the setting), never from Qt's own toggle.
class CCommandTable : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void()>;
    using Rule = std::function<void(CmdUI&)>;
    using RangeHandler = std::function<void(int id)>;
    using RangeRule = std::function<void(int id, CmdUI&)>;

    explicit CCommandTable(QObject* parent = nullptr);

    // One handler per id; a rule left empty means always enabled, no check mark.
    void Add(int id, Handler handler, Rule rule = {});
    void AddRange(int first, int last, RangeHandler handler, RangeRule rule = {});
    bool HasHandler(int id) const { return m_entries.contains(id); }

    // A new action for one placement, owned by parent, with the id as data() and
    // the command's menu image, if it has one.
    QAction* CreateAction(int id, const QString& text, QObject* parent);
    // The action of that id among a menu's or tool bar's actions, or null.
    static QAction* FindAction(const QWidget* container, int id);

    // Puts one action per accelerator of the table on the window, with its keys
    // (Qt::WindowShortcut). They stay enabled: a key of a disabled command is
    // swallowed by Dispatch, as the framework swallows it.
    void InstallAccelerators(QWidget* window);

    // Runs the command when its rule enables it; true when the handler ran.
    bool Dispatch(int id);
    // The rule's answer now.
    CmdUI Query(int id) const;

    void UpdateAll();
    void UpdateMenu(const QMenu* menu);
    // Runs UpdateMenu each time the menu is about to show.
    void WatchMenu(QMenu* menu);
    // One update pass as soon as the event loop is free again (coalesced).
    void RequestUpdate();

private:
    struct Entry
    {
        RangeHandler handler;
        RangeRule rule;
    };

    void Apply(QAction* action) const;
    void OnTriggered(QAction* action);

    QHash<int, Entry> m_entries;
    QList<QPointer<QAction>> m_actions; // every placement's action
    bool m_updatePending = false;
};

#include "mainframe/CommandTable.h"

#include "mainframe/Accelerators.h"
#include "mainframe/MenuImages.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QWidget>

namespace {

const char kAcceleratorProperty[] = "vandrelAccelerator";

} // namespace

CCommandTable::CCommandTable(QObject* parent)
    : QObject(parent)
{
}

void CCommandTable::Add(int id, Handler handler, Rule rule)
{
    RangeRule rangeRule;
    if (rule)
        rangeRule = [rule = std::move(rule)](int, CmdUI& ui) { rule(ui); };
    m_entries.insert(id, {[handler = std::move(handler)](int) { handler(); }, std::move(rangeRule)});
}

void CCommandTable::AddRange(int first, int last, RangeHandler handler, RangeRule rule)
{
    for (int id = first; id <= last; ++id)
        m_entries.insert(id, {handler, rule});
}

QAction* CCommandTable::CreateAction(int id, const QString& text, QObject* parent)
{
    auto* action = new QAction(CommandMenuIcon(id), text, parent);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, action] { OnTriggered(action); });
    m_actions.append(action);
    Apply(action);
    return action;
}

QAction* CCommandTable::FindAction(const QWidget* container, int id)
{
    for (QAction* action : container->actions()) {
        if (!action->isSeparator() && action->data().toInt() == id)
            return action;
    }
    return nullptr;
}

void CCommandTable::InstallAccelerators(QWidget* window)
{
    QHash<int, QAction*> byCommand;
    for (const Accelerator& accelerator : AcceleratorTable()) {
        QAction*& action = byCommand[accelerator.command];
        if (!action) {
            action = new QAction(window);
            action->setData(accelerator.command);
            action->setProperty(kAcceleratorProperty, true);
            action->setShortcutContext(Qt::WindowShortcut);
            connect(action, &QAction::triggered, this, [this, action] { OnTriggered(action); });
            window->addAction(action);
        }
        action->setShortcuts(action->shortcuts() << QKeySequence(accelerator.keys));
    }
}

bool CCommandTable::Dispatch(int id)
{
    const auto entry = m_entries.constFind(id);
    if (entry == m_entries.cend() || !Query(id).enabled)
        return false;
    const RangeHandler handler = entry->handler; // the handler may replace the table's entries
    handler(id);
    RequestUpdate();
    return true;
}

CmdUI CCommandTable::Query(int id) const
{
    CmdUI ui;
    const auto entry = m_entries.constFind(id);
    if (entry == m_entries.cend())
        ui.enabled = false;
    else if (entry->rule)
        entry->rule(id, ui);
    return ui;
}

void CCommandTable::UpdateAll()
{
    m_actions.removeAll(nullptr);
    for (QAction* action : std::as_const(m_actions))
        Apply(action);
}

void CCommandTable::UpdateMenu(const QMenu* menu)
{
    for (QAction* action : menu->actions()) {
        if (m_actions.contains(action))
            Apply(action);
    }
}

void CCommandTable::WatchMenu(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
}

void CCommandTable::RequestUpdate()
{
    if (m_updatePending)
        return;
    m_updatePending = true;
    QTimer::singleShot(0, this, [this] {
        m_updatePending = false;
        UpdateAll();
    });
}

void CCommandTable::Apply(QAction* action) const
{
    if (action->property(kAcceleratorProperty).toBool())
        return;
    const CmdUI ui = Query(action->data().toInt());
    action->setEnabled(ui.enabled);
    action->setCheckable(ui.check >= 0);
    action->setChecked(ui.check > 0);
}

void CCommandTable::OnTriggered(QAction* action)
{
    const QPointer<QAction> guard(action);
    Dispatch(action->data().toInt());
    if (guard) // Qt toggled a checkable action by itself; the rule has the last word
        Apply(guard);
}

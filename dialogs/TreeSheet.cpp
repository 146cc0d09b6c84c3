#include "dialogs/TreeSheet.h"

#include "dialogs/DialogControls.h"
#include "dialogs/DialogPage.h"
#include "dialogs/SheetManager.h"
#include "dialogs/VetoSelectionModel.h"

#include <QStackedWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

constexpr int kPageRole = Qt::UserRole;

// Puts the page's controls right after the tree in the Tab order: a page
// built later would otherwise come after the host's buttons.
void FollowInTabOrder(QWidget* tree, QWidget* page)
{
    QList<QWidget*> controls;
    for (QWidget* widget = page->nextInFocusChain(); widget != page; widget = widget->nextInFocusChain()) {
        // Qt leaves widgets without focus out of the order, and the rest with them.
        if (page->isAncestorOf(widget) && widget->focusPolicy() != Qt::NoFocus)
            controls << widget;
    }
    QWidget* previous = tree;
    for (QWidget* control : std::as_const(controls)) {
        QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

} // namespace

CTreeSheet::CTreeSheet(CSheetManager& manager, QWidget* host, int treeId, int areaId)
    : QObject(host), m_manager(manager), m_tree(new QTreeWidget(host)), m_stack(new QStackedWidget(host))
{
    m_tree->setObjectName(ctrlName(treeId));
    m_stack->setObjectName(ctrlName(areaId));
    m_tree->setHeaderHidden(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    QItemSelectionModel* previous = m_tree->selectionModel();
    m_tree->setSelectionModel(new CVetoSelectionModel(
        m_tree->model(),
        [this](const QModelIndex& from, const QModelIndex&) {
            return m_manager.DeactivatePage(PageAt(from), true);
        },
        m_tree));
    delete previous;
    // The tree's own currentItemChanged no longer fires once the model is replaced.
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                CDialogPage* page = PageAt(current);
                if (!page)
                    return;
                const bool created = page->isCreated();
                // Arrow keys go on moving through the tree: a page takes the
                // focus only by Tab or a click, so no key changes it unseen.
                m_manager.ActivatePage(page, m_stack, CSheetManager::PageFocus::Leave);
                if (!created)
                    FollowInTabOrder(m_tree, page);
                emit PageActivated(page);
            });
}

QTreeWidgetItem* CTreeSheet::AddPage(const QString& label, CDialogPage* page, QTreeWidgetItem* parent)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setText(0, label);
    item->setData(0, kPageRole, QVariant::fromValue(static_cast<QObject*>(page)));
    return item;
}

CDialogPage* CTreeSheet::PageOf(const QTreeWidgetItem* item)
{
    return item ? qobject_cast<CDialogPage*>(item->data(0, kPageRole).value<QObject*>()) : nullptr;
}

CDialogPage* CTreeSheet::PageAt(const QModelIndex& index) const
{
    return PageOf(m_tree->itemFromIndex(index));
}

QTreeWidgetItem* CTreeSheet::ItemOf(const CDialogPage* page) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if (PageOf(*it) == page)
            return *it;
    }
    return nullptr;
}

void CTreeSheet::SelectPage(const CDialogPage* page)
{
    if (QTreeWidgetItem* item = ItemOf(page))
        m_tree->setCurrentItem(item);
}

#include "dialogs/VetoSelectionModel.h"

CVetoSelectionModel::CVetoSelectionModel(QAbstractItemModel* model, MayMove mayMove, QObject* parent)
    : QItemSelectionModel(model, parent), m_mayMove(std::move(mayMove))
{
}

bool CVetoSelectionModel::Allows(const QModelIndex& to)
{
    if (!to.isValid() || to == currentIndex())
        return true;
    if (to == m_refused)
        return false;
    if (m_mayMove(currentIndex(), to)) {
        m_refused = QPersistentModelIndex();
        return true;
    }
    m_refused = to;
    return false;
}

void CVetoSelectionModel::MoveTo(const QModelIndex& index, QItemSelectionModel::SelectionFlags command)
{
    m_bMoving = true;
    QItemSelectionModel::setCurrentIndex(index, command);
    m_bMoving = false;
}

void CVetoSelectionModel::setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command)
{
    // A new move begins: a target refused before is asked about again.
    m_refused = QPersistentModelIndex();
    if (m_bMoving || Allows(index))
        MoveTo(index, command);
}

void CVetoSelectionModel::select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command)
{
    // Selecting another item (a mouse press selects after moving the current
    // item, a drag selects alone) moves the current item with it, or not at all.
    const QModelIndexList indexes = selection.indexes();
    if (!m_bMoving && (command & QItemSelectionModel::Select) && !indexes.isEmpty()
        && indexes.first() != currentIndex()) {
        if (Allows(indexes.first()))
            MoveTo(indexes.first(), command);
        return;
    }
    QItemSelectionModel::select(selection, command);
}

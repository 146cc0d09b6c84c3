#pragma once

#include <QItemSelectionModel>

#include <functional>

// A selection model that asks before the current item moves: the question runs
// once per move (from the mouse, the keyboard or code), and a "no" drops the
// move whole, so the current and the selected item stay the old one.
class CVetoSelectionModel : public QItemSelectionModel
{
    Q_OBJECT

public:
    // May the current item move from `from` to `to`?
    using MayMove = std::function<bool(const QModelIndex& from, const QModelIndex& to)>;

    CVetoSelectionModel(QAbstractItemModel* model, MayMove mayMove, QObject* parent);

    using QItemSelectionModel::select;
    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override;
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override;

private:
    bool Allows(const QModelIndex& to);
    void MoveTo(const QModelIndex& index, QItemSelectionModel::SelectionFlags command);

    MayMove m_mayMove;
    bool m_bMoving = false;          // inside an allowed move
    QPersistentModelIndex m_refused; // the target last refused, not asked again
};

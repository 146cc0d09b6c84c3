#pragma once

#include <QObject>

class CDialogPage;
class CSheetManager;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

// A tree of pages beside the area that shows the chosen one. Leaving a page
// checks it first: a page whose SaveData refuses keeps the tree's current and
// selected item where they are. Showing a page leaves the focus where it was;
// the page takes it by Tab or a click. The host lays out Tree() and Stack().
class CTreeSheet : public QObject
{
    Q_OBJECT

public:
    // The tree is named treeId and the page area areaId (ctrlName).
    CTreeSheet(CSheetManager& manager, QWidget* host, int treeId, int areaId);

    // Appends an item for the page (null: an item without a page) under parent,
    // or at the top level.
    QTreeWidgetItem* AddPage(const QString& label, CDialogPage* page, QTreeWidgetItem* parent = nullptr);
    static CDialogPage* PageOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* ItemOf(const CDialogPage* page) const;
    // Makes the page's item current, as a click would (its move may be refused).
    void SelectPage(const CDialogPage* page);

    QTreeWidget* Tree() const { return m_tree; }
    QStackedWidget* Stack() const { return m_stack; }

signals:
    // The current item moved and its page (null for none) is now shown.
    void PageActivated(CDialogPage* page);

private:
    CDialogPage* PageAt(const QModelIndex& index) const;

    CSheetManager& m_manager;
    QTreeWidget* m_tree;
    QStackedWidget* m_stack;
};

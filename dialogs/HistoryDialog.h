#pragma once

#include <QDialog>

class CHistory;
class QPushButton;
class QTreeWidget;

// The URL history, newest first, under one heading per calendar day; one
// address can be copied, or the whole history cleared. The history does not
// change while the dialog is open, except through its own Delete.
class CHistoryDialog : public QDialog
{
    Q_OBJECT

public:
    // The history slot of an entry row (headings have none).
    static constexpr int SlotRole = Qt::UserRole;

    CHistoryDialog(CHistory& history, QWidget* parent);

private:
    void FillList();
    void OnSelectionChanged();
    void OnCopyAddress();
    void OnDeleteHistory();

    CHistory& m_history;
    QTreeWidget* m_list;       // 1045
    QPushButton* m_btnCopy;    // 1168
};

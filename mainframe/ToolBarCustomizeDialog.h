#pragma once

#include "mainframe/ToolBarCtrlEx.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The customise dialog: works on a copy of the tool bar's records, one list row
// each (check box = shown), with Move up, Move down, Show text, Reset (the
// defaults, text mode kept) and the text mode. OK hands the copy back; Close
// changes nothing.
class CToolBarCustomizeDialog : public QDialog
{
    Q_OBJECT

public:
    CToolBarCustomizeDialog(const QList<_TBEXBUTTON>& buttons, const QList<_TBEXBUTTON>* defaultButtons,
                            ToolbarTextMode textMode, QWidget* parent);

    void accept() override;

    ToolbarTextMode m_nTextMode;
    QList<_TBEXBUTTON> m_arrButtons;
    const QList<_TBEXBUTTON>* m_pDefaultButtons;
    bool m_bFilling = false;

private:
    void CreateControls();
    void FillList();
    void InsertListItem(int row, int record);
    bool SwapItems(int from, int to);
    void MoveCurrent(int step);
    void OnCurrentRowChanged(int row);
    void OnItemChanged(QListWidgetItem* item);
    void OnShowText(bool checked);
    void OnReset();

    QListWidget* m_list;
    QPushButton* m_btnMoveUp;
    QPushButton* m_btnMoveDown;
    QCheckBox* m_chkShowText;
    QPushButton* m_btnReset;
    QComboBox* m_cmbTextMode;
};

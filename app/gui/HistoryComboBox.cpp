#include "app/gui/HistoryComboBox.h"

#include "app/History.h"

#include <QComboBox>

void FillComboBox(const CHistory& history, QComboBox* comboBox)
{
    for (int slot = 0; const CHistory::CHistoryItem* item = history.GetItem(slot); ++slot) {
        if (!item->GetText().isEmpty())
            comboBox->addItem(item->GetText());
    }
}

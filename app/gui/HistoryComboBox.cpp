#include "app/gui/HistoryComboBox.h"

#include "app/History.h"

#include <QComboBox>

namespace {

// Wide enough for a short address or folder; longer ones scroll in the box.
constexpr int kBoxCharacters = 24;

} // namespace

void FillComboBox(const CHistory& history, QComboBox* comboBox)
{
    // Sized to its entries, one long address would widen the whole dialog.
    comboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    comboBox->setMinimumContentsLength(kBoxCharacters);
    for (int slot = 0; const CHistory::CHistoryItem* item = history.GetItem(slot); ++slot) {
        if (!item->GetText().isEmpty())
            comboBox->addItem(item->GetText());
    }
}

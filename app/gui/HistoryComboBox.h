#pragma once

class CHistory;
class QComboBox;

// Appends the history's non-empty texts, newest first, after what the box holds.
// The box's width no longer follows its entries.
void FillComboBox(const CHistory& history, QComboBox* comboBox);

#pragma once

#include <QKeySequence>

#include <span>

// One key of the main window's accelerator table.
struct Accelerator
{
    int command;
    QKeyCombination keys;
};

// The main window's accelerator table; a command may have several keys
// (Enter is both Return and the keypad's Enter).
std::span<const Accelerator> AcceleratorTable();

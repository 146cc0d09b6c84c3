#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>

// Every numbered control of a dialog or page carries its id as its object name,
// "id" followed by the decimal id ("id1002"); hosts are named "dlg<template>" and
// pages "page<template>". Ids are unique within one dialog but repeat across pages,
// so a name picks out a control only within its page or dialog. The code keeps
// its controls in members and never looks them up by name.
QString ctrlName(int id);

// Gives the control the focus once the current event has been handled, so that a
// message box of the current check has closed first. A line edit selects its text,
// as a tab into it does.
void PostFocus(QWidget* control);

// Focuses the widget's remembered focus child, else its first control that takes
// the focus by Tab; the container itself never keeps the focus.
void FocusFirstControl(QWidget* container);

// The text a control shows: line edits, combo boxes' edits, labels and buttons.
QString ControlText(const QWidget* control);

// The control's text as a whole number, as the dialog manager reads one: white
// space around it and a leading "+" are allowed; empty text, other characters, a
// minus sign when unsigned, values outside 32 bits and a null control are refused.
std::optional<int64_t> ReadDlgItemInt(const QWidget* control, bool isSigned);

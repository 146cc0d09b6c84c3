#pragma once

class QLineEdit;
class QPlainTextEdit;

// Makes a text field read-only and look it: the window's colour behind its
// text instead of an input field's, also under a palette the application
// takes later. The text stays selectable and copyable, and the field keeps its
// Tab stop.
void MakeReadOnlyField(QLineEdit* field);
void MakeReadOnlyField(QPlainTextEdit* field);

#pragma once

#include <QString>

class QWidget;

// Opens a text file that ships with the program (beside the executable, or in
// the installed share folder) with the desktop's application for it. Returns
// the error text "<path>\n\n<system text>" on failure, else an empty text.
QString TryOpenAppFile(const QString& name);

// TryOpenAppFile with its failure shown in an error box.
void OpenAppFile(const QString& name, QWidget* parent);

#pragma once

#include <QDialog>

// The checksum dialog, a member of the main window that runs modally for one
// completed download. Its pages and hashing belong to the checksum code, which
// replaces this shell.
class CChecksumDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CChecksumDialog(QWidget* parent);
};

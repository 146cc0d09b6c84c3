#include "dialogs/ChecksumDialog.h"

CChecksumDialog::CChecksumDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ChecksumDialog"));
}

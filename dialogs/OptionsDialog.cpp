#include "dialogs/OptionsDialog.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

COptionsDialog::COptionsDialog(int startPage, QWidget* parent)
    : QDialog(parent), m_nStartPage(startPage)
{
    setObjectName(QStringLiteral("OptionsDialog"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    (new QVBoxLayout(this))->addWidget(buttons);
}

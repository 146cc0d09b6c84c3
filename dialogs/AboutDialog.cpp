#include "dialogs/AboutDialog.h"

#include "app/gui/Prompts.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    const QString product = AppTitle();
    setWindowTitle(product);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(product + u' ' + QCoreApplication::applicationVersion()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

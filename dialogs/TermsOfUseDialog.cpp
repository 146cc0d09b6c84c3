#include "dialogs/TermsOfUseDialog.h"

#include "app/gui/UIFont.h"
#include "dialogs/ReadOnlyField.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

extern const char kTermsOfUseText[]; // generated from resources/TermsOfUse.txt

namespace {

constexpr QSize kDialogUnits(309, 177);

} // namespace

CTermsOfUseDialog::CTermsOfUseDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TermsOfUseDialog"));
    setWindowTitle(QStringLiteral("使用条款"));
    resize(DialogUnitsToPixels(kDialogUnits, font()));
    auto* text = new QPlainTextEdit(Text(), this);
    text->setObjectName(QStringLiteral("ctl1006"));
    MakeReadOnlyField(text);
    text->setFocusPolicy(Qt::ClickFocus);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("确定"));
    ok->setDefault(true);
    ok->setFocus(Qt::OtherFocusReason);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

QString CTermsOfUseDialog::Text()
{
    return QString::fromUtf8(kTermsOfUseText);
}

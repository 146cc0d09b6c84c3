#include "dialogs/AboutDialog.h"

#include "app/AppVersion.h"
#include "app/gui/AppBitmaps.h"
#include "app/gui/Prompts.h"
#include "dialogs/TermsOfUseDialog.h"
#include "dialogs/LinkLabel.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace {

QLabel* TextLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

// A label whose links the box handles itself, by mouse or keyboard.
QLabel* LinkLabel(const QString& html, const char* name, QWidget* parent)
{
    auto* label = new CLinkLabel(html, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    const QString product = AppTitle();
    setWindowTitle(QStringLiteral("关于 ") + product);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setPixmap(AppBitmap(IDB_ABOUT_LOGO));
    logo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QLabel* licence = LinkLabel(QStringLiteral("本程序可免费使用，详见<a href=\"%1\">使用条款</a>。")
                                    .arg(QLatin1String(kTermsHref)),
                                "ctl1003", this);
    QLabel* contact = LinkLabel(QStringLiteral("<a href=\"%1\">联系我们</a>").arg(QLatin1String(kContactUrl)),
                                "ctl1004", this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("确定"));
    ok->setFocus(Qt::OtherFocusReason); // Enter closes the box; Tab reaches the links

    auto* grid = new QGridLayout(this);
    grid->addWidget(logo, 0, 0, 5, 1, Qt::AlignTop);
    grid->addWidget(TextLabel(product, "ctl1000", this), 0, 1);
    grid->addWidget(TextLabel(QStringLiteral("版本: ") + QLatin1String(kAppVersion), "ctl1001", this),
                    1, 1);
    grid->addWidget(TextLabel(QStringLiteral("版权所有 © 2026 Vandrel 的作者们。"), "ctl1002", this),
                    2, 1);
    grid->addWidget(licence, 3, 1);
    grid->setRowStretch(4, 1);
    grid->addWidget(contact, 5, 0, 1, 2);
    grid->addWidget(buttons, 5, 1, Qt::AlignRight);

    connect(licence, &QLabel::linkActivated, this, &CAboutDialog::OnLicenceLink);
    connect(contact, &QLabel::linkActivated, this, &CAboutDialog::OnContactLink);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

void CAboutDialog::OnLicenceLink(const QString& href)
{
    if (href != QLatin1String(kTermsHref))
        return;
    CTermsOfUseDialog terms(this);
    terms.exec();
}

void CAboutDialog::OnContactLink(const QString& href)
{
    if (href == QLatin1String(kContactUrl))
        QDesktopServices::openUrl(QUrl(href));
}

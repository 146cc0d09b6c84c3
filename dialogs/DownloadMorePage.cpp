#include "dialogs/DownloadMorePage.h"

#include "dialogs/DownloadInput.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr int IDC_REFERER = 1021;

} // namespace

void CDownloadMorePage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("引用(&F):"), this);
    auto* referer = new QLineEdit(this);
    referer->setObjectName(ctrlName(IDC_REFERER));
    label->setBuddy(referer);
    row->addWidget(label);
    row->addWidget(referer, 1);
    layout->addLayout(row);
    layout->addStretch();
    connect(referer, &QLineEdit::textChanged, this, [this] { m_bChanged = true; });
}

bool CDownloadMorePage::OnInitDialog()
{
    FindControl<QLineEdit>(this, IDC_REFERER)->setText(m_strReferer);
    m_bChanged = false;
    return true;
}

bool CDownloadMorePage::SaveData()
{
    QString referer = FindControl<QLineEdit>(this, IDC_REFERER)->text().trimmed();
    if (!referer.isEmpty()) {
        if (const TextId refusal = CheckUrlInput(referer); refusal != TextId::None) {
            ActivateOwnTab(MoreTabIndex());
            ShowWarning(refusal);
            return FocusControl(IDC_REFERER);
        }
    }
    m_strReferer = referer;
    return true;
}

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
    m_pReferer = new QLineEdit(this);
    m_pReferer->setObjectName(ctrlName(IDC_REFERER));
    label->setBuddy(m_pReferer);
    row->addWidget(label);
    row->addWidget(m_pReferer, 1);
    layout->addLayout(row);
    layout->addStretch();
    connect(m_pReferer, &QLineEdit::textChanged, this, [this] { m_bChanged = true; });
}

bool CDownloadMorePage::OnInitDialog()
{
    m_pReferer->setText(m_strReferer);
    m_bChanged = false;
    return true;
}

bool CDownloadMorePage::SaveData()
{
    QString referer = m_pReferer->text().trimmed();
    if (!referer.isEmpty()) {
        if (const TextId refusal = CheckUrlInput(referer); refusal != TextId::None) {
            ActivateOwnTab(MoreTabIndex());
            ShowWarning(refusal);
            return FocusControl(m_pReferer);
        }
    }
    m_strReferer = referer;
    return true;
}

#include "dialogs/DownloadConnectionPage.h"

#include "app/gui/AppIcons.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 32;

// Each access type's button.
constexpr std::pair<int32_t, int> kButtons[] = {{Preconfig, 1171}, {Direct, 1172}, {Proxy, 1173}};

} // namespace

void CDownloadConnectionPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("互联网接入类型(&T)"), this);
    auto* row = new QHBoxLayout(group);
    auto* icon = new QLabel(group);
    icon->setPixmap(AppIcon(IDI_CONNECTION_TYPE).pixmap(kIconSize));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* buttons = new QVBoxLayout;
    const char* const texts[] = {"使用系统设置(&G)", "直接到互联网(&D)", "使用代理服务器(&P)"};
    static_assert(std::tuple_size_v<decltype(m_pButtons)> == std::size(kButtons));
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        // Auto radio buttons of one group: one parent, exclusive among themselves.
        auto* button = m_pButtons[i] = new QRadioButton(QString::fromUtf8(texts[i]), group);
        button->setObjectName(ctrlName(kButtons[i].second));
        buttons->addWidget(button);
        connect(button, &QRadioButton::clicked, this, [this] { m_bChanged = true; });
    }
    row->addLayout(buttons, 1);
    layout->addWidget(group);
    layout->addStretch();
}

bool CDownloadConnectionPage::OnInitDialog()
{
    // A type no button stands for checks none.
    for (size_t i = 0; i < std::size(kButtons); ++i)
        m_pButtons[i]->setChecked(kButtons[i].first == m_nAccessType);
    m_bChanged = false;
    return true;
}

bool CDownloadConnectionPage::SaveData()
{
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        if (m_pButtons[i]->isChecked()) {
            m_nAccessType = kButtons[i].first;
            break;
        }
    }
    return true;
}

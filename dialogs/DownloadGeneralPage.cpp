#include "dialogs/DownloadGeneralPage.h"

#include "app/VandrelCore.h"
#include "app/gui/HistoryComboBox.h"
#include "app/gui/Prompts.h"
#include "dialogs/DownloadInput.h"
#include "dialogs/TextLimitValidator.h"
#include "platform/StringTable.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int IDC_LOCATION = 1003;
constexpr int IDC_BROWSE = 1004;
constexpr int IDC_DESCRIPTION = 1009;
constexpr qsizetype kLocationLimit = 260;
constexpr qsizetype kDescriptionLimit = 255;

} // namespace

void CDownloadGeneralPage::CreateLocationControls(QVBoxLayout* layout)
{
    auto* locationLabel = new QLabel(QStringLiteral("下载位置(&C)："), this);
    layout->addWidget(locationLabel);
    auto* row = new QHBoxLayout;
    m_pLocation = new QComboBox(this);
    m_pLocation->setObjectName(ctrlName(IDC_LOCATION));
    m_pLocation->setEditable(true);
    m_pLocation->setInsertPolicy(QComboBox::NoInsert);
    row->addWidget(m_pLocation, 1);
    m_pBrowse = new QPushButton(QStringLiteral("..."), this);
    m_pBrowse->setObjectName(ctrlName(IDC_BROWSE));
    m_pBrowse->setAutoDefault(false);
    row->addWidget(m_pBrowse);
    layout->addLayout(row);
    locationLabel->setBuddy(m_pLocation);
    auto* descriptionLabel = new QLabel(QStringLiteral("描述(&D)："), this);
    layout->addWidget(descriptionLabel);
    m_pDescription = new QLineEdit(this);
    m_pDescription->setObjectName(ctrlName(IDC_DESCRIPTION));
    layout->addWidget(m_pDescription);
    descriptionLabel->setBuddy(m_pDescription);

    connect(m_pLocation, &QComboBox::activated, this, [this] { m_bLocationChanged = true; });
    connect(m_pLocation->lineEdit(), &QLineEdit::textEdited, this, [this] { m_bLocationChanged = true; });
    connect(m_pDescription, &QLineEdit::textChanged, this, [this] { m_bDescriptionChanged = true; });
    connect(m_pBrowse, &QPushButton::clicked, this, &CDownloadGeneralPage::OnBrowseLocation);
}

bool CDownloadGeneralPage::OnInitDialog()
{
    CTextLimitValidator::Install(m_pLocation, kLocationLimit);
    CTextLimitValidator::Install(m_pDescription, kDescriptionLimit);
    // The list first: filling an empty box would replace its text.
    FillComboBox(AppCore().m_downloadLocationsHistory, m_pLocation);
    m_pLocation->setCurrentIndex(-1);
    m_pLocation->setEditText(m_strLocation.isEmpty() ? AppCore().m_settings.DefaultDownloadLocation : m_strLocation);
    m_pDescription->setText(m_strDescription);
    m_bLocationChanged = false;
    m_bDescriptionChanged = false;
    return true;
}

bool CDownloadGeneralPage::SaveData()
{
    // A box the page has locked is neither checked nor taken.
    if (m_pLocation->isEnabledTo(this)) {
        QString folder = m_pLocation->currentText();
        if (const TextId refusal = CheckFolderInput(folder); refusal != TextId::None) {
            ActivateOwnTab(GeneralTabIndex());
            ShowWarning(refusal);
            return FocusControl(m_pLocation);
        }
        m_strLocation = folder;
    }
    m_strDescription = m_pDescription->text().trimmed();
    return true;
}

void CDownloadGeneralPage::OnBrowseLocation()
{
    const std::optional<QString> folder =
        BrowseForFolder(this, LoadResString(TextId::ChooseDownloadFolder), m_pLocation->currentText());
    if (!folder)
        return;
    m_pLocation->setEditText(*folder);
    m_bLocationChanged = true;
}

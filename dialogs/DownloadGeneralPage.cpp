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
    auto* location = new QComboBox(this);
    location->setObjectName(ctrlName(IDC_LOCATION));
    location->setEditable(true);
    location->setInsertPolicy(QComboBox::NoInsert);
    row->addWidget(location, 1);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(ctrlName(IDC_BROWSE));
    browse->setAutoDefault(false);
    row->addWidget(browse);
    layout->addLayout(row);
    locationLabel->setBuddy(location);
    auto* descriptionLabel = new QLabel(QStringLiteral("描述(&D)："), this);
    layout->addWidget(descriptionLabel);
    auto* description = new QLineEdit(this);
    description->setObjectName(ctrlName(IDC_DESCRIPTION));
    layout->addWidget(description);
    descriptionLabel->setBuddy(description);

    connect(location, &QComboBox::activated, this, [this] { m_bLocationChanged = true; });
    connect(location->lineEdit(), &QLineEdit::textEdited, this, [this] { m_bLocationChanged = true; });
    connect(description, &QLineEdit::textChanged, this, [this] { m_bDescriptionChanged = true; });
    connect(browse, &QPushButton::clicked, this, &CDownloadGeneralPage::OnBrowseLocation);
}

QComboBox* CDownloadGeneralPage::LocationBox() const
{
    return FindControl<QComboBox>(this, IDC_LOCATION);
}

bool CDownloadGeneralPage::OnInitDialog()
{
    QComboBox* location = LocationBox();
    auto* description = FindControl<QLineEdit>(this, IDC_DESCRIPTION);
    CTextLimitValidator::Install(location, kLocationLimit);
    CTextLimitValidator::Install(description, kDescriptionLimit);
    // The list first: filling an empty box would replace its text.
    FillComboBox(AppCore().m_downloadLocationsHistory, location);
    location->setCurrentIndex(-1);
    location->setEditText(m_strLocation.isEmpty() ? AppCore().m_settings.DefaultDownloadLocation : m_strLocation);
    description->setText(m_strDescription);
    m_bLocationChanged = false;
    m_bDescriptionChanged = false;
    return true;
}

bool CDownloadGeneralPage::SaveData()
{
    QComboBox* location = LocationBox();
    // A box the page has locked is neither checked nor taken.
    if (location->isEnabledTo(this)) {
        QString folder = location->currentText();
        if (const TextId refusal = CheckFolderInput(folder); refusal != TextId::None) {
            ActivateOwnTab(GeneralTabIndex());
            ShowWarning(refusal);
            return FocusControl(IDC_LOCATION);
        }
        m_strLocation = folder;
    }
    m_strDescription = FindControl<QLineEdit>(this, IDC_DESCRIPTION)->text().trimmed();
    return true;
}

void CDownloadGeneralPage::OnBrowseLocation()
{
    QComboBox* location = LocationBox();
    const std::optional<QString> folder =
        BrowseForFolder(this, LoadResString(TextId::ChooseDownloadFolder), location->currentText());
    if (!folder)
        return;
    location->setEditText(*folder);
    m_bLocationChanged = true;
}

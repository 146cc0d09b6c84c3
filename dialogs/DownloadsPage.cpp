#include "dialogs/DownloadsPage.h"

#include "app/AppSettings.h"
#include "app/gui/Prompts.h"
#include "dialogs/DialogControls.h"
#include "dialogs/DownloadInput.h"
#include "platform/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 343;
constexpr int kFolderId = 1003;
constexpr int kBrowseId = 1004;
constexpr int kConcurrentId = 1095;
constexpr int kSectionsId = 1087;
constexpr int kMinSectionSizeId = 1088;
constexpr int kMinSectionSizeSpinId = 1100;
constexpr int kAttemptsId = 1090;
constexpr int kPauseId = 1091;
constexpr int kPauseSpinId = 1101;
constexpr int kStopOnSectionFailId = 1129;
constexpr int kStopIfHtmlId = 1176;

constexpr int kMaxConcurrent = 8;
constexpr int kMaxSections = 8;
constexpr int kMaxAttempts = 10;
constexpr int kPauseDigits = 2;
constexpr int kMaxPauseSeconds = 30;
constexpr int kMsPerSecond = 1000;

QStringList OneTo(int count)
{
    QStringList entries;
    for (int i = 1; i <= count; ++i)
        entries << QString::number(i);
    return entries;
}

} // namespace

CDownloadsPage::CDownloadsPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true) {}

void CDownloadsPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* location = new QGroupBox(QStringLiteral("默认下载位置(&L)"), this);
    auto* locationLayout = new QHBoxLayout(location);
    auto* folder = m_pFolder = new QLineEdit(location);
    folder->setObjectName(ctrlName(kFolderId));
    auto* browse = new QPushButton(QStringLiteral("..."), location);
    browse->setObjectName(ctrlName(kBrowseId));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &CDownloadsPage::OnBnClickedBrowse);
    locationLayout->addWidget(folder, 1);
    locationLayout->addWidget(browse);
    layout->addWidget(location);

    auto* form = new QFormLayout;
    QComboBox* concurrent = m_pConcurrent = MakeDropList(kConcurrentId, OneTo(kMaxConcurrent));
    QComboBox* sections = m_pSections = MakeDropList(kSectionsId, OneTo(kMaxSections));
    form->addRow(MakeLabel(QStringLiteral("并发下载数(&C)："), concurrent), concurrent);
    form->addRow(MakeLabel(QStringLiteral("每次下载的最大节数(&S)："), sections), sections);
    const auto addSpin = [&](int id, int spinId, int digits, int minimum, int maximum, const QString& label,
                             const QString& unit) {
        auto* row = new QHBoxLayout;
        const SpinEdit spin = MakeSpinEdit(id, spinId, digits, minimum, maximum);
        row->addWidget(spin.box);
        row->addWidget(new QLabel(unit, this));
        row->addStretch();
        form->addRow(MakeLabel(label, spin.edit), row);
        return spin.edit;
    };
    m_pMinSectionSize = addSpin(kMinSectionSizeId, kMinSectionSizeSpinId, kMegabyteDigits, 1, kMaxMegabytes,
                                QStringLiteral("最小切片尺寸(&M)："), QStringLiteral("(MB)"));
    QComboBox* attempts = m_pAttempts = MakeDropList(kAttemptsId, OneTo(kMaxAttempts));
    form->addRow(MakeLabel(QStringLiteral("最大尝试失败次数(&A)："), attempts), attempts);
    m_pPause = addSpin(kPauseId, kPauseSpinId, kPauseDigits, 0, kMaxPauseSeconds,
                       QStringLiteral("在尝试之间暂停(&B)："), QStringLiteral("(秒)"));
    layout->addLayout(form);
    m_pStopOnSectionFail = AddCheck(layout, kStopOnSectionFailId, QStringLiteral("部分失败时停止整个下载(&F)"));
    m_pStopIfHtml = AddCheck(layout, kStopIfHtmlId, QStringLiteral("如果返回 HTML 内容，则停止下载(&H)"));
    layout->addStretch();
}

bool CDownloadsPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CDownloadsPage::LoadData()
{
    const CAppSettings& s = Settings();
    m_pFolder->setText(s.DefaultDownloadLocation);
    m_pConcurrent->setCurrentIndex(NumberListIndex(s.ConcurrentDownloads, 1, 1, kMaxConcurrent));
    m_pSections->setCurrentIndex(NumberListIndex(s.MaxSectionCountPerDownload, 1, 1, kMaxSections));
    SetNumber(m_pMinSectionSize, s.MinSectionSize / kMegabyte);
    m_pAttempts->setCurrentIndex(NumberListIndex(s.MaxAttempts, 1, 1, kMaxAttempts));
    SetNumber(m_pPause, s.PauseBetweenAttempts / kMsPerSecond);
    LoadCheck(m_pStopOnSectionFail, s.StopDownloadOnSectionFail);
    LoadCheck(m_pStopIfHtml, s.StopIfHtmlContentReturned);
}

bool CDownloadsPage::CheckFolder(QString* folder)
{
    QString text = m_pFolder->text();
    if (const TextId refusal = CheckFolderInput(text); refusal != TextId::None) {
        AppMessageBox(window(), refusal, MB_OK | MB_ICONWARNING);
        return FocusControl(m_pFolder);
    }
    *folder = text;
    return true;
}

bool CDownloadsPage::SaveData()
{
    CAppSettings& s = Settings();
    QString folder;
    if (!CheckFolder(&folder))
        return false;
    s.DefaultDownloadLocation = folder;
    s.ConcurrentDownloads = int32_t(PlainNumber(m_pConcurrent));
    s.MaxSectionCountPerDownload = int32_t(PlainNumber(m_pSections));
    int32_t sizeMb = 0;
    if (!BoundedNumber(m_pMinSectionSize, 1, kMaxMegabytes, &sizeMb))
        return false;
    s.MinSectionSize = sizeMb * kMegabyte;
    s.MaxAttempts = int32_t(PlainNumber(m_pAttempts));
    int32_t pauseSeconds = 0;
    if (!BoundedNumber(m_pPause, 0, kMaxPauseSeconds, &pauseSeconds))
        return false;
    s.PauseBetweenAttempts = pauseSeconds * kMsPerSecond;
    s.StopDownloadOnSectionFail = CheckValue(m_pStopOnSectionFail);
    s.StopIfHtmlContentReturned = CheckValue(m_pStopIfHtml);
    return true;
}

void CDownloadsPage::SetDefaults()
{
    CopyDefaults({&B::DefaultDownloadLocation, &B::ConcurrentDownloads, &B::MaxSectionCountPerDownload,
                  &B::MinSectionSize, &B::MaxAttempts, &B::PauseBetweenAttempts, &B::StopDownloadOnSectionFail,
                  &B::StopIfHtmlContentReturned});
    LoadData();
}

void CDownloadsPage::OnBnClickedBrowse()
{
    if (const std::optional<QString> folder
        = BrowseForFolder(this, LoadResString(TextId::ChooseDownloadFolder), m_pFolder->text()))
        m_pFolder->setText(*folder);
}

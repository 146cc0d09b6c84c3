#include "dialogs/DownloadsAdvancedPage.h"

#include "app/AppSettings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

using B = CAppSettingsBase;

constexpr int kTemplateId = 348;
constexpr int kBufferSizeId = 1089;
constexpr int kStubIntervalId = 1094;
constexpr int kStubIntervalSpinId = 1103;

// 1, 2, 4, ... 4096 kilobytes.
constexpr int kBufferEntries = 13;

QStringList PowersOfTwo(int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries << QString::number(1u << i);
    return entries;
}

} // namespace

CDownloadsAdvancedPage::CDownloadsAdvancedPage(COptionsDialog* dialog) : COptionsPageBase(kTemplateId, dialog, true)
{
}

void CDownloadsAdvancedPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    QComboBox* buffer = m_pBufferSize = MakeDropList(kBufferSizeId, PowersOfTwo(kBufferEntries));
    connect(buffer, &QComboBox::activated, this, [this] { m_bBufferPicked = true; });
    auto* bufferRow = new QHBoxLayout;
    bufferRow->addWidget(buffer);
    bufferRow->addWidget(new QLabel(QStringLiteral("(KB)"), this));
    bufferRow->addStretch();
    form->addRow(MakeLabel(QStringLiteral("每个部分的最大传输大小(&M):"), buffer), bufferRow);
    layout->addLayout(form);
    layout->addWidget(MakeNote(QStringLiteral("注意：较大的数值会增加下载暂停的时间。同时，限速器的功能也受到影响，"
                                              "应该进行调节。")));
    auto* stubForm = new QFormLayout;
    auto* stubRow = new QHBoxLayout;
    const SpinEdit stub = MakeSpinEdit(kStubIntervalId, kStubIntervalSpinId, kMegabyteDigits, 1, kMaxMegabytes);
    m_pStubInterval = stub.edit;
    stubRow->addWidget(stub.box);
    stubRow->addWidget(new QLabel(QStringLiteral("(MB)"), this));
    stubRow->addStretch();
    stubForm->addRow(MakeLabel(QStringLiteral("每次更新下载恢复数据(&U)："), m_pStubInterval), stubRow);
    layout->addLayout(stubForm);
    layout->addStretch();
}

bool CDownloadsAdvancedPage::OnInitDialog()
{
    LoadData();
    return true;
}

void CDownloadsAdvancedPage::LoadData()
{
    const CAppSettings& s = Settings();
    SelectPrefix(m_pBufferSize, QString::number(uint32_t(s.MaxTransferBufferSize) / kKilobyte));
    m_bBufferPicked = false;
    SetNumber(m_pStubInterval, s.UpdateDownloadStubEvery / kMegabyte);
}

bool CDownloadsAdvancedPage::SaveData()
{
    CAppSettings& s = Settings();
    if (m_bBufferPicked)
        s.MaxTransferBufferSize = int32_t(PlainNumber(m_pBufferSize) * kKilobyte);
    int32_t stubMb = 0;
    if (!BoundedNumber(m_pStubInterval, 1, kMaxMegabytes, &stubMb))
        return false;
    s.UpdateDownloadStubEvery = stubMb * kMegabyte;
    return true;
}

void CDownloadsAdvancedPage::SetDefaults()
{
    CopyDefaults({&B::MaxTransferBufferSize, &B::UpdateDownloadStubEvery});
    LoadData();
}

#include "dialogs/FixedDownloadGeneralPage.h"

#include "dialogs/DownloadDialog.h"
#include "dialogs/ReadOnlyField.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <tuple>

namespace {

constexpr int IDC_URL = 1042;
constexpr int IDC_DOWNLOAD_URL = 1174;
constexpr int IDC_FILE_NAME = 1044;

const CHttpDownloader& Download(const CDownloadDialog* owner)
{
    return *owner->m_pItem->m_pDownloader;
}

} // namespace

CFixedDownloadGeneralPage::CFixedDownloadGeneralPage(CDownloadDialog* owner) : CDownloadGeneralPage(428, owner)
{
    const CHttpDownloader& download = Download(owner);
    m_strLocation = download.m_strDownloadLocation;
    m_strDescription = download.m_strDescription;
}

void CFixedDownloadGeneralPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    const std::tuple<const char*, int, QLineEdit**> fields[] = {{"URL：", IDC_URL, &m_pUrl},
                                                                 {"实际资源网址：", IDC_DOWNLOAD_URL, &m_pDownloadUrl},
                                                                 {"文件名：", IDC_FILE_NAME, &m_pFileName}};
    for (const auto& [label, id, member] : fields) {
        layout->addWidget(new QLabel(QString::fromUtf8(label), this));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(ctrlName(id));
        MakeReadOnlyField(edit);
        layout->addWidget(edit);
        *member = edit;
    }
    CreateLocationControls(layout);
    layout->addStretch();
}

bool CFixedDownloadGeneralPage::OnInitDialog()
{
    CDownloadGeneralPage::OnInitDialog();
    m_pUrl->setText(Download(m_pOwner).m_strUrl);
    FillFromItem();
    return true;
}

void CFixedDownloadGeneralPage::FillFromItem()
{
    const CHttpDownloader& download = Download(m_pOwner);
    const int32_t state = download.m_nState;
    const bool editable = !m_bFilled && state == NeedToPrepare;
    m_pLocation->setEnabled(editable);
    m_pBrowse->setEnabled(editable);
    if (state < Prepared || m_bFilled)
        return;
    m_pDownloadUrl->setText(download.GetDownloadUrl());
    m_pFileName->setText(download.GetFileTitle());
    m_strLocation = download.m_strDownloadLocation;
    m_pLocation->setEditText(m_strLocation);
    m_bFilled = true;
}

bool CFixedDownloadGeneralPage::IsLocationEditable() const
{
    return !isCreated() || m_pLocation->isEnabledTo(this);
}

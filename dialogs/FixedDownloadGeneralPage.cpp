#include "dialogs/FixedDownloadGeneralPage.h"

#include "dialogs/DownloadDialog.h"
#include "dialogs/ReadOnlyField.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr int IDC_URL = 1042;
constexpr int IDC_DOWNLOAD_URL = 1174;
constexpr int IDC_FILE_NAME = 1044;
constexpr int IDC_LOCATION = 1003;
constexpr int IDC_BROWSE = 1004;

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
    const std::pair<const char*, int> fields[] = {
        {"URL：", IDC_URL}, {"实际资源网址：", IDC_DOWNLOAD_URL}, {"文件名：", IDC_FILE_NAME}};
    for (const auto& [label, id] : fields) {
        layout->addWidget(new QLabel(QString::fromUtf8(label), this));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(ctrlName(id));
        MakeReadOnlyField(edit);
        layout->addWidget(edit);
    }
    CreateLocationControls(layout);
    layout->addStretch();
}

bool CFixedDownloadGeneralPage::OnInitDialog()
{
    CDownloadGeneralPage::OnInitDialog();
    FindControl<QLineEdit>(this, IDC_URL)->setText(Download(m_pOwner).m_strUrl);
    FillFromItem();
    return true;
}

void CFixedDownloadGeneralPage::FillFromItem()
{
    const CHttpDownloader& download = Download(m_pOwner);
    const int32_t state = download.m_nState;
    const bool editable = !m_bFilled && state == NeedToPrepare;
    for (int id : {IDC_LOCATION, IDC_BROWSE})
        FindControl(this, id)->setEnabled(editable);
    if (state < Prepared || m_bFilled)
        return;
    FindControl<QLineEdit>(this, IDC_DOWNLOAD_URL)->setText(download.GetDownloadUrl());
    FindControl<QLineEdit>(this, IDC_FILE_NAME)->setText(download.GetFileTitle());
    m_strLocation = download.m_strDownloadLocation;
    LocationBox()->setEditText(m_strLocation);
    m_bFilled = true;
}

bool CFixedDownloadGeneralPage::IsLocationEditable() const
{
    return !isCreated() || LocationBox()->isEnabledTo(this);
}

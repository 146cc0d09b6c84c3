#include "dialogs/FixedDownloadDialog.h"

#include "app/gui/Prompts.h"
#include "mainframe/MainFrame.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace {

constexpr int IDC_START = 1175;
constexpr int IDC_PAUSE = 1176;

} // namespace

CFixedDownloadDialog::CFixedDownloadDialog(CDownloadItem* item, CMainFrame* frame)
    : CDownloadDialog(DialogTypeFixed, item, frame), m_pFrame(frame)
{
    ShowInTaskBar();
    setWindowFlag(Qt::WindowMinimizeButtonHint);
}

void CFixedDownloadDialog::CreateButtons(QHBoxLayout* row)
{
    // Image-only buttons, named for tool tips and screen readers.
    const std::pair<int, const char*> imageButtons[] = {{IDC_START, "开始"}, {IDC_PAUSE, "暂停"}};
    for (const auto& [id, name] : imageButtons) {
        QPushButton* button = AddButton(row, id, QString());
        button->setIcon(id == IDC_START ? m_bmpStart : m_bmpPause);
        button->setToolTip(QString::fromUtf8(name));
        button->setAccessibleName(QString::fromUtf8(name));
        connect(button, &QPushButton::clicked, this, id == IDC_START ? &CFixedDownloadDialog::OnStart
                                                                     : &CFixedDownloadDialog::OnPause);
        (id == IDC_START ? m_pStart : m_pPause) = button;
    }
    row->addStretch();
    QPushButton* ok = AddButton(row, IDOK, QStringLiteral("确定"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CFixedDownloadDialog::OnOK);
    connect(AddButton(row, IDCANCEL, QStringLiteral("关闭")), &QPushButton::clicked, this, &CDownloadDialog::reject);
}

void CFixedDownloadDialog::OnOK()
{
    if (ValidatePages() && ApplyToItem())
        CloseDialog(ResultOk);
}

void CFixedDownloadDialog::OnStart()
{
    if (ValidatePages() && ApplyToItem() && m_pFrame)
        m_pFrame->StartOrQueue(m_pItem);
}

void CFixedDownloadDialog::OnPause()
{
    if (m_pFrame)
        m_pFrame->PauseItem(m_pItem);
}

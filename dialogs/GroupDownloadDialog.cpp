#include "dialogs/GroupDownloadDialog.h"

#include "app/gui/Prompts.h"

#include <QHBoxLayout>
#include <QPushButton>

CGroupDownloadDialog::CGroupDownloadDialog(QWidget* parent) : CDownloadDialog(DialogTypeGroup, nullptr, parent) {}

void CGroupDownloadDialog::CreateButtons(QHBoxLayout* row)
{
    row->addStretch();
    QPushButton* ok = AddButton(row, IDOK, QStringLiteral("确定"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (ValidatePages())
            CloseDialog(ResultOk);
    });
    connect(AddButton(row, IDCANCEL, QStringLiteral("取消")), &QPushButton::clicked, this, &CDownloadDialog::reject);
}

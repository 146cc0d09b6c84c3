#include "dialogs/GroupDownloadGeneralPage.h"

#include "app/VandrelCore.h"

#include <QVBoxLayout>

CGroupDownloadGeneralPage::CGroupDownloadGeneralPage(CDownloadDialog* owner) : CDownloadGeneralPage(429, owner)
{
    m_strLocation = AppCore().m_settings.DefaultDownloadLocation;
}

void CGroupDownloadGeneralPage::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    CreateLocationControls(layout);
    layout->addStretch();
}

#pragma once

#include "dialogs/DownloadGeneralPage.h"

// The group dialog's general tab: a folder and a description for every selected
// download, starting from the default folder.
class CGroupDownloadGeneralPage : public CDownloadGeneralPage
{
    Q_OBJECT

public:
    explicit CGroupDownloadGeneralPage(CDownloadDialog* owner);

protected:
    void CreateControls() override;
};

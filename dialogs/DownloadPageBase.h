#pragma once

#include "dialogs/DialogPage.h"
#include "StringIds.h"

class CDownloadDialog;

// A page of a download dialog.
class CDownloadPageBase : public CDialogPage
{
    Q_OBJECT

public:
    // Throws CInvalidArgException for a null owner.
    CDownloadPageBase(int templateId, CDownloadDialog* owner);

    bool SaveData() override { return true; }

protected:
    // A warning box over the page with the string-table text.
    void ShowWarning(TextId stringId);
    // Brings the owner's tab of that index forward, showing its page.
    void ActivateOwnTab(int index);
    // The tab of the page's kind: a general page's, or the more page's.
    int GeneralTabIndex() const;
    int MoreTabIndex() const;

    CDownloadDialog* const m_pOwner;
};

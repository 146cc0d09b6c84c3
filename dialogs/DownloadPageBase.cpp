#include "dialogs/DownloadPageBase.h"

#include "app/gui/Prompts.h"
#include "dialogs/DownloadDialog.h"
#include "dialogs/TabSheet.h"
#include "engine/InvalidArgException.h"

namespace {

// The tab's display area of the download dialogs, in dialog units.
constexpr QSize kPageUnits(280, 185);

CDownloadDialog* CheckedOwner(CDownloadDialog* owner)
{
    if (!owner)
        throw CInvalidArgException("a download page needs its dialog");
    return owner;
}

} // namespace

CDownloadPageBase::CDownloadPageBase(int templateId, CDownloadDialog* owner)
    : CDialogPage(templateId, kPageUnits), m_pOwner(CheckedOwner(owner))
{
}

void CDownloadPageBase::ShowWarning(TextId stringId)
{
    AppMessageBox(m_pOwner, stringId, MB_OK | MB_ICONWARNING);
}

void CDownloadPageBase::ActivateOwnTab(int index)
{
    // Selecting the tab shows its page; an unchanged selection shows it already.
    m_pOwner->Tabs()->setCurrentIndex(index);
}

int CDownloadPageBase::GeneralTabIndex() const
{
    return m_pOwner->m_nType == DialogTypeFixed ? 1 : 0;
}

int CDownloadPageBase::MoreTabIndex() const
{
    return m_pOwner->m_nType == DialogTypeFixed ? 4 : 3;
}

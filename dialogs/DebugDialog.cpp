#include "dialogs/DebugDialog.h"

#include "app/TextFormat.h"
#include "app/gui/UIFont.h"
#include "dialogs/DebugListCtrl.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/DownloadsView.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Zero-wait results of a wait on the terminate event.
constexpr uint32_t WAIT_OBJECT_0 = 0x00000000;
constexpr uint32_t WAIT_TIMEOUT = 0x00000102;
const char kWaitResults[] = "ABANDONED: 0x00000080L; OBJECT_0: 0x00000000; TIMEOUT: 0x00000102; FAILED: 0xFFFFFFFF";

const char* const kAccessTypeNames[] = {"Preconfig", "Direct", "Proxy"};

constexpr QSize kDialogUnits(413, 320);

QString TimeText(const SYSTEMTIME& time)
{
    return QString::asprintf("%u/%02u/%02u %u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                             time.wMinute, time.wSecond);
}

QString NameOrEmpty(const char* name)
{
    return name ? QLatin1String(name) : QString();
}

QString AccessTypeName(int32_t type)
{
    return NameOrEmpty(type >= 0 && type < int32_t(std::size(kAccessTypeNames)) ? kAccessTypeNames[type] : nullptr);
}

uint64_t Address(const void* pointer)
{
    return uint64_t(reinterpret_cast<quintptr>(pointer));
}

} // namespace

CDebugDialog::CDebugDialog(uint64_t itemId, CDownloadsView& view, QWidget* parent)
    : QDialog(parent, Qt::Window), m_nItemId(itemId), m_view(&view), m_list(new CDebugListCtrl(this))
{
    setObjectName(QStringLiteral("DebugDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("调试"));
    resize(DialogUnitsToPixels(kDialogUnits, font()));
    auto* refresh = new QPushButton(QStringLiteral("刷新(&R)"), this);
    refresh->setObjectName(QStringLiteral("ctl1183"));
    connect(refresh, &QPushButton::clicked, this, &CDebugDialog::FillList);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(refresh);
    buttons->addStretch();
    layout->addLayout(buttons);
    FillList();
}

CDebugListCtrl& CDebugDialog::Row(const char* property)
{
    m_list->m_nColumn = 0; // every property starts a row of its own
    return m_list->AddText(QLatin1String(property));
}

void CDebugDialog::FillList()
{
    m_list->setUpdatesEnabled(false);
    m_list->DeleteAllItems();
    m_list->m_nIndent = -1;
    if (const CDownloadItem* item = m_view ? m_view->FindItemById(m_nItemId) : nullptr) {
        AddItemRows(*item);
        if (item->m_pDownloader)
            AddDownloadRows(*item->m_pDownloader);
    }
    m_list->FitValueColumn();
    m_list->setUpdatesEnabled(true);
}

void CDebugDialog::AddItemRows(const CDownloadItem& item)
{
    Row("Is Queued").AddInt(item.IsQueued());
    Row("Is Scheduled").AddInt(item.IsScheduled());
}

void CDebugDialog::AddDownloadRows(const CHttpDownloader& d)
{
    Row("Added").AddText(TimeText(d.m_timeAdded));
    Row("Last Modified").AddText(TimeText(d.GetLastModified()));
    Row("Download Starting Time").AddUInt64(d.m_nDownloadStartingTime);
    Row("Whole Download Time").AddUInt64(d.m_nWholeDownloadTime);
    Row("Url").AddText(d.m_strUrl);
    Row("Download Url").AddText(d.GetDownloadUrl());
    Row("File Title").AddText(d.GetFileTitle());
    Row("Download Location").AddText(d.m_strDownloadLocation);
    Row("Local FileName").AddText(d.GetLocalFileName());
    Row("Description").AddText(d.m_strDescription);
    Row("Access Type").AddInt(d.m_nAccessType).AddText(AccessTypeName(d.m_nAccessType));
    Row("Use Authorization").AddInt(d.m_bUseAuthorization);
    Row("User Name").AddText(d.m_strUserName);
    Row("Password").AddText(d.m_strPassword);
    Row("Referer").AddText(d.m_strReferer);
    Row("Got File Size").AddInt(d.m_bGotFileSize);
    Row("File Size").AddUInt64(d.m_nFileSize);
    Row("Accept Ranges").AddInt(d.m_bAcceptRanges);
    // Pointers at their full width: 32 bits would cut them.
    Row("Associated Item (ptr)").AddUInt64(Address(d.m_pItem));
    Row("Just Get Info").AddInt(d.m_bJustGetInfo);
    Row("Session").AddUInt64(Address(d.m_hSession));
    Row("Error (ptr)").AddUInt64(Address(d.m_pError.get()));
    AddErrorRows(d);
    const int32_t state = d.m_nState;
    Row("State").AddInt(state).AddText(NameOrEmpty(DownloadStateName(state)));
    Row("Allocated").AddUInt64(d.m_nAllocated);
    const uint64_t stubSize = d.m_nLastStubWrittenSize;
    Row("Last Stub Written Size").AddUInt64(stubSize).AddText(FormatByteSize(stubSize, false));
    const bool terminated = d.m_pTerminateEvent && d.m_pTerminateEvent->isSet();
    Row("Terminate Event").AddUInt(terminated ? WAIT_OBJECT_0 : WAIT_TIMEOUT).AddText(QLatin1String(kWaitResults));
    Row("Is Running").AddInt(d.m_bIsRunning);
    Row("Threads Done").AddInt(d.m_nThreadsDone.load());
    Row("Threads Running").AddInt(d.m_nThreadsRunning.load());
    Row("Threads Failed").AddInt(d.m_nThreadsFailed.load());
    // A new preparation replaces the sections: they are read under their lock.
    const auto lock = d.LockSections();
    Row("Sections").AddInt(int32_t(d.m_sections.size()));
    for (const auto& section : d.m_sections)
        AddSectionRows(*section);
    m_list->m_nIndent = 0;
}

void CDebugDialog::AddErrorRows(const CHttpDownloader& d)
{
    if (!d.m_pError)
        return;
    const CDownloadError& error = *d.m_pError;
    m_list->m_nIndent = 1;
    Row("Error Counter").AddInt(error.m_nErrorCounter.load());
    Row("Error ID").AddUInt(error.GetErrorId());
    Row("Error String").AddText(error.GetText());
    m_list->m_nIndent = 0;
}

void CDebugDialog::AddSectionRows(const CSection& s)
{
    m_list->m_nIndent = 1;
    Row("Index").AddInt(s.m_nIndex);
    m_list->m_nIndent = 2;
    Row("Downloader (ptr)").AddUInt64(Address(s.m_pDownloader));
    const int32_t status = s.m_nLastStatus;
    Row("Last Status").AddInt(status).AddText(NameOrEmpty(SectionStatusName(status)));
    Row("Is Assigned").AddInt(s.m_bIsAssigned);
    Row("Is Working").AddInt(s.m_bIsWorking);
    Row("Is Failed").AddInt(s.m_bIsFailed);
    Row("Is Unknown Length").AddInt(s.m_bIsUnknownLength);
    Row("Is Reached Zero").AddInt(s.m_bIsReachedZero);
    Row("Range Start Initial").AddUInt64(s.m_nRangeStartInitial);
    Row("Range Start").AddUInt64(s.m_nRangeStart);
    Row("Range End").AddUInt64(s.m_nRangeEnd);
    Row("Transfer Rate").AddUInt(s.m_nTransferRate);
    Row("Transfer Size").AddUInt(s.m_nTransferSize);
}

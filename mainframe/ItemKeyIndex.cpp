#include "mainframe/ItemKeyIndex.h"

#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CaseFold.h"
#include "platform/SanitizerHandOff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <utility>

namespace {

// Posted by a worker to have its changes taken in on the index's own thread.
QEvent::Type ChangesWaitingEvent()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace

CItemKeyIndex::CItemKeyIndex(QObject* parent) : QObject(parent)
{
    CDownloadKeyWatch::Add(this);
}

CItemKeyIndex::~CItemKeyIndex()
{
    CDownloadKeyWatch::Remove(this);
}

CItemKeyIndex::Keys CItemKeyIndex::KeysOf(const CDownloadItem& item)
{
    const CHttpDownloader* download = item.m_pDownloader;
    if (!download)
        return {};
    return {CaseFolded(download->m_strUrl), CaseFolded(download->GetDownloadUrl()),
            CaseFolded(download->GetLocalFileName())};
}

void CItemKeyIndex::Index(const Keys& keys)
{
    for (int k = 0; k < kKeyCount; ++k) {
        if (!keys[k].isEmpty())
            ++m_counts[k][keys[k]];
    }
}

void CItemKeyIndex::Unindex(const Keys& keys)
{
    for (int k = 0; k < kKeyCount; ++k) {
        if (keys[k].isEmpty())
            continue;
        const auto it = m_counts[k].find(keys[k]);
        if (it != m_counts[k].end() && --it.value() == 0)
            m_counts[k].erase(it);
    }
}

void CItemKeyIndex::Insert(CDownloadItem* item)
{
    const auto [it, added] = m_entries.try_emplace(item->m_nId, Entry{item, 0, {}});
    ++it->second.rows;
    if (added) {
        it->second.keys = KeysOf(*item);
        Index(it->second.keys);
    }
}

void CItemKeyIndex::Erase(CDownloadItem* item)
{
    const auto it = m_entries.find(item->m_nId);
    if (it == m_entries.end() || --it->second.rows > 0)
        return;
    Unindex(it->second.keys);
    m_entries.erase(it);
}

void CItemKeyIndex::Refresh(CDownloadItem* item)
{
    RefreshById(item->m_nId);
}

void CItemKeyIndex::RefreshById(uint64_t id)
{
    const auto it = m_entries.find(id);
    if (it != m_entries.end())
        Rekey(it->second);
}

void CItemKeyIndex::Rekey(Entry& entry)
{
    Keys keys = KeysOf(*entry.item);
    if (keys == entry.keys)
        return;
    Unindex(entry.keys);
    entry.keys = std::move(keys);
    Index(entry.keys);
}

CDownloadItem* CItemKeyIndex::FindById(uint64_t id) const
{
    const auto it = m_entries.find(id);
    return it == m_entries.end() ? nullptr : it->second.item;
}

bool CItemKeyIndex::Contains(const QString& url, const QString& downloadUrl, const QString& path)
{
    ApplyChanges();
    const QString* wanted[kKeyCount] = {&url, &downloadUrl, &path};
    for (int k = 0; k < kKeyCount; ++k) {
        if (!wanted[k]->isEmpty() && m_counts[k].contains(CaseFolded(*wanted[k])))
            return true;
    }
    return false;
}

void CItemKeyIndex::OnDownloadKeysChanged(uint64_t itemId)
{
    if (QThread::currentThread() == thread()) {
        RefreshById(itemId);
        return;
    }
    std::lock_guard lock(m_csChanged);
    if (m_changed.empty()) {
        auto* event = new QEvent(ChangesWaitingEvent());
        HandOffPosted(this);
        QCoreApplication::postEvent(this, event);
    }
    m_changed.push_back(itemId);
}

void CItemKeyIndex::customEvent(QEvent* event)
{
    HandOffReceived(this);
    if (event->type() == ChangesWaitingEvent())
        ApplyChanges();
}

void CItemKeyIndex::ApplyChanges()
{
    std::vector<uint64_t> changed;
    {
        std::lock_guard lock(m_csChanged);
        changed.swap(m_changed);
    }
    for (uint64_t id : changed)
        RefreshById(id);
}

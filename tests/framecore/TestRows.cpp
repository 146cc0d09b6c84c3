#include "TestRows.h"

#include "engine/HttpDownloader.h"

namespace {

bool SameText(const QString& wanted, const QString& text)
{
    return !wanted.isEmpty() && wanted.compare(text, Qt::CaseInsensitive) == 0;
}

} // namespace

bool TestRows::FindItem(const QString& url, const QString& downloadUrl, const QString& path) const
{
    for (const auto& item : m_items) {
        const CHttpDownloader* download = item->m_pDownloader;
        if (download
            && (SameText(url, download->m_strUrl) || SameText(downloadUrl, download->GetDownloadUrl())
                || SameText(path, download->GetLocalFileName())))
            return true;
    }
    return false;
}

int TestRows::AddItem(CDownloadItem* item)
{
    m_items.emplace_back(item);
    return int(m_items.size()) - 1;
}

#pragma once

#include "engine/DownloadKeyWatch.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

class CDownloadItem;

// The list's items by id, and by the three texts that make a download a
// duplicate of a row: the URL as entered, the download URL and the local file
// name, each case-folded (CaseFolded). It follows every row that comes and
// goes, and every change of the texts: the engine's arrive as key notices,
// those from workers taken in before each lookup (and soon after on the
// user-interface thread anyway); a change of the URL as entered, which only a
// dialog makes, is told through Refresh.
class CItemKeyIndex : public QObject, private CDownloadKeyWatch
{
    Q_OBJECT

public:
    explicit CItemKeyIndex(QObject* parent = nullptr);
    ~CItemKeyIndex() override;

    // One more row, or one row fewer, shows the item.
    void Insert(CDownloadItem* item);
    void Erase(CDownloadItem* item);
    // Reads the item's texts again, if it has a row.
    void Refresh(CDownloadItem* item);

    CDownloadItem* FindById(uint64_t id) const;
    // Some item whose text of a kind equals the non-empty argument of that kind,
    // ignoring case; an empty text matches nothing.
    bool Contains(const QString& url, const QString& downloadUrl, const QString& path);

protected:
    void customEvent(QEvent* event) override;

private:
    enum Key
    {
        KeyUrl,
        KeyDownloadUrl,
        KeyPath,
        kKeyCount,
    };
    using Keys = std::array<QString, kKeyCount>;
    struct Entry
    {
        CDownloadItem* item;
        int rows;
        Keys keys; // as indexed
    };

    // On the index's own thread the change is taken in at once.
    void OnDownloadKeysChanged(uint64_t itemId) override;
    void ApplyChanges();
    void RefreshById(uint64_t id);
    static Keys KeysOf(const CDownloadItem& item);
    void Index(const Keys& keys);
    void Unindex(const Keys& keys);
    void Rekey(Entry& entry);

    std::unordered_map<uint64_t, Entry> m_entries; // by item id
    std::array<QHash<QString, int>, kKeyCount> m_counts; // key -> entries with it

    std::mutex m_csChanged;
    std::vector<uint64_t> m_changed; // item ids told by workers; m_csChanged
};

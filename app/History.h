#pragma once

#include "platform/SystemTime.h"

#include <QString>

#include <memory>
#include <vector>

// A fixed-capacity, newest-first list of texts (the URL and folder histories),
// kept in a small ".vrh" file of its own. Slot 0 holds the newest entry; the
// slots fill from 0 without gaps.
class CHistory
{
public:
    class CHistoryItem
    {
    public:
        explicit CHistoryItem(const QString& text, const SYSTEMTIME& time = GetLocalTime())
            : m_strText(text), m_time(time) {}

        const QString& GetText() const { return m_strText; }
        const SYSTEMTIME& GetTime() const { return m_time; }

    private:
        QString m_strText;
        SYSTEMTIME m_time; // local time of the entry
    };

    CHistory() = default;
    CHistory(const CHistory&) = delete;
    CHistory& operator=(const CHistory&) = delete;

    // Puts the text with the current time into slot 0, dropping the oldest
    // entry when full. With `unique`, a text already present changes nothing;
    // the folder history uses it and compares with case, as Linux folders differ by case.
    void Add(const QString& text, bool unique);
    // Empties the slots from index to the end; the capacity stays.
    void RemoveFrom(int index);
    // False for a bad index or an empty slot, leaving `text` alone.
    bool GetText(int index, QString* text) const;

    // Capacity changes drop the entries beyond the new size; a negative size counts as 0.
    void SetCapacity(int capacity);
    int GetSize() const { return m_capacity; }
    // The entry of a slot, or null for a bad index or an empty slot.
    const CHistoryItem* GetItem(int index) const;

    // Replaces the entries with those of the file. False when it cannot be read
    // or ends inside a record's count or text; entries read before that stay.
    bool Load(const QString& path);
    // Replaces the file only once the new one is complete. A failure is also
    // written to standard error.
    bool Save(const QString& path) const;

private:
    bool isSlot(int index) const { return index >= 0 && size_t(index) < m_items.size(); }

    std::vector<std::unique_ptr<CHistoryItem>> m_items; // the occupied slots
    int m_capacity = 0;
};

#include "app/History.h"

#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"
#include "platform/PrivatePaths.h"
#include "platform/WarnFailure.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr char kMagic[4] = {'V', 'R', 'H', '\0'};

} // namespace

void CHistory::Add(const QString& text, bool unique)
{
    if (m_capacity == 0 || text.isEmpty())
        return;
    if (unique && std::any_of(m_items.begin(), m_items.end(),
                              [&](const auto& item) { return item->GetText() == text; }))
        return;
    if (m_items.size() == size_t(m_capacity))
        m_items.pop_back();
    m_items.insert(m_items.begin(), std::make_unique<CHistoryItem>(text));
}

void CHistory::RemoveFrom(int index)
{
    if (isSlot(index))
        m_items.resize(size_t(index));
}

bool CHistory::GetText(int index, QString* text) const
{
    if (!isSlot(index))
        return false;
    *text = m_items[size_t(index)]->GetText();
    return true;
}

void CHistory::SetCapacity(int capacity)
{
    capacity = std::max(capacity, 0);
    if (capacity < m_capacity)
        RemoveFrom(capacity);
    m_capacity = capacity;
}

const CHistory::CHistoryItem* CHistory::GetItem(int index) const
{
    return isSlot(index) ? m_items[size_t(index)].get() : nullptr;
}

bool CHistory::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_items.clear();
    BinaryReader reader(&file);
    char magic[sizeof kMagic];
    uint32_t savedCapacity = 0; // the current capacity rules, not the saved one
    if (!reader.readBytes(magic, sizeof magic) || !std::equal(magic, magic + sizeof magic, kMagic)
        || !reader.readUInt32(&savedCapacity))
        return false;
    while (m_items.size() < size_t(m_capacity)) {
        SYSTEMTIME time;
        if (!reader.readSystemTime(&time))
            return true; // a file that ends inside a time is complete
        int32_t count = 0;
        QString text;
        if (!reader.readInt32(&count) || !reader.readUnits(count, &text))
            return false;
        const qsizetype nul = text.indexOf(QChar(0));
        if (nul >= 0)
            text.truncate(nul);
        m_items.push_back(std::make_unique<CHistoryItem>(text, time));
    }
    return true;
}

bool CHistory::Save(const QString& path) const
{
    BinaryWriter writer;
    writer.writeBytes(QByteArray(kMagic, sizeof kMagic));
    writer.writeUInt32(uint32_t(m_capacity));
    for (const auto& item : m_items) {
        writer.writeSystemTime(item->GetTime());
        writer.writeString(item->GetText());
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.setPermissions(kOwnerOnlyPermissions)
        && file.write(writer.data()) == writer.data().size() && file.commit())
        return true;
    WarnFailure("save the history to", path, file.errorString());
    return false;
}

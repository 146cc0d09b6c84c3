#include "dialogs/SectionListModel.h"

#include "app/PrintfText.h"
#include "app/TextFormat.h"
#include "engine/DownloadState.h"
#include "engine/Section.h"
#include "platform/StringTable.h"

namespace {

struct ColumnInfo
{
    TextId titleId; // None: "#"
    bool right;
    int width;
};
constexpr ColumnInfo kColumns[CSectionListModel::kColumnCount] = {
    {TextId::None, false, 20}, {TextId::Size, true, 70}, {TextId::Completed, true, 57}, {TextId::Downloaded, true, 70},
    {TextId::TransferRate, true, 75}, {TextId::TransferSize, true, 75}, {TextId::Status, false, 190},
};

// By SectionStatus, for a working section.
constexpr TextId kWorkingTexts[] = {
    TextId::None, TextId::Connecting, TextId::SendingRequest, TextId::OpeningLocalFile, TextId::Recycling,
    TextId::Writing, TextId::Recycling, TextId::WritingResumeData, TextId::WaitingToRetry,
};
constexpr uint64_t kPerMille = 1000;

// Figures with the most digits a section shows: its size and progress, a rate
// and a read's size.
constexpr uint64_t kWidestBytes = (1ull << 40) - (1ull << 30) / 100;
constexpr uint32_t kWidestRate = (1u << 30) - (1u << 20) / 100;
constexpr uint64_t kWidestRead = (1ull << 20) - (1ull << 10) / 100;
constexpr int kMostSections = 8;

QString Rate(uint32_t rate)
{
    return FormatByteSize(rate, false) + QStringLiteral("/s");
}

} // namespace

CSectionListModel::CSectionListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CSectionListModel::SetSections(std::vector<SectionSnapshot> sections, int32_t state)
{
    m_nState = state;
    if (sections.size() != m_sections.size()) {
        beginResetModel();
        m_sections = std::move(sections);
        endResetModel();
        return;
    }
    m_sections = std::move(sections);
    if (!m_sections.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1), {Qt::DisplayRole});
}

int CSectionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_sections.size());
}

int CSectionListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

int CSectionListModel::ColumnWidth(int column)
{
    return kColumns[column].width;
}

QStringList CSectionListModel::WidestTexts(int column)
{
    switch (column) {
    case 0:
        return {QString::number(kMostSections)};
    case 1:
    case 3:
        return {FormatByteSize(kWidestBytes, false), QStringLiteral("<n/a>")};
    case 2:
        return {QStringLiteral("100.0%"), QStringLiteral("<n/a>")};
    case 4:
        return {Rate(kWidestRate)};
    case 5:
        return {FormatByteSize(kWidestRead, false)};
    default: {
        QStringList texts;
        for (TextId id : {TextId::Failed, TextId::Waiting, TextId::Stopped, TextId::Completed})
            texts << LoadResString(id);
        for (TextId id : kWorkingTexts) {
            if (id != TextId::None)
                texts << LoadResString(id);
        }
        return texts;
    }
    }
}

QVariant CSectionListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return kColumns[section].titleId != TextId::None ? LoadResString(kColumns[section].titleId)
                                                         : QStringLiteral("#");
    if (role == Qt::TextAlignmentRole)
        return int((kColumns[section].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return {};
}

QVariant CSectionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_sections.size())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int((kColumns[index.column()].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    return CellText(m_sections[size_t(index.row())], index.column());
}

QString CSectionListModel::CellText(const SectionSnapshot& section, int column) const
{
    const uint64_t length = section.m_nRangeEnd - section.m_nRangeStartInitial + 1;
    const uint64_t done = section.m_nRangeStart - section.m_nRangeStartInitial;
    switch (column) {
    case 0:
        return PrintfText("%i", section.m_nIndex + 1);
    case 1:
        return section.m_bIsUnknownLength ? QStringLiteral("<n/a>") : FormatByteSize(length, false);
    case 2: {
        if (section.m_bIsUnknownLength)
            return QStringLiteral("<n/a>");
        if (length == 0)
            return QStringLiteral("0%");
        const uint64_t perMille = done * kPerMille / length;
        return PrintfText("%u.%u%%", unsigned(perMille / 10), unsigned(perMille % 10));
    }
    case 3:
        return FormatByteSize(done, false);
    case 4:
        return section.m_bIsWorking ? Rate(section.m_nTransferRate) : QString();
    case 5:
        return section.m_bIsWorking ? FormatByteSize(section.m_nTransferSize, false) : QString();
    default:
        return StatusText(section);
    }
}

QString CSectionListModel::StatusText(const SectionSnapshot& section) const
{
    if (section.m_bIsWorking) {
        const int32_t status = section.m_nLastStatus;
        const bool known = status > Unspecified && size_t(status) < std::size(kWorkingTexts);
        return known ? LoadResString(kWorkingTexts[status]) : QStringLiteral("?");
    }
    if (section.m_bIsFailed)
        return LoadResString(TextId::Failed);
    if (!section.IsComplete())
        return LoadResString(IsActiveState(m_nState) ? TextId::Waiting : TextId::Stopped);
    return LoadResString(TextId::Completed);
}

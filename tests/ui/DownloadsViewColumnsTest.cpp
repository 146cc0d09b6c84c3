#include "mainframe/DownloadsView.h"

#include "app/VandrelCore.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "platform/BinaryWriter.h"

#include <gtest/gtest.h>

#include <QHeaderView>

#include <vector>

namespace {

constexpr int kColumns = CDownloadsView::kColumnCount;
const std::vector<int32_t> kDefaultWidths = {200, 300, 110, 100, 80, 80, 80, 80, 60,
                                             80,  80,  60,  68,  150, 150, 100, 300};

// A stored "Columns" value; each array is padded with zeros to 17 entries.
QByteArray Columns(uint32_t count, std::vector<int32_t> order, std::vector<int32_t> widths,
                   std::vector<int32_t> visible)
{
    BinaryWriter writer;
    writer.writeUInt32(count);
    for (std::vector<int32_t>* array : {&order, &widths, &visible}) {
        array->resize(kColumns);
        for (int32_t entry : *array)
            writer.writeInt32(entry);
    }
    return writer.data();
}

std::vector<int32_t> Range(int32_t first, int32_t last)
{
    std::vector<int32_t> values;
    for (int32_t value = first; value <= last; ++value)
        values.push_back(value);
    return values;
}

QByteArray DefaultColumns()
{
    return Columns(kColumns, Range(0, 16), kDefaultWidths, std::vector<int32_t>(kColumns, 1));
}

class DownloadsViewColumnsTest : public testing::Test
{
protected:
    DownloadsViewColumnsTest() : settings(AppCore().m_settings), savedGrid(settings.DownloadsViewGrid) {}
    ~DownloadsViewColumnsTest() override { settings.DownloadsViewGrid = savedGrid; }

    // The visible ids in display order.
    static std::vector<int> Displayed(const CDownloadsView& view)
    {
        std::vector<int> ids;
        for (int visual = 0; visual < kColumns; ++visual) {
            const int id = view.header()->logicalIndex(visual);
            if (!view.header()->isSectionHidden(id))
                ids.push_back(id);
        }
        return ids;
    }

    CAppSettings& settings;
    const int32_t savedGrid;
    CCommandTable commands;
    CDownloadsView view{commands};
};

TEST_F(DownloadsViewColumnsTest, AFreshViewSavesTheDefaultLayout)
{
    const QByteArray saved = view.SaveColumns();
    EXPECT_EQ(saved.size(), 208);
    EXPECT_EQ(saved.toHex().toStdString(), DefaultColumns().toHex().toStdString());
    EXPECT_EQ(view.header()->sectionSize(CDownloadsView::ColumnError), 300);
    EXPECT_EQ(view.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("文件名"));
    EXPECT_EQ(view.model()->headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>()
                  & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
}

TEST_F(DownloadsViewColumnsTest, HiddenMovedAndResizedColumnsRoundTripByteForByte)
{
    ASSERT_TRUE(view.RestoreColumns(DefaultColumns()));
    EXPECT_TRUE(commands.Dispatch(ID_VIEW_COLUMN_FIRST + CDownloadsView::ColumnUrl));
    view.header()->moveSection(view.header()->visualIndex(CDownloadsView::ColumnError), 0);
    const QByteArray saved = view.SaveColumns();

    std::vector<int32_t> order = {15};
    for (int32_t position : Range(0, 14))
        order.push_back(position);
    order.push_back(16); // beyond the count: kept from the restore
    std::vector<int32_t> widths = kDefaultWidths;
    widths.erase(widths.begin() + 1);
    widths.push_back(300);
    std::vector<int32_t> visible(kColumns, 1);
    visible[1] = 0;
    EXPECT_EQ(saved.toHex().toStdString(), Columns(16, order, widths, visible).toHex().toStdString());

    CCommandTable otherCommands;
    CDownloadsView restarted(otherCommands);
    ASSERT_TRUE(restarted.RestoreColumns(saved));
    EXPECT_TRUE(restarted.header()->isSectionHidden(CDownloadsView::ColumnUrl));
    EXPECT_EQ(Displayed(restarted).front(), CDownloadsView::ColumnError);
    EXPECT_EQ(restarted.SaveColumns(), saved);
}

TEST_F(DownloadsViewColumnsTest, AStoredLayoutAppliesItsOrderAndWidths)
{
    // Column 10 hidden, positions 0 and 1 swapped, position 3 only 5 wide.
    std::vector<int32_t> order = Range(0, 15);
    std::swap(order[0], order[1]);
    std::vector<int32_t> widths = kDefaultWidths;
    widths.erase(widths.begin() + 10);
    widths[3] = 5;
    std::vector<int32_t> visible(kColumns, 1);
    visible[10] = 0;
    const QByteArray stored = Columns(16, order, widths, visible);
    ASSERT_TRUE(view.RestoreColumns(stored));
    const std::vector<int> displayed = Displayed(view);
    ASSERT_EQ(displayed.size(), 16u);
    EXPECT_EQ(displayed[0], 1);
    EXPECT_EQ(displayed[1], 0);
    EXPECT_EQ(view.header()->sectionSize(3), 5);
    EXPECT_EQ(view.header()->sectionSize(11), 60);
    EXPECT_EQ(view.SaveColumns(), stored);

    // A width is its entry's low 16 bits, signed; none above 0 keeps the default.
    std::vector<int32_t> oddWidths = kDefaultWidths;
    oddWidths[0] = 0x00010005;
    oddWidths[1] = -3;
    oddWidths[2] = 0;
    oddWidths[3] = 0x0000FFFF;
    ASSERT_TRUE(view.RestoreColumns(Columns(kColumns, Range(0, 16), oddWidths, std::vector<int32_t>(kColumns, 1))));
    EXPECT_EQ(view.header()->sectionSize(0), 5);
    EXPECT_EQ(view.header()->sectionSize(1), 300);
    EXPECT_EQ(view.header()->sectionSize(2), 110);
    EXPECT_EQ(view.header()->sectionSize(3), 100);
    EXPECT_FALSE(view.header()->isSectionHidden(10));
}

TEST_F(DownloadsViewColumnsTest, AValueThisViewCouldNotHaveWrittenIsIgnoredWhole)
{
    const std::vector<int32_t> all(kColumns, 1);
    std::vector<int32_t> urlHidden = all;
    urlHidden[1] = 0;
    std::vector<int32_t> nameHidden = all;
    nameHidden[0] = 0;
    std::vector<int32_t> statusHidden = all;
    statusHidden[2] = 0;
    std::vector<int32_t> flagTwo = all;
    flagTwo[5] = 2;
    std::vector<int32_t> repeated = Range(0, 15);
    repeated[4] = 3;
    std::vector<int32_t> outOfRange = Range(0, 15);
    outOfRange[15] = 16;
    struct Case
    {
        const char* what;
        QByteArray value;
    };
    const Case cases[] = {
        {"207 bytes", DefaultColumns().chopped(1)},
        {"209 bytes", DefaultColumns() + '\0'},
        {"count 18", Columns(18, Range(0, 16), kDefaultWidths, all)},
        {"count without its flags", Columns(16, Range(0, 15), kDefaultWidths, all)},
        {"flag 2", Columns(16, Range(0, 15), kDefaultWidths, flagTwo)},
        {"order repeats a position", Columns(16, repeated, kDefaultWidths, urlHidden)},
        {"order past the count", Columns(16, outOfRange, kDefaultWidths, urlHidden)},
        {"file name hidden", Columns(16, Range(0, 15), kDefaultWidths, nameHidden)},
        {"status hidden", Columns(16, Range(0, 15), kDefaultWidths, statusHidden)},
        {"nothing shown", Columns(0, {}, {}, {})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CCommandTable otherCommands;
        CDownloadsView fresh(otherCommands);
        fresh.header()->resizeSection(4, 33);
        EXPECT_FALSE(fresh.RestoreColumns(c.value));
        EXPECT_EQ(fresh.header()->sectionSize(4), 33);
        fresh.header()->resizeSection(4, 80);
        EXPECT_EQ(fresh.SaveColumns(), DefaultColumns());
    }
}

TEST_F(DownloadsViewColumnsTest, ColumnCommandsToggleResetAndFit)
{
    for (int id = 0; id < kColumns; ++id) {
        const CmdUI ui = commands.Query(ID_VIEW_COLUMN_FIRST + id);
        EXPECT_EQ(ui.check, 1) << id;
        EXPECT_EQ(ui.enabled, id != CDownloadsView::ColumnFileName && id != CDownloadsView::ColumnStatus) << id;
    }
    EXPECT_FALSE(commands.Dispatch(ID_VIEW_COLUMN_FIRST + CDownloadsView::ColumnStatus));
    EXPECT_TRUE(view.IsColumnVisible(CDownloadsView::ColumnStatus));

    // Shown again at the default width, in its place.
    const int completed = ID_VIEW_COLUMN_FIRST + CDownloadsView::ColumnCompleted;
    view.header()->resizeSection(CDownloadsView::ColumnCompleted, 12);
    commands.Dispatch(completed);
    EXPECT_EQ(commands.Query(completed).check, 0);
    commands.Dispatch(completed);
    EXPECT_EQ(view.header()->sectionSize(CDownloadsView::ColumnCompleted), 100);
    EXPECT_EQ(view.header()->visualIndex(CDownloadsView::ColumnCompleted), 3);

    for (int id : {1, 7, 12})
        commands.Dispatch(ID_VIEW_COLUMN_FIRST + id);
    view.header()->resizeSection(0, 20);
    view.header()->moveSection(view.header()->visualIndex(16), 0);
    view.SortByColumn(4);
    commands.Dispatch(ID_VIEW_RESET_COLUMNS);
    EXPECT_EQ(view.SaveColumns(), DefaultColumns());
    EXPECT_EQ(view.header()->sortIndicatorSection(), 4); // the sort stays

    settings.DownloadsViewGrid = 1;
    commands.Dispatch(ID_VIEW_GRID);
    EXPECT_EQ(settings.DownloadsViewGrid, 0);
    EXPECT_EQ(commands.Query(ID_VIEW_GRID).check, 0);
    commands.Dispatch(ID_VIEW_GRID);
    EXPECT_EQ(settings.DownloadsViewGrid, 1);
    EXPECT_EQ(commands.Query(ID_VIEW_GRID).check, 1);

    commands.Dispatch(ID_VIEW_AUTOSIZE_COLUMNS);
    EXPECT_GE(view.header()->sectionSize(0), view.header()->sectionSizeHint(0));
}

} // namespace

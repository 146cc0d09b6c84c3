#include "mainframe/ListCtrlEx.h"

#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QTest>

namespace {

using Key = CListCtrlEx::SortKey;

constexpr int kColumns = 3;
constexpr int kRows = 5;

// Rows A to E with item data 1 to 5. Column 0 sorts by the data, column 1 by
// the data too, column 2 by its parity (ties).
class LetterList : public CListCtrlEx
{
public:
    LetterList() : CListCtrlEx(kColumns)
    {
        for (int id = 0; id < kColumns; ++id)
            ShowColumn(id);
        for (quintptr data = 1; data <= kRows; ++data)
            InsertItem(GetItemCount(), data);
    }

    QString Rows() const
    {
        QString rows;
        for (int row = 0; row < GetItemCount(); ++row)
            rows += Letter(GetItemData(row));
        return rows;
    }
    QString Selected() const
    {
        QString rows;
        for (int row : GetSelectedRows())
            rows += Letter(GetItemData(row));
        return rows;
    }
    // Puts the rows into the order of the letters given.
    void Arrange(const QString& letters)
    {
        DeleteAllItems();
        for (QChar letter : letters)
            InsertItem(GetItemCount(), quintptr(letter.unicode() - u'A' + 1));
    }
    void Select(const QString& letters)
    {
        selectionModel()->clearSelection();
        for (int row = 0; row < GetItemCount(); ++row) {
            if (letters.contains(Letter(GetItemData(row))))
                selectionModel()->select(model()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QPoint RowPoint(int row, double fraction) const
    {
        const QRect rect = visualRect(model()->index(row, 0));
        return {rect.center().x(), rect.top() + int(rect.height() * fraction)};
    }

protected:
    QVariant GetCellData(quintptr item, int, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(QString(Letter(item))) : QVariant();
    }
    SortKey GetSortKey(quintptr item, int columnId) const override
    {
        return columnId == 2 ? Key::Unsigned(item % 2) : Key::Unsigned(item);
    }
    void GetColumnInfo(int columnId, QString& title, int& format, int& width) const override
    {
        title = columnId == 2 ? QStringLiteral("A title longer than any of the cells below it")
                              : QStringLiteral("C%1").arg(columnId);
        format = LVCFMT_LEFT;
        width = 60 + 10 * columnId;
    }

private:
    static QChar Letter(quintptr item) { return QChar(u'A' + int(item) - 1); }
};

class ListCtrlExTest : public testing::Test
{
protected:
    ListCtrlExTest()
    {
        list.resize(400, 300);
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    LetterList list;
};

TEST(SortKey, ComparesByRankThenNumberThenTextIgnoringCase)
{
    struct Case
    {
        Key a;
        Key b;
        int sign;
    };
    const Case cases[] = {
        {Key::Lowest(), Key::Unsigned(0), -1},
        {Key::Highest(), Key::Unsigned(UINT64_MAX), 1},
        {Key::Highest(), Key::Highest(), 0},
        {Key::Lowest(), Key::Lowest(), 0},
        {Key::Unsigned(3), Key::Unsigned(3), 0},
        {Key::Unsigned(UINT64_MAX), Key::Unsigned(1), 1},
        {Key::Signed(INT32_MIN), Key::Signed(INT32_MAX), -1},
        {Key::Signed(-1), Key::Signed(0), -1},
        {Key::Text(QStringLiteral("abc")), Key::Text(QStringLiteral("ABC")), 0},
        {Key::Text(QString()), Key::Text(QStringLiteral("a")), -1},
        {Key::Text(QStringLiteral("b")), Key::Text(QStringLiteral("A")), 1},
    };
    for (const Case& c : cases) {
        const int forward = CListCtrlEx::CompareSortKeys(c.a, c.b);
        EXPECT_EQ((forward > 0) - (forward < 0), c.sign);
        const int backward = CListCtrlEx::CompareSortKeys(c.b, c.a);
        EXPECT_EQ((backward > 0) - (backward < 0), -c.sign);
    }
}

TEST_F(ListCtrlExTest, MovesTheSelectedRowsAndKeepsThemSelected)
{
    struct Case
    {
        const char* selected;
        int mode;
        int index;
        const char* rows;
    };
    const Case cases[] = {
        {"BC", CListCtrlEx::MoveUp, 0, "BCADE"},
        {"BC", CListCtrlEx::MoveDown, 0, "ADBCE"},
        {"BC", CListCtrlEx::MoveToTop, 0, "BCADE"},
        {"BC", CListCtrlEx::MoveToBottom, 0, "ADEBC"},
        {"BC", CListCtrlEx::MoveToIndex, 4, "ADBCE"},
        {"BC", CListCtrlEx::MoveToIndex, 2, "ABCDE"},
        {"BC", CListCtrlEx::MoveToIndex, 5, "ADEBC"},
        {"BC", CListCtrlEx::MoveToIndex, 6, "ABCDE"},
        {"BC", CListCtrlEx::MoveToIndex, -1, "ABCDE"},
        {"BC", 5, 0, "ABCDE"},
        {"A", CListCtrlEx::MoveUp, 0, "ABCDE"},
        {"E", CListCtrlEx::MoveDown, 0, "ABCDE"},
        {"", CListCtrlEx::MoveToTop, 0, "ABCDE"},
        {"", CListCtrlEx::MoveDown, 0, "ABCDE"},
        // Apart: up closes the block up below the row above the first, down
        // mirrors it, so no selected row ever moves against the command.
        {"BE", CListCtrlEx::MoveUp, 0, "BEACD"},
        {"AD", CListCtrlEx::MoveDown, 0, "BCEAD"},
        {"BD", CListCtrlEx::MoveDown, 0, "ACEBD"},
        {"BE", CListCtrlEx::MoveDown, 0, "ABCDE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selected << " mode " << c.mode << " index " << c.index);
        list.Arrange(QStringLiteral("ABCDE"));
        list.Select(QString::fromLatin1(c.selected));
        list.MoveSelectedItems(c.mode, c.index);
        EXPECT_EQ(list.Rows().toStdString(), c.rows);
        QString selected = QString::fromLatin1(c.selected);
        QString expectedSelection;
        for (QChar letter : list.Rows()) {
            if (selected.contains(letter))
                expectedSelection += letter;
        }
        EXPECT_EQ(list.Selected(), expectedSelection);
    }
}

TEST_F(ListCtrlExTest, HeaderClicksSortTheRowsAndTheArrowFollowsTheSortAlone)
{
    QHeaderView* header = list.header();
    auto click = [&](int id) {
        const int x = header->sectionViewportPosition(id) + header->sectionSize(id) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    list.Arrange(QStringLiteral("CAEBD"));
    list.Select(QStringLiteral("B"));

    // A click the frame does not answer with a sort leaves no arrow, although
    // the header flips its indicator by itself.
    click(0);
    EXPECT_EQ(header->sortIndicatorSection(), -1);
    EXPECT_EQ(list.Rows(), QStringLiteral("CAEBD"));

    QObject::connect(&list, &CListCtrlEx::ColumnClicked, &list, &CListCtrlEx::SortByColumn);
    click(0);
    EXPECT_EQ(list.Rows(), QStringLiteral("ABCDE"));
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(list.Selected(), QStringLiteral("B")); // the selection stays with its row
    EXPECT_TRUE(list.selectionModel()->isRowSelected(1, {}));

    click(0);
    EXPECT_EQ(list.Rows(), QStringLiteral("EDCBA"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // The direction flips on every sort, also for another column.
    click(1);
    EXPECT_EQ(list.Rows(), QStringLiteral("ABCDE"));
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);

    EXPECT_EQ(list.SortByColumn(-1), 1);
    EXPECT_EQ(header->sortIndicatorSection(), -1);
    EXPECT_EQ(list.Rows(), QStringLiteral("ABCDE"));
}

TEST_F(ListCtrlExTest, EqualKeysKeepTheirOrderInBothDirections)
{
    list.Arrange(QStringLiteral("DBECA"));
    list.SortByColumn(2); // ascending: even (B, D) before odd (A, C, E)
    EXPECT_EQ(list.Rows(), QStringLiteral("DBECA"));
    list.Arrange(QStringLiteral("DBECA"));
    list.SortByColumn(2); // descending
    EXPECT_EQ(list.Rows(), QStringLiteral("ECADB"));
}

// Ranges that overlap, touch or come in any order give each row once.
TEST_F(ListCtrlExTest, TheSelectedRunsJoinNeighboursAndOverlaps)
{
    using Runs = std::vector<std::pair<int, int>>;
    QItemSelectionModel& selection = *list.selectionModel();
    const auto select = [&](int top, int bottom, int column) {
        selection.select(QItemSelection(list.model()->index(top, column), list.model()->index(bottom, column)),
                         QItemSelectionModel::Select);
    };
    EXPECT_EQ(list.GetSelectedRuns(), Runs{});
    select(3, 3, 0);
    select(0, 0, 0);
    EXPECT_EQ(list.GetSelectedRuns(), (Runs{{0, 0}, {3, 3}}));
    select(1, 1, 2); // another column of a neighbour
    select(0, 1, 1); // overlapping both
    EXPECT_EQ(list.GetSelectedRuns(), (Runs{{0, 1}, {3, 3}}));
    select(2, 4, 1);
    EXPECT_EQ(list.GetSelectedRuns(), (Runs{{0, 4}}));
    EXPECT_EQ(list.Selected(), QStringLiteral("ABCDE"));
}

TEST_F(ListCtrlExTest, ShowingAndHidingChangeOnlyWhatIsNotSoAlready)
{
    QHeaderView* header = list.header();
    header->resizeSection(1, 33);
    list.ShowColumn(1);
    EXPECT_EQ(header->sectionSize(1), 33);
    EXPECT_EQ(header->hiddenSectionCount(), 0);

    list.HideColumn(1);
    list.HideColumn(1);
    EXPECT_TRUE(header->isSectionHidden(1));
    EXPECT_FALSE(list.IsColumnVisible(1));
    list.ShowColumn(1);
    EXPECT_EQ(header->sectionSize(1), 70); // the default, not the width it had
    EXPECT_EQ(header->visualIndex(1), 1);

    for (int bad : {-1, kColumns}) {
        list.ShowColumn(bad);
        list.HideColumn(bad);
    }
    EXPECT_EQ(header->count(), kColumns);
    EXPECT_EQ(header->hiddenSectionCount(), 0);
}

TEST_F(ListCtrlExTest, HidingTheSortedColumnTakesItsArrowAway)
{
    list.SortByColumn(1);
    list.HideColumn(0);
    EXPECT_EQ(list.header()->sortIndicatorSection(), 1);
    list.HideColumn(1);
    EXPECT_EQ(list.GetSortColumn(), -1);
    EXPECT_EQ(list.header()->sortIndicatorSection(), -1);
}

TEST_F(ListCtrlExTest, FittingTheColumnsTakesTheTitlesIn)
{
    list.OnAutoSizeColumns();
    EXPECT_GE(list.header()->sectionSize(2), list.header()->sectionSizeHint(2));
    EXPECT_GT(list.header()->sectionSize(2), 90);
}

TEST_F(ListCtrlExTest, DraggingRowsMovesThemBeforeTheInsertionPoint)
{
    QWidget* viewport = list.viewport();
    struct Case
    {
        const char* selected; // before the press
        int pressRow;
        int releaseRow; // -1: outside the viewport, kRows: below the rows
        double fraction;
        const char* rows;
    };
    const Case cases[] = {
        {"", 1, 3, 0.75, "ACDBE"},
        {"", 1, 3, 0.25, "ACBDE"},
        {"", 1, -1, 0.5, "ABCDE"},
        {"", 0, kRows, 0.5, "BCDEA"},
        // A press on a row of a selection drags the whole selection.
        {"BC", 1, 4, 0.75, "ADEBC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        list.Arrange(QStringLiteral("ABCDE"));
        list.Select(QString::fromLatin1(c.selected));
        const QPoint start = list.RowPoint(c.pressRow, 0.5);
        QPoint end = c.releaseRow == kRows ? QPoint(start.x(), viewport->height() - 2)
                                           : list.RowPoint(std::max(c.releaseRow, 0), c.fraction);
        if (c.releaseRow < 0)
            end = QPoint(start.x(), viewport->height() + 40);
        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        QTest::mouseMove(viewport, start + QPoint(0, 20));
        QTest::mouseMove(viewport, end);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
        EXPECT_EQ(list.Rows().toStdString(), c.rows);
    }
}

TEST_F(ListCtrlExTest, AnAbandonedDragMovesNothingAtALaterRelease)
{
    QWidget* viewport = list.viewport();
    const std::function<void()> abandon[] = {
        [&] { QTest::keyClick(&list, Qt::Key_Escape); },
        [&] {
            QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            QApplication::sendEvent(&list, &focusOut);
        },
    };
    for (const auto& cancel : abandon) {
        const QPoint start = list.RowPoint(1, 0.5);
        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        QTest::mouseMove(viewport, start + QPoint(0, 20));
        cancel();
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, list.RowPoint(3, 0.75));
        EXPECT_EQ(list.Rows(), QStringLiteral("ABCDE"));

        QTest::mouseClick(viewport, Qt::LeftButton, {}, list.RowPoint(4, 0.75));
        EXPECT_EQ(list.Rows(), QStringLiteral("ABCDE"));
        EXPECT_EQ(list.Selected(), QStringLiteral("E"));
    }
}

} // namespace

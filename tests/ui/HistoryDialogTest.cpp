#include "UiFixture.h"

#include "app/History.h"
#include "dialogs/HistoryDialog.h"
#include "platform/BinaryWriter.h"
#include "support/QStringPrinter.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

struct Entry
{
    const char* text;
    SYSTEMTIME time;
};

class HistoryDialogTest : public UiFixture
{
protected:
    HistoryDialogTest() { QLocale::setDefault(QLocale::c()); }
    ~HistoryDialogTest() override { QLocale::setDefault(QLocale::system()); }

    // The history as a file holds it, with given times, newest first.
    void load(std::initializer_list<Entry> entries)
    {
        BinaryWriter writer;
        writer.writeBytes(QByteArray("VRH", 4));
        writer.writeUInt32(10);
        for (const Entry& entry : entries) {
            writer.writeSystemTime(entry.time);
            writer.writeString(QString::fromUtf8(entry.text));
        }
        QFile file(m_dir.filePath(QStringLiteral("h.vrh")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(writer.data());
        file.close();
        history.SetCapacity(10);
        ASSERT_TRUE(history.Load(file.fileName()));
    }

    static QTreeWidget* list(const CHistoryDialog& dialog)
    {
        return dialog.findChild<QTreeWidget*>(QStringLiteral("ctl1045"));
    }
    static QPushButton* button(const CHistoryDialog& dialog, const char* name)
    {
        return dialog.findChild<QPushButton*>(QLatin1String(name));
    }

    QTemporaryDir m_dir;
    CHistory history;
};

// The fixture's clock says 2024-03-05 09:05.
const SYSTEMTIME kToday0905 = {2024, 3, 2, 5, 9, 5, 0, 0};
const SYSTEMTIME kToday0800 = {2024, 3, 2, 5, 8, 0, 30, 0};
const SYSTEMTIME kToday0759 = {2024, 3, 2, 5, 7, 59, 0, 0};
const SYSTEMTIME kYesterday2300 = {2024, 3, 1, 4, 23, 0, 0, 0};
const SYSTEMTIME kYesterday0001 = {2024, 3, 1, 4, 0, 1, 0, 0};

// The room a heading's text gets on the screen: the part of its row inside the
// list, less the expand mark and the text margins the style draws with.
int VisibleTextRoom(QTreeWidget* tree, QTreeWidgetItem* heading)
{
    const QRect row = tree->visualItemRect(heading) & tree->viewport()->rect();
    const int margin = tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1;
    return row.width() - tree->indentation() - 2 * margin;
}

} // namespace

TEST_F(HistoryDialogTest, EmptyHistoryShowsNothingAndDeleteAsksNothing)
{
    history.SetCapacity(10);
    CHistoryDialog dialog(history, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("历史记录"));
    EXPECT_EQ(list(dialog)->topLevelItemCount(), 0);
    EXPECT_FALSE(button(dialog, "ctl1168")->isEnabled());
    button(dialog, "ctl1167")->click();
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(HistoryDialogTest, EntriesAreGroupedByDayNewestFirst)
{
    load({{"http://a/1", kToday0905}, {"http://a/2", kToday0800}, {"http://a/3", kToday0759},
          {"http://b/1", kYesterday2300}, {"http://b/2", kYesterday0001}});
    CHistoryDialog dialog(history, nullptr);
    QTreeWidget* tree = list(dialog);
    EXPECT_TRUE(tree->isHeaderHidden());
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    QTreeWidgetItem* today = tree->topLevelItem(0);
    QTreeWidgetItem* yesterday = tree->topLevelItem(1);
    EXPECT_EQ(today->text(0), QLocale().toString(QDate(2024, 3, 5), QLocale::LongFormat) + QStringLiteral("（今天）"));
    EXPECT_EQ(yesterday->text(0), QLocale().toString(QDate(2024, 3, 4), QLocale::LongFormat));
    EXPECT_FALSE(today->flags() & Qt::ItemIsSelectable);
    ASSERT_EQ(today->childCount(), 3);
    ASSERT_EQ(yesterday->childCount(), 2);
    const QStringList times = {today->child(0)->text(1), today->child(1)->text(1), today->child(2)->text(1),
                               yesterday->child(0)->text(1), yesterday->child(1)->text(1)};
    EXPECT_EQ(times, QStringList({u"09:05"_qs, u"08:00"_qs, u"07:59"_qs, u"23:00"_qs, u"00:01"_qs}));
    EXPECT_EQ(today->child(0)->text(0), QString());
    EXPECT_EQ(yesterday->child(1)->text(2), QStringLiteral("http://b/2"));
}

// The whole heading shows, year and "today" included, whatever the addresses'
// lengths, and with or without a font for the Chinese text (boxes without one).
TEST_F(HistoryDialogTest, HeadingsShowTheirWholeTextWithShortAndLongAddresses)
{
    const SYSTEMTIME today = {2026, 9, 3, 30, 10, 0, 0, 0};
    const SYSTEMTIME yesterday = {2026, 9, 2, 29, 23, 0, 0, 0};
    now = today;
    const QFont appFont = QApplication::font();
    QFont noChineseFont = appFont;
    noChineseFont.setStyleStrategy(QFont::NoFontMerging);
    const std::string longAddress = "http://example.com/" + std::string(400, 'x');
    for (const QFont& font : {appFont, noChineseFont}) {
        for (const char* address : {"http://a/1", longAddress.c_str()}) {
            SCOPED_TRACE(std::string(address).substr(0, 20) + (font == appFont ? " merged" : " unmerged"));
            QApplication::setFont(font);
            load({{address, today}, {address, yesterday}});
            CHistoryDialog dialog(history, nullptr);
            dialog.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            QTreeWidget* tree = list(dialog);
            ASSERT_EQ(tree->topLevelItemCount(), 2);
            for (QTreeWidgetItem* heading : {tree->topLevelItem(0), tree->topLevelItem(1)}) {
                const QString text = heading->text(0);
                EXPECT_LE(tree->fontMetrics().horizontalAdvance(text), VisibleTextRoom(tree, heading))
                    << text.toStdString();
            }
            EXPECT_TRUE(tree->topLevelItem(0)->text(0).endsWith(QStringLiteral("2026（今天）")));
        }
    }
    QApplication::setFont(appFont);
}

TEST_F(HistoryDialogTest, SameDayApartGivesTwoHeadings)
{
    // After a clock change one day can come back further down.
    load({{"http://a/1", kToday0905}, {"http://b/1", kYesterday2300}, {"http://a/2", kToday0800}});
    CHistoryDialog dialog(history, nullptr);
    ASSERT_EQ(list(dialog)->topLevelItemCount(), 3);
    EXPECT_EQ(list(dialog)->topLevelItem(0)->text(0), list(dialog)->topLevelItem(2)->text(0));
}

TEST_F(HistoryDialogTest, CopyFollowsTheSelectionAndCopiesThatEntry)
{
    load({{"http://a/1", kToday0905}, {"http://a/2", kToday0800}, {"http://b/1", kYesterday2300}});
    CHistoryDialog dialog(history, nullptr);
    QPushButton* copy = button(dialog, "ctl1168");
    EXPECT_FALSE(copy->isEnabled());
    QTreeWidget* tree = list(dialog);
    tree->topLevelItem(0)->child(1)->setSelected(true);
    EXPECT_TRUE(copy->isEnabled());
    copy->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("http://a/2"));
    // Moving the current row without the selection keeps Copy as it is.
    tree->setCurrentItem(tree->topLevelItem(1)->child(0), 0, QItemSelectionModel::NoUpdate);
    EXPECT_TRUE(copy->isEnabled());
    tree->clearSelection();
    EXPECT_FALSE(copy->isEnabled());
}

TEST_F(HistoryDialogTest, DeleteAsksAndClearsTheHistoryOnYesOnly)
{
    load({{"http://a/1", kToday0905}, {"http://b/1", kYesterday2300}});
    CHistoryDialog dialog(history, nullptr);
    list(dialog)->topLevelItem(0)->child(0)->setSelected(true);
    prompts.answers = {IDNO, IDYES};
    button(dialog, "ctl1167")->click();
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("你确定吗?"));
    EXPECT_EQ(prompts.boxes[0].flags, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(list(dialog)->topLevelItemCount(), 2);
    EXPECT_NE(history.GetItem(0), nullptr);

    button(dialog, "ctl1167")->click();
    EXPECT_EQ(list(dialog)->topLevelItemCount(), 0);
    EXPECT_FALSE(button(dialog, "ctl1168")->isEnabled());
    QString text;
    EXPECT_FALSE(history.GetText(0, &text));
    EXPECT_EQ(history.GetSize(), 10);

    // What the exit then writes: the header alone.
    const QString path = m_dir.filePath(QStringLiteral("UrlsHistory.vrh"));
    ASSERT_TRUE(history.Save(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("VRH\0\x0a\0\0\0", 8));
}

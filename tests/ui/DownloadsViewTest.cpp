#include "mainframe/DownloadsView.h"

#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/StateColors.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPaintEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <functional>
#include <memory>

namespace {

constexpr uint64_t kTicksPerSecond = 10'000'000;

class DownloadsViewTest : public testing::Test
{
protected:
    DownloadsViewTest() : settings(AppCore().m_settings), savedGrid(settings.DownloadsViewGrid),
                          savedDeveloperMode(settings.DeveloperMode), view(commands)
    {
        view.resize(900, 300);
    }
    ~DownloadsViewTest() override
    {
        settings.DownloadsViewGrid = savedGrid;
        settings.DeveloperMode = savedDeveloperMode;
    }

    CDownloadItem* Add(int32_t state = NeedToPrepare, const QString& folder = QStringLiteral("/downloads"))
    {
        auto* item = new CDownloadItem;
        item->m_pDownloader = new CHttpDownloader(u"http://h/a", folder, item);
        item->m_pDownloader->m_nState = state;
        view.AddItem(item);
        return item;
    }
    static CHttpDownloader& Download(CDownloadItem* item) { return *item->m_pDownloader; }
    static void SetSize(CDownloadItem* item, uint64_t size)
    {
        Download(item).m_bGotFileSize = 1;
        Download(item).m_nFileSize = size;
    }
    static CSection& AddSection(CDownloadItem* item, uint64_t done, bool working = false, uint32_t rate = 0)
    {
        auto section = std::make_unique<CSection>();
        section->m_nRangeStartInitial = 1000;
        section->m_nRangeStart = 1000 + done;
        section->m_nRangeEnd = 1000 + done;
        section->m_bIsWorking = working;
        section->m_nTransferRate = rate;
        CSection& added = *section;
        Download(item).AppendSection(std::move(section));
        return added;
    }
    QVariant Data(int row, int column, int role = Qt::DisplayRole) const
    {
        return view.model()->index(row, column).data(role);
    }
    QString Cell(int row, int column) const { return Data(row, column).toString(); }
    QColor Foreground(int row, int column) const { return Data(row, column, Qt::ForegroundRole).value<QColor>(); }
    QColor Grey() const { return view.palette().color(QPalette::Disabled, QPalette::Text); }
    void Show()
    {
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    // The colours along the middle of row 0's completed-column bar, from its
    // left edge, after one repaint.
    std::vector<QRgb> BarPixels()
    {
        view.header()->resizeSection(CDownloadsView::ColumnCompleted, 100);
        const int x0 = view.header()->sectionViewportPosition(CDownloadsView::ColumnCompleted);
        const int y = view.visualRect(view.model()->index(0, CDownloadsView::ColumnCompleted)).center().y();
        const QImage image = view.viewport()->grab().toImage();
        std::vector<QRgb> pixels;
        for (int x = x0; x < x0 + 100; ++x)
            pixels.push_back(image.pixel(x, y) | 0xFF000000);
        return pixels;
    }

    CAppSettings& settings;
    const int32_t savedGrid;
    const int32_t savedDeveloperMode;
    CCommandTable commands;
    CDownloadsView view;
};

TEST_F(DownloadsViewTest, CellsShowTheLiveDownload)
{
    struct Case
    {
        std::function<void(CDownloadItem*)> make;
        int column;
        const char* text;
    };
    auto state = [](int32_t s) { return [s](CDownloadItem* item) { Download(item).m_nState = s; }; };
    auto transferring = [](uint64_t done) {
        return [done](CDownloadItem* item) {
            Download(item).m_nState = Transferring;
            SetSize(item, 10000);
            AddSection(item, done);
        };
    };
    auto finishedUnsized = [](uint64_t received) {
        return [received](CDownloadItem* item) {
            Download(item).m_nState = Completed;
            AddSection(item, received);
        };
    };
    const Case cases[] = {
        {state(NeedToPrepare), CDownloadsView::ColumnFileName, "<New>"},
        {[](CDownloadItem* item) { Download(item).SetFileTitle(QStringLiteral("a.zip")); },
         CDownloadsView::ColumnFileName, "a.zip"},
        {state(Prepared), CDownloadsView::ColumnSize, "<未指定>"},
        {state(NeedToPrepare), CDownloadsView::ColumnSize, ""},
        {[](CDownloadItem* item) { SetSize(item, 2048); }, CDownloadsView::ColumnSize, "2 KB"},
        {transferring(2500), CDownloadsView::ColumnCompleted, "25.0%"},
        {transferring(2500), CDownloadsView::ColumnDownloaded, "2.44 KB"},
        // An exact tie rounds to even, as the C library does.
        {transferring(1225), CDownloadsView::ColumnCompleted, "12.2%"},
        {state(Prepared), CDownloadsView::ColumnCompleted, ""},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Completed;
             SetSize(item, 4096); // the file's size counts as done, sections or not
         },
         CDownloadsView::ColumnDownloaded, "4.00 KB"},
        // A size never told: what the sections received, and still no percentage.
        {finishedUnsized(300000), CDownloadsView::ColumnDownloaded, "292.96 KB"},
        {finishedUnsized(300000), CDownloadsView::ColumnCompleted, ""},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Paused;
             Download(item).m_nWholeDownloadTime = 90'187 * kTicksPerSecond;
         },
         CDownloadsView::ColumnElapsed, "25:03:07"},
        // A clock set back during the run adds nothing to the earlier runs.
        {[](CDownloadItem* item) {
             Download(item).m_nState = Transferring;
             Download(item).m_nWholeDownloadTime = 3600 * kTicksPerSecond;
             Download(item).m_nDownloadStartingTime = GetSystemTimeAsFileTime() + 3600 * kTicksPerSecond;
         },
         CDownloadsView::ColumnElapsed, "1:00:00"},
        {state(NeedToPrepare), CDownloadsView::ColumnElapsed, ""},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Transferring;
             SetSize(item, 10000);
             AddSection(item, 4500, true, 300);
             AddSection(item, 4500, true, 200);
             AddSection(item, 0, false, 1000);
         },
         CDownloadsView::ColumnRemaining, "0:00:02"},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Transferring;
             AddSection(item, 0, true, 300);
             AddSection(item, 0, true, 200);
             AddSection(item, 0, false, 1000);
         },
         CDownloadsView::ColumnTransferRate, "500 B/s"},
        {transferring(10), CDownloadsView::ColumnRemaining, ""},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Paused;
             AddSection(item, 0, true, 300);
         },
         CDownloadsView::ColumnTransferRate, ""},
        {[](CDownloadItem* item) {
             Download(item).m_timeAdded = {2024, 3, 2, 5, 9, 5, 0, 0};
         },
         CDownloadsView::ColumnAdded, "3/5/2024 9:05"},
        {[](CDownloadItem* item) { Download(item).m_nAccessType = 7; }, CDownloadsView::ColumnConnection, ""},
        {[](CDownloadItem* item) { Download(item).m_nAccessType = -1; }, CDownloadsView::ColumnConnection, ""},
        {[](CDownloadItem* item) { Download(item).m_nAccessType = Proxy; }, CDownloadsView::ColumnConnection, "代理"},
        {[](CDownloadItem* item) { Download(item).m_nAccessType = Preconfig; }, CDownloadsView::ColumnConnection,
         "系统"},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Prepared;
             Download(item).m_bAcceptRanges = 1;
             Download(item).m_bGotFileSize = 1;
         },
         CDownloadsView::ColumnResume, "是"},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Prepared;
             Download(item).m_bAcceptRanges = 1;
             Download(item).m_bGotFileSize = 2;
         },
         CDownloadsView::ColumnResume, "否"},
        {state(NeedToPrepare), CDownloadsView::ColumnResume, ""},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Prepared;
             AddSection(item, 0);
             AddSection(item, 0);
         },
         CDownloadsView::ColumnSections, "2"},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Paused;
             item->SetQueued(true);
         },
         CDownloadsView::ColumnStatus, "已暂停 (排队)"},
        {state(Completed), CDownloadsView::ColumnStatus, "已完成"},
        {state(Completed), CDownloadsView::ColumnError, ""},
        {[](CDownloadItem* item) {
             Download(item).m_nState = Paused;
             Download(item).m_pError->SetError(TextId::TransferFailed, QStringView(u"x"));
         },
         CDownloadsView::ColumnError, "传输失败。 x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        while (view.GetItemCount() > 0)
            view.RemoveItem(0, false);
        c.make(Add());
        EXPECT_EQ(Cell(0, c.column), QString::fromUtf8(c.text));
    }
}

TEST_F(DownloadsViewTest, ColoursFollowTheState)
{
    struct Case
    {
        int32_t state;
        QColor status;
    };
    const Case cases[] = {
        {Transferring, QColor(9, 137, 211)},     {Completed, QColor(67, 145, 35)},
        {TransferringFailed, QColor(209, 16, 16)}, {Paused, QColor(37, 78, 162)},
        {NeedToPrepare, QColor(211, 127, 9)},
    };
    for (const Case& c : cases) {
        Add(c.state);
        EXPECT_EQ(Foreground(view.GetItemCount() - 1, CDownloadsView::ColumnStatus), c.status) << c.state;
    }
    EXPECT_EQ(GetStateTextColor(kDownloadStateCount), 0u);
    EXPECT_EQ(GetStateProgressColor(-1), 0u);

    // File name and size are grey up to Prepared, the size also while unknown.
    CDownloadItem* failedEarly = Add(PrepairingFailed);
    CDownloadItem* failedLate = Add(TransferringFailed);
    SetSize(failedLate, 100);
    CDownloadItem* sizeUnknown = Add(Paused);
    const int early = 5, late = 6, unknown = 7;
    ASSERT_EQ(view.GetItem(unknown), sizeUnknown);
    EXPECT_EQ(view.GetItem(early), failedEarly);
    EXPECT_EQ(Foreground(early, CDownloadsView::ColumnFileName), Grey());
    EXPECT_EQ(Foreground(early, CDownloadsView::ColumnSize), Grey());
    EXPECT_FALSE(Data(late, CDownloadsView::ColumnFileName, Qt::ForegroundRole).isValid());
    EXPECT_FALSE(Data(late, CDownloadsView::ColumnSize, Qt::ForegroundRole).isValid());
    EXPECT_EQ(Foreground(unknown, CDownloadsView::ColumnSize), Grey());

    Download(Add(Completed)).m_bGotFileSize = 1;
    EXPECT_EQ(Data(8, CDownloadsView::ColumnCompleted, CDownloadsView::BarColorRole).value<QColor>(),
              QColor(6, 176, 37));
    Add(FileAllocating);
    EXPECT_EQ(Data(9, CDownloadsView::ColumnCompleted, CDownloadsView::BarColorRole).value<QColor>(),
              QColor(195, 195, 195));
}

TEST_F(DownloadsViewTest, TheFirstMatchingRulePicksTheStateImage)
{
    struct Case
    {
        int32_t state;
        int32_t queued;
        int32_t scheduled;
        int errors;
        int image;
    };
    const Case cases[] = {
        {Completed, 1, 1, 0, 6}, {Paused, 1, 1, 0, 4},     {Paused, 0, 1, 0, 7},       {Prepared, 0, 0, 0, 0},
        {NeedToPrepare, 0, 0, 1, 0}, {FinishingFailed, 0, 0, 0, 5}, {Transferred, 0, 0, 0, 3},
        {Transferring, 0, 0, 1, 2}, {Transferring, 0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        CDownloadItem* item = Add(c.state);
        item->SetQueued(c.queued);
        item->SetScheduled(c.scheduled);
        Download(item).m_pError->m_nErrorCounter = c.errors;
        const int row = view.GetItemCount() - 1;
        EXPECT_EQ(Data(row, 0, CDownloadsView::StateImageRole).toInt(), c.image) << row;
        EXPECT_FALSE(Data(row, 0, Qt::DecorationRole).value<QIcon>().isNull());
    }
}

TEST_F(DownloadsViewTest, TheBarFillsItsShareOfTheStripWithTheStateColour)
{
    Show();
    CDownloadItem* item = Add(Transferring);
    SetSize(item, 10000);
    AddSection(item, 2500);
    const QRgb blue = qRgb(0, 162, 232);
    const QRgb frame = view.palette().color(QPalette::Dark).rgb();
    std::vector<QRgb> pixels = BarPixels();
    EXPECT_EQ(pixels[1], frame);
    for (int x = 2; x <= 25; ++x)
        EXPECT_EQ(pixels[size_t(x)], blue) << x;
    EXPECT_NE(pixels[26], blue);

    // More bytes than the size announced: the fill stops at the frame.
    AddSection(item, 20000);
    pixels = BarPixels();
    EXPECT_EQ(pixels[97], blue);
    EXPECT_EQ(pixels[98], frame);
    EXPECT_NE(pixels[99], blue);
}

TEST_F(DownloadsViewTest, AllocatingShowsTheAllocationInTheBarAndTheBytesInTheText)
{
    CDownloadItem* item = Add(FileAllocating);
    SetSize(item, 10000);
    Download(item).m_bAcceptRanges = 1;
    Download(item).m_nAllocated = 2603;
    EXPECT_EQ(Data(0, 3, CDownloadsView::BarModeRole).toInt(), CDownloadsView::BarPercent);
    EXPECT_NEAR(Data(0, 3, CDownloadsView::BarPercentRole).toFloat(), 18.06f, 0.01f);
    EXPECT_EQ(Cell(0, 3), QStringLiteral("0.0%"));

    Download(item).m_bAcceptRanges = 0;
    EXPECT_EQ(Data(0, 3, CDownloadsView::BarModeRole).toInt(), CDownloadsView::BarNone);
}

// Records the regions the viewport paints.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget* target) { target->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion painted;
};

TEST_F(DownloadsViewTest, TheRefreshTickRepaintsOnlyTheRowsWhoseValuesChanged)
{
    Show();
    for (int k = 0; k < 5; ++k)
        SetSize(Add(Paused), 1000);
    CDownloadItem* marquee = Add(Preparing);
    const auto rowAt = [this](int row) { return view.visualRect(view.model()->index(row, 0)).center(); };
    const auto tick = [this] {
        PaintRecorder recorder(view.viewport());
        view.AdvanceMarquee();
        view.RepaintChangedRows();
        return recorder.painted;
    };
    tick(); // every row on show is new to it
    QRegion painted = tick();
    EXPECT_TRUE(painted.contains(rowAt(5))); // the moving block moves every tick
    for (int row = 0; row < 5; ++row)
        EXPECT_FALSE(painted.contains(rowAt(row))) << row;

    AddSection(view.GetItem(2), 250); // progress, as a worker makes it
    view.GetItem(3)->SetQueued(true);   // the queue's mark
    painted = tick();
    EXPECT_TRUE(painted.contains(rowAt(2)));
    EXPECT_TRUE(painted.contains(rowAt(3)));
    EXPECT_FALSE(painted.contains(rowAt(1)));
    EXPECT_FALSE(painted.contains(rowAt(4)));

    Download(marquee).m_nState = Paused;
    tick();
    EXPECT_FALSE(tick().contains(rowAt(5)));
}

TEST_F(DownloadsViewTest, TheMovingBlockGrowsInMovesAndStartsOver)
{
    Show();
    CDownloadItem* item = Add(Preparing);
    const QRgb blue = qRgb(0, 162, 232);
    auto filled = [&] {
        std::vector<int> xs;
        const std::vector<QRgb> pixels = BarPixels();
        for (int x = 0; x < int(pixels.size()); ++x) {
            if (pixels[size_t(x)] == blue)
                xs.push_back(x);
        }
        return xs;
    };
    view.AdvanceMarquee();
    EXPECT_EQ(filled(), (std::vector<int>{2, 3}));
    view.m_nMarqueeTick = 30;
    EXPECT_EQ(filled(), (std::vector<int>{96, 97}));
    view.m_nMarqueeTick = 31;
    EXPECT_TRUE(filled().empty());
    EXPECT_EQ(view.m_nMarqueeTick, 0);

    // An unknown size while transferring also moves the block; a new or
    // prepared download shows no bar.
    Download(item).m_nState = Transferring;
    EXPECT_EQ(Data(0, 3, CDownloadsView::BarModeRole).toInt(), CDownloadsView::BarMarquee);
    for (int32_t state : {NeedToPrepare, Prepared, PrepairingFailed}) {
        Download(item).m_nState = state;
        SetSize(item, 100);
        EXPECT_EQ(Data(0, 3, CDownloadsView::BarModeRole).toInt(), CDownloadsView::BarNone) << state;
    }
}

// For every column, three downloads whose keys rise with their rank, and a row
// without a download, which sorts below every value.
TEST_F(DownloadsViewTest, EveryColumnSortsByItsKey)
{
    auto text = [](auto setter) {
        return [setter](CDownloadItem* item, int rank) {
            setter(Download(item), QString::fromLatin1(std::array{"alpha", "Beta", "gamma"}[size_t(rank)]));
        };
    };
    auto transferring = [](CDownloadItem* item) {
        Download(item).m_nState = Transferring;
        SetSize(item, 1000);
    };
    using Setter = std::function<void(CDownloadItem*, int)>;
    struct Column
    {
        int id;
        Setter setter;
        int ranks = 3;
    };
    const Column columns[] = {
        {CDownloadsView::ColumnFileName, text([](CHttpDownloader& d, const QString& t) { d.SetFileTitle(t); })},
        {CDownloadsView::ColumnUrl, text([](CHttpDownloader& d, const QString& t) { d.m_strUrl = t; })},
        {CDownloadsView::ColumnStatus,
         [](CDownloadItem* item, int rank) {
             Download(item).m_nState = std::array{NeedToPrepare, Paused, Completed}[size_t(rank)];
         }},
        {CDownloadsView::ColumnCompleted,
         [](CDownloadItem* item, int rank) {
             Download(item).m_nState = Paused;
             AddSection(item, uint64_t(10 * rank));
         }},
        {CDownloadsView::ColumnSize, [](CDownloadItem* item, int rank) { SetSize(item, uint64_t(300 + rank)); }},
        {CDownloadsView::ColumnDownloaded,
         [](CDownloadItem* item, int rank) {
             Download(item).m_nState = rank == 2 ? Completed : Paused;
             SetSize(item, 50);
             AddSection(item, uint64_t(10 * rank)); // a completed file counts its size
         }},
        {CDownloadsView::ColumnTransferRate,
         [&](CDownloadItem* item, int rank) {
             transferring(item);
             AddSection(item, 0, true, uint32_t(rank));
         }},
        {CDownloadsView::ColumnTransferSize,
         [&](CDownloadItem* item, int rank) {
             transferring(item);
             AddSection(item, 0, true).m_nTransferSize = uint32_t(rank);
         }},
        {CDownloadsView::ColumnResume,
         [](CDownloadItem* item, int rank) {
             Download(item).m_bAcceptRanges = 1;
             Download(item).m_bGotFileSize = rank;
         },
         2},
        {CDownloadsView::ColumnElapsed,
         [](CDownloadItem* item, int rank) {
             Download(item).m_nState = Paused;
             Download(item).m_nWholeDownloadTime = uint64_t(rank + 1) * kTicksPerSecond / 1000;
         }},
        // An unknown remaining time sorts above every known one.
        {CDownloadsView::ColumnRemaining,
         [&](CDownloadItem* item, int rank) {
             transferring(item);
             AddSection(item, 0, rank < 2, uint32_t(2 - rank));
         }},
        {CDownloadsView::ColumnSections,
         [](CDownloadItem* item, int rank) {
             for (int k = 0; k <= rank; ++k)
                 AddSection(item, 0);
         }},
        {CDownloadsView::ColumnConnection,
         [](CDownloadItem* item, int rank) {
             Download(item).m_nAccessType = std::array{INT32_MIN, 0, INT32_MAX}[size_t(rank)];
         }},
        {CDownloadsView::ColumnDescription,
         text([](CHttpDownloader& d, const QString& t) { d.m_strDescription = t; })},
        {CDownloadsView::ColumnLocation,
         text([](CHttpDownloader& d, const QString& t) { d.m_strDownloadLocation = u'/' + t; })},
        {CDownloadsView::ColumnAdded,
         [](CDownloadItem* item, int rank) {
             Download(item).m_timeAdded = std::array{SYSTEMTIME{2023, 12, 0, 31, 23, 59, 59, 999},
                                                     SYSTEMTIME{2024, 1, 1, 1, 0, 0, 0, 0},
                                                     SYSTEMTIME{2024, 1, 1, 1, 0, 0, 0, 1}}[size_t(rank)];
         }},
        // Only a failed download shows its error text.
        {CDownloadsView::ColumnError,
         [](CDownloadItem* item, int rank) {
             Download(item).m_nState = rank == 0 ? Paused : TransferringFailed;
             const QStringView detail = rank == 1 ? QStringView(u"b") : QStringView(u"c");
             Download(item).m_pError->SetError(TextId::TransferFailed, detail);
         }},
    };
    for (const Column& column : columns) {
        SCOPED_TRACE(column.id);
        CCommandTable freshCommands;
        CDownloadsView fresh(freshCommands);
        // Added as: the highest rank, the row without a download, then the rest.
        std::vector<int> added{column.ranks - 1, -1};
        for (int rank = 0; rank < column.ranks - 1; ++rank)
            added.push_back(rank);
        std::vector<CDownloadItem*> ascending(added.size());
        for (int rank : added) {
            auto* item = new CDownloadItem;
            if (rank >= 0) {
                item->m_pDownloader = new CHttpDownloader(u"http://h/a", u"/downloads", item);
                column.setter(item, rank);
            }
            fresh.AddItem(item);
            ascending[size_t(rank + 1)] = item;
        }
        auto order = [&] {
            std::vector<CDownloadItem*> rows;
            for (int row = 0; row < fresh.GetItemCount(); ++row)
                rows.push_back(fresh.GetItem(row));
            return rows;
        };
        fresh.SortByColumn(column.id);
        EXPECT_EQ(order(), ascending);
        fresh.SortByColumn(column.id);
        EXPECT_EQ(order(), std::vector(ascending.rbegin(), ascending.rend()));
    }
}

TEST_F(DownloadsViewTest, EqualSizesKeepTheirOrderInBothDirections)
{
    for (int k = 0; k < 40; ++k)
        SetSize(Add(), 100);
    std::vector<CDownloadItem*> before;
    for (int row = 0; row < view.GetItemCount(); ++row)
        before.push_back(view.GetItem(row));
    for (int pass = 0; pass < 2; ++pass) {
        view.SortByColumn(CDownloadsView::ColumnSize);
        for (int row = 0; row < view.GetItemCount(); ++row)
            EXPECT_EQ(view.GetItem(row), before[size_t(row)]);
    }
}

TEST_F(DownloadsViewTest, FindItemComparesEachArgumentWithItsOwnFieldIgnoringCase)
{
    CDownloadItem* item = Add();
    Download(item).m_strUrl = QStringLiteral("http://a/X.ZIP");
    view.RefreshItemKeys(item);
    Download(item).SetDownloadUrl(QStringLiteral("http://mirror/x.zip"));
    Download(item).SetLocalFileName(QStringLiteral("/downloads/x.zip"));
    EXPECT_TRUE(view.FindItem(QStringLiteral("HTTP://A/x.zip"), {}, {}));
    EXPECT_TRUE(view.FindItem({}, QStringLiteral("http://MIRROR/x.zip"), {}));
    EXPECT_TRUE(view.FindItem({}, {}, QStringLiteral("/downloads/X.zip")));
    EXPECT_FALSE(view.FindItem({}, {}, QStringLiteral("http://a/X.ZIP")));
    EXPECT_FALSE(view.FindItem(QStringLiteral("http://mirror/x.zip"), {}, {}));
    // An empty field matches nothing, not even an empty argument.
    Download(item).m_strUrl.clear();
    view.RefreshItemKeys(item);
    EXPECT_FALSE(view.FindItem(QString(), {}, {}));
    EXPECT_FALSE(view.FindItem(QLatin1String(""), {}, {}));
}

TEST_F(DownloadsViewTest, TheTotalSpeedCountsTheWorkingSectionsOfRunningTransfers)
{
    CDownloadItem* running = Add(Transferring);
    Download(running).m_bIsRunning = 1;
    AddSection(running, 0, true, 300);
    AddSection(running, 0, true, 200);
    AddSection(running, 0, false, 1000);
    CDownloadItem* paused = Add(Paused);
    AddSection(paused, 0, true, 4000); // stale rates of a run that ended
    CDownloadItem* notRunning = Add(Transferring);
    AddSection(notRunning, 0, true, 8000);
    EXPECT_EQ(view.TallyRows().speed, 500u);
}

TEST_F(DownloadsViewTest, RemovingWithFilesDeletesOnlyTheRowsOwnFile)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString other = dir.filePath(QStringLiteral("other.txt"));
    struct Case
    {
        QString localFile;
        bool deleteFile;
        bool deleted;
    };
    const Case cases[] = {
        {folder + "/f.zip", true, true},
        {folder + "/f.zip", false, false},
        {folder + "/f.zip.vrldownload", true, true},
        {folder + "/f(2).zip", true, true},
        {other, true, false}, // not a name of this download
        {folder + "/sub/../f.zip", true, true},
        {dir.filePath(QStringLiteral("sub/f.zip")), true, false}, // not directly in its folder
    };
    QDir().mkpath(dir.filePath(QStringLiteral("sub")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.localFile.toStdString());
        const QString target = QDir::cleanPath(c.localFile);
        for (const QString& path : {target, other}) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        CDownloadItem* item = Add(Completed, folder);
        Download(item).SetFileTitle(QStringLiteral("f.zip"));
        Download(item).SetLocalFileName(c.localFile);
        auto* dialog = new QObject;
        item->SetDialog(dialog);
        const QPointer<QObject> dialogAlive(dialog);
        Add(); // a row behind it that stays

        view.RemoveItem(0, c.deleteFile);
        EXPECT_EQ(QFile::exists(target), !c.deleted);
        EXPECT_TRUE(QFile::exists(other) || target == other);
        EXPECT_TRUE(dialogAlive.isNull());
        ASSERT_EQ(view.GetItemCount(), 1);
        EXPECT_EQ(view.m_listItems.size(), 1u);
        EXPECT_EQ(view.m_listItems.front(), view.GetItem(0));
        view.RemoveItem(0, false);
    }
    // A row without an item shows nothing and stays.
    view.InsertItem(0, 0);
    view.RemoveItem(0, true);
    EXPECT_EQ(view.GetItemCount(), 1);
    EXPECT_EQ(Cell(0, CDownloadsView::ColumnStatus), QString());
    view.DeleteAllItems();
}

TEST_F(DownloadsViewTest, RunningItemsAreTakenOutOfTheListBeforeTheViewGoes)
{
    CDownloadItem* idle = Add();
    CDownloadItem* running = Add(Transferring);
    Download(running).m_bIsRunning = 1;
    EXPECT_EQ(view.TakeRunningItems(), std::vector<CDownloadItem*>{running});
    EXPECT_EQ(view.m_listItems, std::list<CDownloadItem*>{idle});
    EXPECT_EQ(view.FindItemById(running->m_nId), running);
    view.DeleteItem(1);
    Download(running).m_bIsRunning = 0;
    delete running;
}

TEST_F(DownloadsViewTest, ContextMenusFollowWhereAndHowTheyWereAsked)
{
    view.move(0, 0);
    Show();
    Add();
    Add();
    auto* header = view.findChild<QMenu*>(QStringLiteral("menu348"));
    auto* item = view.findChild<QMenu*>(QStringLiteral("menu332"));
    auto* empty = view.findChild<QMenu*>(QStringLiteral("menu439"));
    ASSERT_TRUE(header && item && empty);
    QWidget* viewport = view.viewport();
    auto mouseMenu = [&](QWidget* target, const QPoint& point) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, point, target->mapToGlobal(point));
        QApplication::sendEvent(target, &event);
    };
    auto shown = [&] {
        QMenu* visible = nullptr;
        for (QMenu* menu : {header, item, empty}) {
            if (menu->isVisible()) {
                EXPECT_EQ(visible, nullptr);
                visible = menu;
            }
        }
        for (QMenu* menu : {header, item, empty})
            menu->hide();
        return visible;
    };
    const QRect row1 = view.visualRect(view.model()->index(1, 0));

    mouseMenu(viewport, row1.center());
    ASSERT_EQ(shown(), item);
    EXPECT_EQ(item->defaultAction(), CCommandTable::FindAction(item, ID_DOWNLOAD_PROPERTIES));
    EXPECT_FALSE(CCommandTable::FindAction(item, ID_DEBUG)->isVisible());
    settings.DeveloperMode = 1;
    mouseMenu(viewport, row1.center());
    EXPECT_EQ(shown(), item);
    EXPECT_TRUE(CCommandTable::FindAction(item, ID_DEBUG)->isVisible());

    mouseMenu(viewport, QPoint(10, viewport->height() - 5));
    EXPECT_EQ(shown(), empty);
    mouseMenu(view.header()->viewport(), QPoint(10, 5));
    EXPECT_EQ(shown(), header);
    for (int command : {ID_VIEW_COLUMN_FIRST, ID_VIEW_COLUMN_LAST, ID_VIEW_AUTOSIZE_COLUMNS, ID_VIEW_RESET_COLUMNS,
                        ID_VIEW_GRID})
        EXPECT_NE(CCommandTable::FindAction(header, command), nullptr) << command;

    // The menu key: below the last selected row, or at the view's corner.
    QContextMenuEvent none(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(&view, &none);
    EXPECT_EQ(empty->pos(), view.mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(shown(), empty);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, row1.center());
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(&view, &key);
    EXPECT_EQ(item->pos(), viewport->mapToGlobal(QPoint(0, row1.y() + row1.height() + 1)));
    EXPECT_EQ(shown(), item);
}

} // namespace

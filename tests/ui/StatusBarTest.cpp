#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "engine/DownloadError.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "mainframe/StatusBarEx.h"
#include "platform/inet/Inet.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>

#include <functional>
#include <memory>
#include <mutex>

namespace {

class StatusBarTest : public UiFixture
{
protected:
    StatusBarTest()
    {
        frame = new CMainFrame;
        frame->Create();
    }
    ~StatusBarTest() override { delete frame; }

    CDownloadItem* Row(int32_t state, bool running = false, bool queued = false)
    {
        CDownloadItem* item = AddRow(*frame, running, queued);
        item->m_pDownloader->m_nState = state;
        return item;
    }

    QString Pane(int id)
    {
        frame->OnUpdateStatusPanes();
        return frame->StatusBar()->PaneText(id);
    }

    void Select(std::initializer_list<int> rows)
    {
        CDownloadsView& view = *frame->View();
        view.clearSelection();
        for (int row : rows)
            view.selectionModel()->select(view.model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QStringList Urls() const
    {
        QStringList urls;
        for (int row = 0; row < frame->View()->GetItemCount(); ++row)
            urls << frame->View()->GetItem(row)->m_pDownloader->m_strUrl;
        return urls;
    }

    static void SetDataUsage(uint64_t bytes)
    {
        const std::lock_guard lock(AppCore().m_csDataUsage);
        AppCore().m_settings.DataUsage = bytes;
    }

    QPointer<CMainFrame> frame;
};

} // namespace

TEST_F(StatusBarTest, TheCountPanesCountRunningQueuedAndNeitherRunningNorCompletedRows)
{
    Row(Transferring, true);
    Row(Paused, false, true);
    Row(NeedToPrepare, false, true);
    Row(Completed);
    Row(NeedToPrepare);
    Row(TransferringFailed);
    EXPECT_EQ(Pane(361), QStringLiteral("1"));
    EXPECT_EQ(Pane(362), QStringLiteral("2"));
    EXPECT_EQ(Pane(363), QStringLiteral("4"));
    EXPECT_EQ(Pane(365), QStringLiteral("0 B/s"));
    SetDataUsage(1536);
    EXPECT_EQ(Pane(364), QStringLiteral("1.50 KB"));
    SetDataUsage(1024);
    EXPECT_EQ(Pane(364), QStringLiteral("1 KB"));
}

// The refresh tick alone brings the panes and the tray tip up to date, however
// the rows changed since the last tick.
TEST_F(StatusBarTest, EachRefreshTickCountsTheRowsAfreshThroughStateChanges)
{
    CDownloadItem* a = Row(NeedToPrepare);
    CDownloadItem* b = Row(Paused);
    CDownloadItem* c = Row(Completed);
    const auto transfer = [](CDownloadItem* item, uint32_t rate) {
        CHttpDownloader& download = *item->m_pDownloader;
        download.m_bIsRunning = 1;
        download.m_nState = Transferring;
        item->Wake(); // as a run's start does
        auto section = std::make_unique<CSection>();
        section->m_bIsWorking = 1;
        section->m_nTransferRate = rate;
        download.DeleteSections();
        download.AppendSection(std::move(section));
    };
    const auto end = [](CDownloadItem* item, int32_t state) {
        item->m_pDownloader->m_bIsRunning = 0;
        item->m_pDownloader->m_nState = state;
    };
    const struct
    {
        const char* what;
        std::function<void()> change;
        const char* running;
        const char* queued;
        const char* idle;
        const char* speed;
        int waiting;
    } steps[] = {
        {"at rest", [] {}, "0", "0", "2", "0 B/s", 0},
        {"a starts", [&] { transfer(a, 1024); }, "1", "0", "1", "1 KB/s", 1},
        {"b queued", [&] { b->SetQueued(true); }, "1", "1", "1", "1 KB/s", 2},
        {"b starts", [&] { b->SetQueued(false); transfer(b, 2048); }, "2", "0", "0", "3 KB/s", 2},
        {"a completes", [&] { end(a, Completed); }, "1", "0", "0", "2 KB/s", 1},
        {"c is reset", [&] { c->m_pDownloader->Reset(); }, "1", "0", "1", "2 KB/s", 1},
        {"b fails", [&] { end(b, TransferringFailed); }, "0", "0", "2", "0 B/s", 0},
        {"a new row runs", [&] { Row(Preparing, true); }, "1", "0", "2", "0 B/s", 1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        frame->OnTimer(CMainFrame::ID_TIMER_UPDATE);
        CStatusBarEx& bar = *frame->StatusBar();
        EXPECT_EQ(bar.PaneText(361), QString::fromUtf8(step.running));
        EXPECT_EQ(bar.PaneText(362), QString::fromUtf8(step.queued));
        EXPECT_EQ(bar.PaneText(363), QString::fromUtf8(step.idle));
        EXPECT_EQ(bar.PaneText(365), QString::fromUtf8(step.speed));
        EXPECT_EQ(tray.toolTip.contains(QString::number(step.waiting)), step.waiting > 0) << tray.toolTip.toStdString();
    }
    end(frame->View()->GetItem(3), Paused); // no run may outlive the fixture
}

TEST_F(StatusBarTest, TheSchedulerAndAllDonePanesFollowTheSettings)
{
    CAppSettings& settings = AppCore().m_settings;
    Row(NeedToPrepare)->SetScheduled(true);
    Row(Paused)->SetScheduled(true);
    Row(Paused);
    const struct
    {
        int32_t on;
        bool running;
        int32_t all;
        const char* text;
    } scheduler[] = {
        {0, true, 1, "关闭"},
        {1, true, 1, "已开始"},
        {1, true, 0, "已开始"},
        {1, false, 1, "待定（所有项目）"},
        {1, false, 0, "待处理（2 个项目）"},
    };
    for (const auto& test : scheduler) {
        SettingStore(settings.SchedulerOn, test.on);
        SettingStore(settings.ScheduleAllItems, test.all);
        frame->m_bSchedulerRunning = test.running;
        EXPECT_EQ(Pane(359), QString::fromUtf8(test.text)) << test.text;
    }
    const struct
    {
        int32_t action;
        const char* text;
    } allDone[] = {
        {0, "无"}, {2, "自动退出"}, {3, "自动睡眠"}, {4, "自动休眠"}, {5, "自动关机"}, {1, ""}, {42, ""},
    };
    for (const auto& test : allDone) {
        SettingStore(settings.AllDoneAction, test.action);
        EXPECT_EQ(Pane(360), QString::fromUtf8(test.text)) << test.action;
    }
}

TEST_F(StatusBarTest, ThePanesCarryTheirTipsAndIcons)
{
    CStatusBarEx& bar = *frame->StatusBar();
    frame->show();
    QApplication::processEvents();
    EXPECT_EQ(bar.Pane(359)->toolTip(), QStringLiteral("计划任务状态"));
    EXPECT_EQ(bar.Pane(363)->toolTip(), QStringLiteral("暂停项目的数量"));
    EXPECT_EQ(bar.Pane(365)->toolTip(), QStringLiteral("整体速度"));
    const int widths[] = {130, 105, 50, 50, 50, 100, 70};
    for (int id = 359; id <= 365; ++id) {
        const QLabel* icon = bar.Pane(id)->findChild<QLabel*>(QStringLiteral("icon"));
        EXPECT_GE(bar.Pane(id)->width(), widths[id - 359]) << id;
        if (id == 365) {
            EXPECT_FALSE(icon) << id;
            continue;
        }
        ASSERT_TRUE(icon) << id;
        EXPECT_EQ(icon->pixmap().size(), QSize(16, 16)) << id;
        EXPECT_FALSE(icon->pixmap().toImage().isNull());
    }
    for (const QLabel* label : bar.findChildren<QLabel*>()) {
        if (!label->parentWidget() || !label->parentWidget()->objectName().startsWith(QStringLiteral("pane"))) {
            EXPECT_TRUE(label->toolTip().isEmpty()) << "the message pane has no tip";
        }
    }
    EXPECT_TRUE(frame->testAttribute(Qt::WA_AlwaysShowToolTips));
}

// At a font twice the usual: a word widens its pane, and a figure's pane has
// room for the widest figure whatever it shows now.
TEST_F(StatusBarTest, APaneWidensForItsWholeTextAndHasRoomForItsWidestFigure)
{
    CStatusBarEx& bar = *frame->StatusBar();
    QFont larger = bar.font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    bar.setFont(larger);
    SettingStore(AppCore().m_settings.SchedulerOn, 1);
    SettingStore(AppCore().m_settings.ScheduleAllItems, 1);
    frame->resize(1600, 600);
    frame->show();
    frame->OnUpdateStatusPanes();
    const QWidget* scheduler = bar.Pane(359);
    EXPECT_TRUE(WaitFor([&] { return scheduler->width() >= scheduler->sizeHint().width(); }));
    for (int id = 359; id <= 365; ++id) {
        const QLabel* text = bar.Pane(id)->findChild<QLabel*>(QStringLiteral("text"));
        EXPECT_GE(text->width(), text->sizeHint().width()) << id << " cuts " << text->text().toStdString();
    }
    const QLabel* speed = bar.Pane(365)->findChild<QLabel*>(QStringLiteral("text"));
    EXPECT_GE(speed->width(), speed->fontMetrics().horizontalAdvance(QStringLiteral("1023.99 MB/s")));
}

TEST_F(StatusBarTest, TheMessagePaneShowsTheOneSelectedRowsErrorOrUrl)
{
    CDownloadItem* failed = Row(TransferringFailed);
    failed->m_pDownloader->m_pError->SetInternetError(TextId::TransferFailed, inet::ERROR_INTERNET_TIMEOUT);
    Row(Paused)->m_pDownloader->m_strUrl = QStringLiteral("http://example.test/a b.zip");
    const QString idle = QStringLiteral("就绪");

    Select({0});
    EXPECT_EQ(frame->StatusBar()->MessageText(), failed->m_pDownloader->m_pError->GetText());
    EXPECT_TRUE(frame->StatusBar()->MessageText().startsWith(QStringLiteral("传输失败。")));
    Select({1});
    EXPECT_EQ(frame->StatusBar()->MessageText(), QStringLiteral("http://example.test/a b.zip"));
    Select({0, 1});
    EXPECT_EQ(frame->StatusBar()->MessageText(), idle);
    Select({});
    EXPECT_EQ(frame->StatusBar()->MessageText(), idle);

    // A long text does not widen the window.
    frame->show();
    const int width = frame->width();
    const int minimum = frame->minimumSizeHint().width();
    frame->View()->GetItem(1)->m_pDownloader->m_strUrl = QStringLiteral("http://example.test/") + QString(3000, u'x');
    Select({1});
    QApplication::processEvents();
    EXPECT_EQ(frame->StatusBar()->MessageText().size(), 3020);
    EXPECT_EQ(frame->width(), width);
    EXPECT_EQ(frame->minimumSizeHint().width(), minimum);
}

TEST_F(StatusBarTest, AHeaderClickAsksBeforeSortingAndRemembersTheAnswer)
{
    CAppSettings& settings = AppCore().m_settings;
    for (const char* url : {"http://b.test/", "http://c.test/", "http://a.test/"})
        Row(Paused)->m_pDownloader->m_strUrl = QString::fromUtf8(url);
    QHeaderView& header = *frame->View()->header();
    const QStringList unsorted = Urls();

    // Closed without an answer: nothing stored, nothing sorted.
    emit header.sectionClicked(CDownloadsView::ColumnUrl);
    ASSERT_EQ(prompts.boxes.size(), 1);
    const TaskDialogSpec& spec = prompts.boxes[0].task;
    EXPECT_EQ(spec.mainInstruction, QStringLiteral("您想对下载列表进行排序吗?"));
    EXPECT_EQ(spec.verificationText, QStringLiteral("不再询问我"));
    EXPECT_EQ(spec.title, QStringLiteral("Vandrel"));
    EXPECT_EQ(spec.icon, PromptIcon::Question);
    EXPECT_EQ(spec.commonButtons, TDCBF_YES_BUTTON | TDCBF_NO_BUTTON);
    EXPECT_EQ(spec.owner, frame.data());
    EXPECT_EQ(Urls(), unsorted);
    EXPECT_EQ(SettingLoad(settings.DoNotAskSort), 0);

    // Yes, without the box: sorted, asked again next time.
    prompts.answers = {IDYES};
    emit header.sectionClicked(CDownloadsView::ColumnUrl);
    EXPECT_EQ(Urls(), (QStringList{"http://a.test/", "http://b.test/", "http://c.test/"}));
    EXPECT_EQ(SettingLoad(settings.SortDefaultAction), IDYES);
    EXPECT_EQ(SettingLoad(settings.DoNotAskSort), 0);

    // No with the box ticked: stored, then neither asked nor sorted again.
    prompts.answers = {IDNO};
    prompts.verifications = {true};
    emit header.sectionClicked(CDownloadsView::ColumnUrl);
    EXPECT_EQ(SettingLoad(settings.SortDefaultAction), IDNO);
    EXPECT_EQ(SettingLoad(settings.DoNotAskSort), 1);
    const qsizetype asked = prompts.boxes.size();
    const QStringList after = Urls();
    const Qt::SortOrder order = header.sortIndicatorOrder();
    emit header.sectionClicked(CDownloadsView::ColumnUrl);
    EXPECT_EQ(prompts.boxes.size(), asked);
    EXPECT_EQ(Urls(), after);
    EXPECT_EQ(header.sortIndicatorOrder(), order);

    // Yes with the box ticked: every later click sorts without asking.
    SettingStore(settings.DoNotAskSort, 0);
    prompts.answers = {IDYES};
    prompts.verifications = {true};
    emit header.sectionClicked(CDownloadsView::ColumnUrl);
    EXPECT_EQ(SettingLoad(settings.SortDefaultAction), IDYES);
    EXPECT_EQ(SettingLoad(settings.DoNotAskSort), 1);
    const QStringList once = Urls();
    emit header.sectionClicked(CDownloadsView::ColumnUrl);
    EXPECT_EQ(prompts.boxes.size(), asked + 1);
    EXPECT_NE(Urls(), once) << "the direction flips on every sort";
}

TEST_F(StatusBarTest, TheLogoShowsOnAnEmptyListOnly)
{
    frame->resize(900, 700);
    frame->show();
    QApplication::processEvents();
    QWidget& viewport = *frame->View()->viewport();
    ASSERT_GT(viewport.height(), 300);
    // On the logo's middle row, in the badge's coloured ring (its centre is the white arrow).
    const QPoint centre((viewport.width() - 256) / 2 + 40, viewport.height() - 286 + 128);
    const QColor base = frame->View()->palette().color(QPalette::Base);
    EXPECT_NE(viewport.grab().toImage().pixelColor(centre), base);

    Row(Paused);
    viewport.repaint();
    EXPECT_EQ(viewport.grab().toImage().pixelColor(centre), base);
}

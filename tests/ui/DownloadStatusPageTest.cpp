#include "ControlLookup.h"
#include "UiFixture.h"

#include "dialogs/DownloadAuthorizationPage.h"
#include "dialogs/DownloadConnectionPage.h"
#include "dialogs/DownloadMorePage.h"
#include "dialogs/DownloadStatusPage.h"
#include "dialogs/FixedDownloadDialog.h"
#include "dialogs/FixedDownloadGeneralPage.h"
#include "dialogs/SectionBar.h"
#include "dialogs/TabSheet.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "support/QStringPrinter.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

struct SectionSpec
{
    uint64_t first;
    uint64_t last;
    uint64_t next; // RangeStart
    bool working = false;
    bool failed = false;
    int32_t status = Unspecified;
    uint32_t rate = 0;
    bool openEnded = false;
};

class DownloadStatusPageTest : public UiFixture
{
protected:
    DownloadStatusPageTest()
    {
        item.m_pDownloader = new CHttpDownloader(u"http://h/file.bin", TestEnvironment::root(), &item);
    }
    ~DownloadStatusPageTest() override { item.DestroyDialog(); }

    CHttpDownloader& Download() { return *item.m_pDownloader; }

    void SetSections(std::initializer_list<SectionSpec> specs)
    {
        Download().DeleteSections();
        int index = 0;
        for (const SectionSpec& spec : specs) {
            auto section = std::make_unique<CSection>();
            section->m_nIndex = index++;
            section->m_nRangeStartInitial = spec.first;
            section->m_nRangeEnd = spec.last;
            section->m_nRangeStart = spec.next;
            section->m_bIsWorking = spec.working ? 1 : 0;
            section->m_bIsFailed = spec.failed ? 1 : 0;
            section->m_nLastStatus = spec.status;
            section->m_nTransferRate = spec.rate;
            section->m_bIsUnknownLength = spec.openEnded ? 1 : 0;
            Download().AppendSection(std::move(section));
        }
    }

    void SetSize(uint64_t size)
    {
        Download().m_bGotFileSize = 1;
        Download().m_nFileSize = size;
    }

    // The properties dialog on the download, its status tab shown.
    CFixedDownloadDialog& Open()
    {
        auto* dialog = new CFixedDownloadDialog(&item, nullptr);
        item.SetDialog(dialog);
        dialog->Create();
        dialog->show();
        return *dialog;
    }

    CFixedDownloadDialog& Dialog() { return *qobject_cast<CFixedDownloadDialog*>(item.Dialog()); }
    QString Text(int id) { return FindControl<QLabel>(Dialog().m_pStatusPage, id)->text(); }
    QColor TextColor(int id)
    {
        return FindControl<QLabel>(Dialog().m_pStatusPage, id)->palette().color(QPalette::WindowText);
    }
    QString Cell(int row, int column)
    {
        const QAbstractItemModel* model = FindControl<QTreeView>(Dialog().m_pStatusPage, 1045)->model();
        return model->index(row, column).data().toString();
    }
    int Rows() { return FindControl<QTreeView>(Dialog().m_pStatusPage, 1045)->model()->rowCount(); }
    void Refresh() { Dialog().RefreshFromItem(); }

    CDownloadItem item;
};

QImage Paint(CSectionBar::Figures figures, int width)
{
    CSectionBar bar(nullptr);
    bar.resize(width, 20);
    bar.SetFigures(std::move(figures));
    return bar.grab().toImage();
}

QColor At(const QImage& image, int x)
{
    return image.pixelColor(x, image.height() / 2);
}

SectionSnapshot Snapshot(uint64_t first, uint64_t last, uint64_t next, bool working, bool failed = false)
{
    SectionSnapshot section;
    section.m_nRangeStartInitial = first;
    section.m_nRangeEnd = last;
    section.m_nRangeStart = next;
    section.m_bIsWorking = working;
    section.m_bIsFailed = failed;
    return section;
}

} // namespace

TEST_F(DownloadStatusPageTest, ProgressRateAndTimesFollowTheDownload)
{
    Download().m_nState = NeedToPrepare;
    Open();
    EXPECT_EQ(Text(1049), QStringLiteral("-"));
    EXPECT_EQ(Text(1050), QStringLiteral("--:--:--"));
    EXPECT_EQ(Text(1048), QStringLiteral("-"));

    Download().m_nState = Transferring;
    SetSize(kMiB);
    SetSections({{0, kMiB - 1, kMiB / 2, true, false, Recieving, 1024}, {kMiB, kMiB, kMiB, true, false, Recieving, 512}});
    Refresh();
    EXPECT_EQ(Text(1049), QStringLiteral("512.00 KB 从 1.00 MB, (50.0%)"));
    EXPECT_EQ(Text(1053), QStringLiteral("1.50 KB/s"));

    SetSize(3000000);
    SetSections({{0, 2999999, 1000000}});
    Refresh();
    EXPECT_EQ(Text(1049), QStringLiteral("976.56 KB 从 2.86 MB, (33.3%)"));

    SetSize(1000);
    SetSections({{0, 499, 0, true, false, Recieving, 300}, {500, 999, 500, true, false, Recieving, 200}});
    Refresh();
    EXPECT_EQ(Text(1051), QStringLiteral("0:00:02"));

    Download().m_nState = Paused;
    Download().m_nWholeDownloadTime = 90061ull * 10000000ull + 9999999;
    Refresh();
    EXPECT_EQ(Text(1050), QStringLiteral("25:01:01"));
    EXPECT_EQ(Text(1053), QStringLiteral("-"));
    EXPECT_EQ(Text(1051), QStringLiteral("--:--:--"));

    // A finished download whose size the server never told shows what it received.
    for (const int32_t state : {Transferred, Completed}) {
        Download().m_nState = state;
        Download().m_bGotFileSize = 0;
        Download().m_nFileSize = 0;
        SetSections({{0, 0, 300000, false, false, Unspecified, 0, true}});
        Refresh();
        EXPECT_EQ(Text(1049), QStringLiteral("292.96 KB"));
    }
}

TEST_F(DownloadStatusPageTest, StateResumeSupportAndErrorKeepTheirRules)
{
    Download().m_nState = Completed;
    Open();
    EXPECT_EQ(TextColor(1058), QColor(67, 145, 35));
    Download().m_nState = TransferringFailed;
    Refresh();
    EXPECT_EQ(TextColor(1058), QColor(209, 16, 16));
    EXPECT_EQ(Text(1054), QStringLiteral("否")); // decided at the first refresh once prepared

    item.DestroyDialog();
    Download().m_nState = Prepared;
    Download().m_bAcceptRanges = 1;
    SetSize(100);
    Open();
    EXPECT_EQ(Text(1054), QStringLiteral("是"));
    EXPECT_EQ(TextColor(1054), QColor(67, 145, 35));
    Download().m_bAcceptRanges = 0;
    Refresh();
    EXPECT_EQ(Text(1054), QStringLiteral("是"));
    EXPECT_EQ(TextColor(1054), QColor(209, 16, 16));

    Download().m_pError->SetError(TextId::TransferFailed, u"detail");
    Refresh();
    const QString error = Text(1048);
    EXPECT_TRUE(error.startsWith(QStringLiteral("传输失败。"))) << error.toStdString();
    Download().m_pError->Clear();
    Refresh();
    EXPECT_EQ(Text(1048), QStringLiteral("-"));
}

TEST_F(DownloadStatusPageTest, TheSectionTableShowsEachSectionsFigures)
{
    const uint64_t part = 1310720;
    Download().m_nState = Transferring;
    SetSize(10 * kMiB);
    SetSections({{0, part - 1, part, false},
                 {part, 2 * part - 1, part + 655360, true, false, Recieving, 2048},
                 {2 * part, 3 * part - 1, 3 * part - 131, true, false, LimitingSpeed},
                 {3 * part, 4 * part - 1, 3 * part, true, false, WaitingForNextAttempt},
                 {4 * part, 5 * part - 1, 4 * part, true, false, Unspecified},
                 {5 * part, 6 * part - 1, 5 * part, false, false},
                 {6 * part, 7 * part - 1, 6 * part, false, true},
                 {7 * part, 8 * part - 1, 7 * part, false}});
    Open();
    ASSERT_EQ(Rows(), 8);
    EXPECT_EQ(QStringList({Cell(1, 0), Cell(1, 1), Cell(1, 2), Cell(1, 3), Cell(1, 4)}),
              QStringList({"2", "1.25 MB", "50.0%", "640 KB", "2 KB/s"}));
    EXPECT_EQ(Cell(2, 2), QStringLiteral("99.9%"));
    const char* const statuses[] = {"已完成", "正在回收中...", "正在回收中...", "失败；正在等待下一次尝试...",
                                    "?",      "正在等待...",   "已失败",        "正在等待..."};
    for (int row = 0; row < 8; ++row)
        EXPECT_EQ(Cell(row, 6), QString::fromUtf8(statuses[row])) << row;
    EXPECT_EQ(Cell(5, 4), QString());

    Download().m_nState = Paused;
    SetSections({{0, 0, 10, false, false, Unspecified, 0, true}});
    Refresh();
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("<n/a>"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("<n/a>"));
    EXPECT_EQ(Cell(0, 6), QStringLiteral("已停止"));
}

TEST_F(DownloadStatusPageTest, SectionColumnsAndTheErrorLineFitTheWidthTheyHave)
{
    // The widest figures: a whole section, sizes of four digits and a status of many words.
    constexpr uint64_t kSection = 1023 * kMiB;
    Download().m_nState = Transferring;
    SetSize(2 * kSection);
    SetSections({{0, kSection - 1, kSection, true, false, WaitingForNextAttempt, 1023 * 1024},
                 {kSection, 2 * kSection - 1, kSection + kSection / 3, false}});
    Download().m_pError->SetError(TextId::TransferFailed, QString(400, u'x'));
    CFixedDownloadDialog& dialog = Open();
    QCoreApplication::processEvents();
    QTreeView* list = FindControl<QTreeView>(dialog.m_pStatusPage, 1045);
    auto* error = FindControl<QLabel>(dialog.m_pStatusPage, 1048);
    const auto expectAllShown = [&](const char* when) {
        const QHeaderView* header = list->header();
        for (int column = 0; column < header->count(); ++column) {
            EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << when << " column " << column;
            EXPECT_GE(header->sectionViewportPosition(column), 0) << when << " column " << column;
            EXPECT_LE(header->sectionViewportPosition(column) + header->sectionSize(column), list->viewport()->width())
                << when << " column " << column;
        }
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            for (int column = 0; column < header->count(); ++column) {
                const QModelIndex cell = list->model()->index(row, column);
                EXPECT_LE(list->sizeHintForIndex(cell).width(), list->columnWidth(column))
                    << when << ": " << cell.data().toString().toStdString() << " is cut";
            }
        }
        const QString full = Download().m_pError->GetText();
        EXPECT_NE(error->text(), full) << when;
        EXPECT_EQ(error->text(), error->fontMetrics().elidedText(full, Qt::ElideRight, error->contentsRect().width()))
            << when;
    };
    expectAllShown("at the opening size");
    const int statusWidth = list->columnWidth(6);
    const QString opened = error->text();

    dialog.resize(dialog.width() + 200, dialog.height());
    QCoreApplication::processEvents();
    expectAllShown("widened");
    EXPECT_GT(list->columnWidth(6), statusWidth);
    EXPECT_GT(error->text().size(), opened.size());
}

TEST(SectionBar, SectionsAreDrawnAtTheirPlaceInTheFileInTheirColours)
{
    CSectionBar::Figures figures;
    figures.state = Transferring;
    figures.fileSize = 1000;
    figures.sections = {Snapshot(0, 499, 500, false), Snapshot(500, 999, 750, true)};
    const QImage image = Paint(figures, 200);
    EXPECT_EQ(At(image, 0), QColor(127, 127, 127));
    EXPECT_EQ(At(image, 50), QColor(6, 176, 37));
    EXPECT_EQ(At(image, 120), QColor(0, 162, 232));
    EXPECT_EQ(At(image, 149), QColor(Qt::white));
    EXPECT_EQ(At(image, 170), QColor(Qt::white));

    figures.sections[1].m_bIsWorking = false;
    figures.sections[1].m_bIsFailed = true;
    EXPECT_EQ(At(Paint(figures, 200), 120), QColor(218, 38, 38));
    figures.sections[1].m_bIsFailed = false;
    EXPECT_EQ(At(Paint(figures, 200), 120), QColor(255, 201, 14));

    // Narrower than a pixel: nothing; a body longer than announced stops at the edge.
    figures.sections = {Snapshot(0, 999, 4, true)};
    EXPECT_EQ(At(Paint(figures, 200), 1), QColor(Qt::white));
    figures.sections = {Snapshot(0, 999, 5000, true)};
    const QImage overlong = Paint(figures, 200);
    EXPECT_EQ(At(overlong, 199), QColor(0, 162, 232));

    figures.fileSize = 0;
    const QImage unknown = Paint(figures, 200);
    for (int x = 1; x < 199; x += 7)
        EXPECT_NE(At(unknown, x), QColor(0, 162, 232)) << x;
}

TEST(SectionBar, AllocationShowsTheShareOfFileAndStub)
{
    CSectionBar::Figures figures;
    figures.state = FileAllocating;
    figures.fileSize = 100000;
    figures.allocated = 52206;
    figures.allocationShown = true;
    const QImage image = Paint(figures, 202);
    EXPECT_EQ(image.pixelColor(1, 1), QColor(195, 195, 195));
    EXPECT_EQ(image.pixelColor(100, 1), QColor(195, 195, 195));
    EXPECT_EQ(image.pixelColor(101, 1), QColor(Qt::white));
    figures.allocationShown = false;
    EXPECT_EQ(Paint(figures, 202).pixelColor(50, 1), QColor(Qt::white));
}

TEST_F(DownloadStatusPageTest, TheGeneralTabLocksTheFolderOnceTheDownloadIsPrepared)
{
    CFixedDownloadDialog& dialog = Open();
    dialog.Tabs()->setCurrentIndex(1);
    CFixedDownloadGeneralPage* page = dialog.m_pFixedGeneralPage;
    auto* folder = FindControl<QComboBox>(page, 1003);
    EXPECT_TRUE(folder->isEnabled());
    EXPECT_EQ(FindControl<QLineEdit>(page, 1042)->text(), QStringLiteral("http://h/file.bin"));

    Download().m_nState = Prepared;
    Download().SetDownloadUrl(QStringLiteral("http://h/real.bin"));
    Download().SetFileTitle(QStringLiteral("real.bin"));
    folder->setEditText(QStringLiteral("/typed"));
    Refresh();
    EXPECT_EQ(FindControl<QLineEdit>(page, 1174)->text(), QStringLiteral("http://h/real.bin"));
    EXPECT_EQ(FindControl<QLineEdit>(page, 1044)->text(), QStringLiteral("real.bin"));
    EXPECT_EQ(folder->currentText(), TestEnvironment::root());
    EXPECT_FALSE(folder->isEnabled());
    EXPECT_FALSE(FindControl(page, 1004)->isEnabled());

    Download().m_nState = NeedToPrepare;
    Refresh();
    EXPECT_FALSE(folder->isEnabled());
}

TEST_F(DownloadStatusPageTest, RequestOptionsComeFromTheDownloadAndGoBackWithOk)
{
    Download().SetAuthorization(true, QStringLiteral("u"), QStringLiteral("p"));
    Download().SetAccessType(7);
    Download().SetReferer(QStringLiteral("ftp://x")); // never checked unless its tab was opened
    CFixedDownloadDialog& dialog = Open();
    dialog.Tabs()->setCurrentIndex(2);
    auto* use = FindControl<QCheckBox>(dialog.m_pAuthorizationPage, 1010);
    EXPECT_TRUE(use->isChecked());
    EXPECT_EQ(FindControl<QLineEdit>(dialog.m_pAuthorizationPage, 1012)->text(), QStringLiteral("u"));
    EXPECT_FALSE(dialog.m_pAuthorizationPage->m_bChanged);
    use->click();
    EXPECT_FALSE(FindControl(dialog.m_pAuthorizationPage, 1012)->isEnabled());
    dialog.Tabs()->setCurrentIndex(3);
    for (int id : {1171, 1172, 1173})
        EXPECT_FALSE(FindControl<QRadioButton>(dialog.m_pConnectionPage, id)->isChecked()) << id;
    FindControl<QPushButton>(&dialog, IDOK)->click();

    EXPECT_TRUE(dialog.IsClosed());
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_FALSE(dialog.m_pAuthorizationPage->m_bUseAuthorization);
    EXPECT_EQ(Download().m_bUseAuthorization, 0);
    EXPECT_EQ(Download().m_strUserName, QStringLiteral("u"));
    EXPECT_EQ(Download().m_strPassword, QStringLiteral("p"));
    EXPECT_EQ(Download().m_nAccessType, 7);
    EXPECT_EQ(Download().m_strReferer, QStringLiteral("ftp://x"));
}

TEST_F(DownloadStatusPageTest, EachAccessTypeChecksItsButton)
{
    const std::pair<int32_t, int> buttons[] = {{Preconfig, 1171}, {Direct, 1172}, {Proxy, 1173}};
    for (const auto& [type, id] : buttons) {
        item.DestroyDialog();
        Download().SetAccessType(type);
        CFixedDownloadDialog& next = Open();
        next.Tabs()->setCurrentIndex(3);
        EXPECT_TRUE(FindControl<QRadioButton>(next.m_pConnectionPage, id)->isChecked()) << id;
        FindControl<QRadioButton>(next.m_pConnectionPage, 1172)->click();
        EXPECT_TRUE(next.m_pConnectionPage->m_bChanged);
        next.m_pConnectionPage->SaveData();
        EXPECT_EQ(next.m_pConnectionPage->m_nAccessType, Direct);
    }
}

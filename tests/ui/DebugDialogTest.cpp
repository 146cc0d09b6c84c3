#include "UiFixture.h"

#include "dialogs/DebugDialog.h"
#include "dialogs/DebugListCtrl.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "engine/Section.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "support/QStringPrinter.h"

#include <QPushButton>
#include <QStringList>

#include <memory>

namespace {

const QStringList kDownloadRows = {
    "Added", "Last Modified", "Download Starting Time", "Whole Download Time", "Url", "Download Url",
    "File Title", "Download Location", "Local FileName", "Description", "Access Type", "Use Authorization",
    "User Name", "Password", "Referer", "Got File Size", "File Size", "Accept Ranges", "Associated Item (ptr)",
    "Just Get Info", "Session", "Error (ptr)", "Error Counter", "Error ID", "Error String", "State",
    "Allocated", "Last Stub Written Size", "Terminate Event", "Is Running", "Threads Done", "Threads Running",
    "Threads Failed", "Sections",
};
const QStringList kSectionRows = {
    "Index", "Downloader (ptr)", "Last Status", "Is Assigned", "Is Working", "Is Failed", "Is Unknown Length",
    "Is Reached Zero", "Range Start Initial", "Range Start", "Range End", "Transfer Rate", "Transfer Size",
};

class DebugDialogTest : public UiFixture
{
protected:
    DebugDialogTest()
    {
        frame = new CMainFrame;
        frame->Create();
        item = AddRow(*frame, false);
        download = item->m_pDownloader;
    }
    ~DebugDialogTest() override { delete frame; }

    void addSection(int32_t status, uint32_t rate)
    {
        auto section = std::make_unique<CSection>();
        section->m_pDownloader = download;
        section->m_nIndex = int32_t(download->m_sections.size());
        section->m_nLastStatus = status;
        section->m_nTransferRate = rate;
        download->AppendSection(std::move(section));
    }

    CDebugDialog* open() { return new CDebugDialog(item->m_nId, *frame->View(), frame); }

    static QStringList column(const CDebugDialog& dialog, int column)
    {
        QStringList texts;
        for (int row = 0; row < dialog.List()->topLevelItemCount(); ++row)
            texts << dialog.List()->topLevelItem(row)->text(column);
        return texts;
    }

    // Value and description of the first row of that property.
    static QStringList cells(const CDebugDialog& dialog, const QString& property)
    {
        const int row = column(dialog, 0).indexOf(property);
        if (row < 0)
            return {};
        const QTreeWidgetItem* cells = dialog.List()->topLevelItem(row);
        return {cells->text(1), cells->text(2)};
    }

    CMainFrame* frame;
    CDownloadItem* item;
    CHttpDownloader* download;
};

} // namespace

TEST_F(DebugDialogTest, ListsEveryFieldInOrderWithItsIndent)
{
    addSection(Recieving, 300);
    addSection(UpdatingDownlodStub, 0);
    std::unique_ptr<CDebugDialog> dialog(open());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("调试"));
    const QStringList expected = QStringList{"Is Queued", "Is Scheduled"} + kDownloadRows + kSectionRows + kSectionRows;
    EXPECT_EQ(column(*dialog, 0), expected);
    ASSERT_EQ(dialog->List()->topLevelItemCount(), 62);

    const QStringList indented1 = {"Error Counter", "Error ID", "Error String", "Index"};
    const int firstError = expected.indexOf(QStringLiteral("Error Counter"));
    for (int row = 0; row < expected.size(); ++row) {
        const QVariant indent = dialog->List()->topLevelItem(row)->data(0, CDebugListCtrl::IndentRole);
        const bool inSection = row >= 2 + kDownloadRows.size();
        const int want = indented1.contains(expected[row]) ? 1 : inSection ? 2 : 0;
        if (row < firstError)
            EXPECT_FALSE(indent.isValid()) << expected[row].toStdString();
        else
            EXPECT_EQ(indent.toInt(), want) << expected[row].toStdString();
    }
}

TEST_F(DebugDialogTest, ValuesKeepTheirFormats)
{
    item->SetQueued(true);
    download->m_timeAdded = {2024, 5, 5, 3, 9, 7, 5, 0};
    download->SetLastModified(SYSTEMTIME{});
    download->m_nDownloadStartingTime = 0;
    download->m_nFileSize = uint64_t(5) << 30;
    download->m_nAccessType = Direct;
    download->m_nState = PrepairingFailed;
    download->m_pError->SetInternetError(TextId::OpenFileFailed, 12029);
    download->m_nLastStubWrittenSize = 2048;
    addSection(Recieving, 300);
    addSection(UpdatingDownlodStub, 0);
    std::unique_ptr<CDebugDialog> dialog(open());
    const CDebugDialog& d = *dialog;
    EXPECT_EQ(cells(d, "Is Queued"), QStringList({"1", ""}));
    EXPECT_EQ(cells(d, "Added")[0], QStringLiteral("2024/05/03 9:07:05"));
    EXPECT_EQ(cells(d, "Last Modified")[0], QStringLiteral("0/00/00 0:00:00"));
    EXPECT_EQ(cells(d, "Download Starting Time")[0], QStringLiteral("0x0000000000000000"));
    EXPECT_EQ(cells(d, "File Size")[0], QStringLiteral("0x0000000140000000"));
    EXPECT_EQ(cells(d, "Access Type"), QStringList({"1", "Direct"}));
    EXPECT_EQ(cells(d, "State"), QStringList({"2", "PrepairingFailed"}));
    EXPECT_EQ(cells(d, "Error ID")[0], QStringLiteral("0x00002EFD"));
    EXPECT_EQ(cells(d, "Error String")[0], download->m_pError->GetText());
    EXPECT_EQ(cells(d, "Last Stub Written Size")[0], QStringLiteral("0x0000000000000800"));
    EXPECT_FALSE(cells(d, "Last Stub Written Size")[1].isEmpty());
    EXPECT_EQ(cells(d, "Last Status"), QStringList({"4", "Recieving"}));
    EXPECT_EQ(cells(d, "Transfer Rate")[0], QStringLiteral("0x0000012C"));
    EXPECT_EQ(column(d, 2).at(column(d, 0).lastIndexOf(QStringLiteral("Last Status"))),
              QStringLiteral("UpdatingDownlodStub"));
    // Pointers at full width.
    EXPECT_EQ(cells(d, "Associated Item (ptr)")[0], QString::asprintf("0x%016llX", qulonglong(quintptr(item))));
    EXPECT_EQ(cells(d, "Session")[0], QStringLiteral("0x0000000000000000"));
}

TEST_F(DebugDialogTest, OutOfRangeCodesLeaveTheDescriptionEmpty)
{
    download->m_nAccessType = 3;
    download->m_nState = 15;
    std::unique_ptr<CDebugDialog> dialog(open());
    EXPECT_EQ(cells(*dialog, "Access Type"), QStringList({"3", ""}));
    EXPECT_EQ(cells(*dialog, "State"), QStringList({"15", ""}));
    EXPECT_EQ(cells(*dialog, "Sections"), QStringList({"0", ""}));
    EXPECT_EQ(dialog->List()->topLevelItemCount(), 36);
}

TEST_F(DebugDialogTest, TerminateEventShowsTheZeroWaitResult)
{
    const QStringList idle = {"0x00000102",
                              "ABANDONED: 0x00000080L; OBJECT_0: 0x00000000; TIMEOUT: 0x00000102; FAILED: 0xFFFFFFFF"};
    std::unique_ptr<CDebugDialog> dialog(open());
    EXPECT_EQ(cells(*dialog, "Terminate Event"), idle);
    download->m_pTerminateEvent->set(); // as a pause request sets it
    dialog->FillList();
    EXPECT_EQ(cells(*dialog, "Terminate Event")[0], QStringLiteral("0x00000000"));
}

TEST_F(DebugDialogTest, RefreshRebuildsAndFindsARemovedRowNoMore)
{
    addSection(Connecting, 0);
    CDebugDialog* dialog = open();
    dialog->show();
    EXPECT_EQ(cells(*dialog, "Is Scheduled")[0], QStringLiteral("0"));
    item->SetScheduled(true);
    dialog->findChild<QPushButton*>(QStringLiteral("ctl1183"))->click();
    EXPECT_EQ(dialog->List()->topLevelItemCount(), 49);
    EXPECT_EQ(cells(*dialog, "Is Scheduled")[0], QStringLiteral("1"));

    frame->View()->RemoveItem(0, false);
    dialog->FillList();
    EXPECT_EQ(dialog->List()->topLevelItemCount(), 0);

    QPointer<CDebugDialog> watch(dialog);
    dialog->close();
    RunDeferredDeletes();
    EXPECT_TRUE(watch.isNull());
}

TEST_F(DebugDialogTest, EveryValueFitsItsColumnAtTheFontInUse)
{
    download->m_nFileSize = ~uint64_t(0) - 0x1111;
    addSection(Recieving, 0);
    CDebugDialog* dialog = open();
    dialog->show();
    CDebugListCtrl* list = dialog->List();
    QFont larger = list->font();
    if (larger.pointSizeF() > 0)
        larger.setPointSizeF(larger.pointSizeF() * 2);
    else
        larger.setPixelSize(larger.pixelSize() * 2);
    list->setFont(larger);
    dialog->findChild<QPushButton*>(QStringLiteral("ctl1183"))->click();
    ASSERT_GT(list->topLevelItemCount(), 0);
    // Uncut: as wide as the text at the list's font, and as the cell asks for with its margins.
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QString value = list->topLevelItem(row)->text(1);
        EXPECT_GE(list->columnWidth(1), list->fontMetrics().horizontalAdvance(value)) << value.toStdString();
        EXPECT_GE(list->columnWidth(1), list->sizeHintForIndex(list->model()->index(row, 1)).width())
            << value.toStdString();
    }
    dialog->close();
    RunDeferredDeletes();
}

TEST_F(DebugDialogTest, ItemWithoutADownloadShowsItsTwoRows)
{
    auto* bare = new CDownloadItem;
    frame->View()->AddItem(bare);
    std::unique_ptr<CDebugDialog> dialog(new CDebugDialog(bare->m_nId, *frame->View(), frame));
    EXPECT_EQ(column(*dialog, 0), QStringList({"Is Queued", "Is Scheduled"}));
}

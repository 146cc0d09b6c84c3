#include "dialogs/DownloadStatusPage.h"

#include "app/PrintfText.h"
#include "app/TextFormat.h"
#include "app/gui/ColorRef.h"
#include "app/gui/UIFont.h"
#include "dialogs/DownloadDialog.h"
#include "dialogs/ElidedLabel.h"
#include "dialogs/SectionBar.h"
#include "dialogs/SectionListModel.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/DownloadFigures.h"
#include "mainframe/StateColors.h"
#include "platform/MessageFormat.h"
#include "platform/StringTable.h"

#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
#include <tuple>

namespace {

constexpr int IDC_STATE = 1058;
constexpr int IDC_RESUME = 1054;
constexpr int IDC_ERROR = 1048;
constexpr int IDC_DOWNLOADED = 1049;
constexpr int IDC_RATE = 1053;
constexpr int IDC_ELAPSED = 1050;
constexpr int IDC_REMAINING = 1051;
constexpr int IDC_SECTIONS = 1045;
constexpr int IDC_BAR = 1052;

constexpr int kBoldPoints = 8;
const QColor kResumable(67, 145, 35);
const QColor kNotResumable(209, 16, 16);
const QString kNoValue = QStringLiteral("-");
const QString kNoDuration = QStringLiteral("--:--:--");

bool IsResumeKnown(const CHttpDownloader& download)
{
    return download.m_bAcceptRanges && download.m_bGotFileSize;
}

void SetTextColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

} // namespace

const CHttpDownloader& CDownloadStatusPage::Download() const
{
    return *m_pOwner->m_pItem->m_pDownloader;
}

void CDownloadStatusPage::CreateControls()
{
    auto* layout = new QGridLayout(this);
    m_pState = new QLabel(QStringLiteral("Static"), this);
    m_pState->setObjectName(ctrlName(IDC_STATE));
    layout->addWidget(m_pState, 0, 0, 1, 2);
    // The error's row makes m_pError, an eliding label.
    const std::tuple<const char*, int, QLabel**> rows[] = {
        {"恢复支持：", IDC_RESUME, &m_pResume},
        {"错误：", IDC_ERROR, nullptr},
        {"已下载：", IDC_DOWNLOADED, &m_pDownloaded},
        {"速率：", IDC_RATE, &m_pRate},
        {"已用时间：", IDC_ELAPSED, &m_pElapsed},
        {"剩余时间：", IDC_REMAINING, &m_pRemaining},
    };
    const char* const initial[] = {"n/a", "-", "xxxx MB 从 xxxx MB (99.99)", "0 KB/s", "00:00:00", "00:00:00"};
    int row = 1;
    for (const auto& [label, id, member] : rows) {
        layout->addWidget(new QLabel(QString::fromUtf8(label), this), row, 0);
        QLabel* value = nullptr;
        if (member)
            value = *member = new QLabel(this);
        else
            value = m_pError = new CElidedLabel(this);
        value->setText(QString::fromUtf8(initial[row - 1]));
        value->setObjectName(ctrlName(id));
        layout->addWidget(value, row, 1);
        ++row;
    }
    layout->addWidget(new QLabel(QStringLiteral("部分："), this), row++, 0, 1, 2);

    auto* sections = m_pSectionView = new QTreeView(this);
    sections->setObjectName(ctrlName(IDC_SECTIONS));
    m_pSections = new CSectionListModel(sections);
    sections->setModel(m_pSections);
    sections->setRootIsDecorated(false);
    sections->setItemsExpandable(false);
    sections->setSelectionBehavior(QAbstractItemView::SelectRows);
    sections->setSelectionMode(QAbstractItemView::SingleSelection);
    sections->setSortingEnabled(false);
    sections->header()->setSectionsClickable(false);
    sections->header()->setStretchLastSection(false);
    MeasureSectionColumns();
    sections->viewport()->installEventFilter(this);
    layout->addWidget(sections, row++, 0, 1, 2);
    m_pBar = new CSectionBar(this);
    m_pBar->setObjectName(ctrlName(IDC_BAR));
    layout->addWidget(m_pBar, row, 0, 1, 2);
    layout->setColumnStretch(1, 1);
}

bool CDownloadStatusPage::OnInitDialog()
{
    const QFont bold = CreateUIFont(kBoldPoints, true);
    m_pState->setFont(bold);
    m_pResume->setFont(bold);
    m_pError->SetFullText(kNoValue);
    FitSectionColumns();
    Refresh();
    return true;
}

bool CDownloadStatusPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && watched == m_pSectionView->viewport())
        FitSectionColumns();
    return CDownloadPageBase::eventFilter(watched, event);
}

void CDownloadStatusPage::MeasureSectionColumns()
{
    QTreeView* sections = m_pSectionView;
    // The item views' text margin on either side.
    const int margins = 2 * (sections->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, sections) + 1);
    const QFontMetrics metrics = sections->fontMetrics();
    m_sectionColumnLeast.clear();
    int total = 0;
    for (int column = 0; column < CSectionListModel::kColumnCount; ++column) {
        int least = sections->header()->sectionSizeHint(column);
        for (const QString& text : CSectionListModel::WidestTexts(column))
            least = std::max(least, metrics.horizontalAdvance(text) + margins);
        m_sectionColumnLeast.push_back(least);
        total += least;
    }
    const int scrollBar = sections->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, sections);
    sections->setMinimumWidth(total + scrollBar + 2 * sections->frameWidth());
}

void CDownloadStatusPage::FitSectionColumns()
{
    QTreeView* sections = m_pSectionView;
    int designed = 0;
    int least = 0;
    for (int column = 0; column < CSectionListModel::kColumnCount; ++column) {
        designed += CSectionListModel::ColumnWidth(column);
        least += m_sectionColumnLeast[size_t(column)];
    }
    const int available = sections->viewport()->width();
    const int spare = std::max(available - least, 0);
    int used = 0;
    const int last = CSectionListModel::kColumnCount - 1;
    for (int column = 0; column < last; ++column) {
        sections->setColumnWidth(column, m_sectionColumnLeast[size_t(column)]
                                             + spare * CSectionListModel::ColumnWidth(column) / designed);
        used += sections->columnWidth(column);
    }
    sections->setColumnWidth(last, std::max(available - used, m_sectionColumnLeast[size_t(last)]));
}

QString CDownloadStatusPage::DownloadedText(const CHttpDownloader& download, int32_t state) const
{
    if (state < Prepared)
        return kNoValue;
    const uint64_t size = download.m_nFileSize;
    const uint64_t done = DownloadedBytes(download, state);
    if (!download.m_bGotFileSize || size == 0)
        return FormatByteSize(done, true);
    const float percent = float(double(done) / double(size) * 100.0);
    return FormatString(LoadResString(TextId::DownloadedOf), FormatByteSize(done, true), FormatByteSize(size, true),
                        PrintfText("%.1f%%", double(percent)));
}

void CDownloadStatusPage::Refresh()
{
    if (!isCreated())
        return;
    const CHttpDownloader& download = Download();
    const int32_t state = download.m_nState;

    QString status;
    m_pOwner->m_pItem->GetStatusText(status);
    m_pState->setText(status);
    SetTextColor(m_pState, ColorFromColorRef(GetStateTextColor(state)));
    if (state >= Prepared) {
        if (!m_bResumeShown) {
            m_pResume->setText(LoadResString(IsResumeKnown(download) ? TextId::Yes : TextId::No));
            m_bResumeShown = true;
        }
        SetTextColor(m_pResume, IsResumeKnown(download) ? kResumable : kNotResumable);
    }
    const int errors = download.m_pError->m_nErrorCounter;
    if (errors != m_nLastErrorCounter) {
        const QString error = download.m_pError->GetText();
        m_pError->SetFullText(error.isEmpty() ? kNoValue : error);
        m_nLastErrorCounter = errors;
    }
    m_pDownloaded->setText(DownloadedText(download, state));
    m_pRate->setText(state == Transferring ? FormatByteSize(download.GetTransferRate(), false) + QStringLiteral("/s")
                                           : kNoValue);
    m_pElapsed->setText(state == NeedToPrepare ? kNoDuration : FormatDuration(ElapsedTicks(download, state)));
    uint64_t remaining = 0;
    m_pRemaining->setText(state == Transferring && download.GetRemainingTime(&remaining) ? FormatDuration(remaining)
                                                                                         : kNoDuration);

    std::vector<SectionSnapshot> sections = SnapshotSections(download);
    CSectionBar::Figures figures;
    figures.state = state;
    figures.fileSize = download.m_nFileSize;
    figures.allocated = download.m_nAllocated;
    figures.allocationShown = download.m_nState >= FileAllocating && IsResumeKnown(download);
    figures.sections = sections;
    m_pBar->SetFigures(std::move(figures));
    m_pSections->SetSections(std::move(sections), state);
}

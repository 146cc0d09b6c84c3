#include "mainframe/StatusBarEx.h"

#include "app/TextFormat.h"
#include "app/gui/AppIcons.h"
#include "platform/StringTable.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace {

constexpr int kIconSize = 16;

// The widest figures the counting panes show: a count, a byte count and a speed.
constexpr qsizetype kCountDigits = 5;
constexpr uint64_t kWidestBytes = (1ull << 50) - (1ull << 40) / 100;
constexpr uint64_t kWidestSpeed = (1ull << 30) - (1ull << 20) / 100;

enum class Figure
{
    None, // a word, as wide as it needs
    Count,
    Bytes,
    Speed,
};

struct PaneInfo
{
    int width; // the least
    int icon;  // 0: none
    Figure figure;
};

// Panes 359 to 365.
constexpr PaneInfo kPanes[] = {
    {130, IDI_PANE_SCHEDULER, Figure::None}, {105, IDI_PANE_ALL_DONE, Figure::None},
    {50, IDI_PANE_RUNNING, Figure::Count},   {50, IDI_PANE_QUEUED, Figure::Count},
    {50, IDI_PANE_IDLE, Figure::Count},      {100, IDI_DATA_USAGE, Figure::Bytes},
    {70, 0, Figure::Speed},
};
static_assert(std::size(kPanes) == CStatusBarEx::kLastPaneId - CStatusBarEx::kFirstPaneId + 1);

QString WidestFigure(Figure figure)
{
    switch (figure) {
    case Figure::Count: return QString(kCountDigits, u'9');
    case Figure::Bytes: return FormatByteSize(kWidestBytes, true);
    case Figure::Speed: return FormatByteSize(kWidestSpeed, true) + QStringLiteral("/s");
    default: return {};
    }
}

QString PaneName(int id)
{
    return QStringLiteral("pane%1").arg(id);
}

QWidget* MakePane(int id, const PaneInfo& info)
{
    auto* pane = new QWidget;
    pane->setObjectName(PaneName(id));
    pane->setToolTip(LoadResString(TextId(id)));
    auto* layout = new QHBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    if (info.icon) {
        auto* icon = new QLabel;
        icon->setObjectName(QStringLiteral("icon"));
        icon->setPixmap(AppIcon(info.icon).pixmap(kIconSize, kIconSize));
        layout->addWidget(icon);
    }
    auto* text = new QLabel;
    text->setObjectName(QStringLiteral("text"));
    layout->addWidget(text, 1);
    pane->setMinimumWidth(info.width);
    return pane;
}

} // namespace

CStatusBarEx::CStatusBarEx(QWidget* parent)
    : QStatusBar(parent), m_paneMessage(new QLabel)
{
    setObjectName(QStringLiteral("StatusBar"));
    // A long URL or error text must not widen the window.
    m_paneMessage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(m_paneMessage, 1);
    int id = kFirstPaneId;
    for (const PaneInfo& info : kPanes)
        addPermanentWidget(MakePane(id++, info));
    FitFigures();
}

void CStatusBarEx::changeEvent(QEvent* event)
{
    QStatusBar::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitFigures();
}

void CStatusBarEx::FitFigures()
{
    // A figure keeps its pane's width while it changes; a longer word widens it.
    for (int id = kFirstPaneId; id <= kLastPaneId; ++id) {
        QLabel* text = PaneTextLabel(id);
        text->setMinimumWidth(text->fontMetrics().horizontalAdvance(WidestFigure(kPanes[id - kFirstPaneId].figure)));
    }
}

void CStatusBarEx::SetMessageText(const QString& text)
{
    clearMessage();
    m_paneMessage->setText(text);
}

QString CStatusBarEx::MessageText() const
{
    return m_paneMessage->text();
}

QWidget* CStatusBarEx::Pane(int id) const
{
    return findChild<QWidget*>(PaneName(id));
}

QLabel* CStatusBarEx::PaneTextLabel(int id) const
{
    const QWidget* pane = Pane(id);
    return pane ? pane->findChild<QLabel*>(QStringLiteral("text")) : nullptr;
}

void CStatusBarEx::SetPaneText(int id, const QString& text)
{
    if (QLabel* label = PaneTextLabel(id))
        label->setText(text);
}

QString CStatusBarEx::PaneText(int id) const
{
    const QLabel* label = PaneTextLabel(id);
    return label ? label->text() : QString();
}

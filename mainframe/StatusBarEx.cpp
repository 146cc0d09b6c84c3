#include "mainframe/StatusBarEx.h"

#include "app/gui/AppIcons.h"
#include "platform/StringTable.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

constexpr int kIconSize = 16;

struct PaneInfo
{
    int width;
    int icon; // 0: none
};

// Panes 359 to 365.
constexpr PaneInfo kPanes[] = {
    {130, IDI_PANE_SCHEDULER}, {105, IDI_PANE_ALL_DONE}, {50, IDI_PANE_RUNNING}, {50, IDI_PANE_QUEUED},
    {50, IDI_PANE_IDLE},       {100, IDI_DATA_USAGE},    {70, 0},
};
static_assert(std::size(kPanes) == CStatusBarEx::kLastPaneId - CStatusBarEx::kFirstPaneId + 1);

QString PaneName(int id)
{
    return QStringLiteral("pane%1").arg(id);
}

QWidget* MakePane(int id, const PaneInfo& info)
{
    auto* pane = new QWidget;
    pane->setObjectName(PaneName(id));
    pane->setFixedWidth(info.width);
    pane->setToolTip(LoadResString(unsigned(id)));
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

#include "mainframe/TerminateDialog.h"

#include "app/gui/PaintingWait.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr QSize kPanelSize(470, 80); // 314 x 49 dialog units of the 8-point dialog font
constexpr int kEdgeWidth = 2;
// A window manager maps a window within milliseconds; without one it may never be.
constexpr int kExposeWaitMs = 1000;

} // namespace

CTerminateDialog::CTerminateDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TerminateDialog"));
    setFixedSize(kPanelSize);
    auto* edge = new QFrame(this);
    edge->setFrameStyle(QFrame::Panel | QFrame::Raised);
    edge->setLineWidth(kEdgeWidth);
    auto* text = new QLabel(QStringLiteral("暂停正在进行的下载。请等待..."), edge);
    text->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(edge))->addWidget(text);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edge);
}

void CTerminateDialog::ShowCentred()
{
    QRect panel(QPoint(), size());
    panel.moveCenter(parentWidget()->frameGeometry().center());
    move(panel.topLeft());
    show();
    // On X11 the panel is mapped some time after show(), by the window manager,
    // and only its expose puts what it paints on the screen.
    WaitPaintingUntil([this] { return windowHandle()->isExposed(); }, kExposeWaitMs);
}

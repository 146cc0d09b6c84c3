#include "mainframe/StatusBarEx.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

constexpr int kFirstPaneId = 359;
constexpr int kPaneWidths[] = {130, 105, 50, 50, 50, 100, 70}; // panes 359 to 365

QWidget* MakePane(int id, int width)
{
    auto* pane = new QWidget;
    pane->setObjectName(QStringLiteral("pane%1").arg(id));
    pane->setFixedWidth(width);
    auto* layout = new QHBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel);    // icon
    layout->addWidget(new QLabel, 1); // text
    return pane;
}

} // namespace

CStatusBarEx::CStatusBarEx(QWidget* parent)
    : QStatusBar(parent), m_paneMessage(new QLabel)
{
    setObjectName(QStringLiteral("StatusBar"));
    addWidget(m_paneMessage, 1);
    int id = kFirstPaneId;
    for (int width : kPaneWidths)
        addPermanentWidget(MakePane(id++, width));
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

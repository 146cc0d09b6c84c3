#pragma once

#include <QStatusBar>

class QLabel;

// The status bar: the message pane, then the seven panes 359 to 365, each an
// icon and a text. Their contents and tips belong to the status-bar code,
// which replaces this one.
class CStatusBarEx : public QStatusBar
{
    Q_OBJECT

public:
    explicit CStatusBarEx(QWidget* parent);

    // Pane 0; a temporary message shown over it is cleared first.
    void SetMessageText(const QString& text);
    QString MessageText() const;

private:
    QLabel* m_paneMessage;
};

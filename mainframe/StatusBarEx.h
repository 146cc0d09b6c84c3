#pragma once

#include <QStatusBar>

class QLabel;

// The status bar: the message pane, then the seven panes 359 to 365, each an
// icon (none on 365) and a text, with the string of its id as its tip.
class CStatusBarEx : public QStatusBar
{
    Q_OBJECT

public:
    // The panes' ids, also their tips' string ids.
    static constexpr int ID_INDICATOR_SCHEDULER = 359;
    static constexpr int ID_INDICATOR_ALL_DONE = 360;
    static constexpr int ID_INDICATOR_RUNNING = 361;
    static constexpr int ID_INDICATOR_QUEUED = 362;
    static constexpr int ID_INDICATOR_IDLE = 363;
    static constexpr int ID_INDICATOR_DATA_USAGE = 364;
    static constexpr int ID_INDICATOR_SPEED = 365;
    static constexpr int kFirstPaneId = ID_INDICATOR_SCHEDULER;
    static constexpr int kLastPaneId = ID_INDICATOR_SPEED;

    explicit CStatusBarEx(QWidget* parent);

    // Pane 0; a temporary message shown over it is cleared first.
    void SetMessageText(const QString& text);
    QString MessageText() const;

    // The pane of that id (359 to 365), or null.
    QWidget* Pane(int id) const;
    void SetPaneText(int id, const QString& text);
    QString PaneText(int id) const;

protected:
    void changeEvent(QEvent* event) override;

private:
    QLabel* PaneTextLabel(int id) const;
    // Each figure pane's text as wide as the widest figure at the font in use.
    void FitFigures();

    QLabel* m_paneMessage;
};

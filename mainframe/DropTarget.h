#pragma once

class CMainFrame;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;

// The main window's drop target: it takes every drag as a copy and hands the
// dropped text, trimmed, to the frame once the drop itself has ended (a message
// box inside the drop would hold up the drag's source).
class CDropTarget
{
public:
    explicit CDropTarget(CMainFrame* frame) : m_pFrame(frame) {}

    void DragEnter(QDragEnterEvent* event);
    void DragOver(QDragMoveEvent* event);
    // Text-less data hands over an empty text, which the frame refuses.
    void Drop(QDropEvent* event);

private:
    CMainFrame* m_pFrame;
};

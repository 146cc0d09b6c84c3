#pragma once

class CMainFrame;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;

// The main window's drop target. Until dropped URLs are handled it accepts
// nothing, so a drag over the window shows that nothing would happen.
class CDropTarget
{
public:
    explicit CDropTarget(CMainFrame* frame) : m_pFrame(frame) {}

    void DragEnter(QDragEnterEvent* event);
    void DragOver(QDragMoveEvent* event);
    void Drop(QDropEvent* event);

private:
    CMainFrame* m_pFrame;
};

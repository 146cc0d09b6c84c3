#include "mainframe/DropTarget.h"

#include "mainframe/MainFrame.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

void CDropTarget::DragEnter(QDragEnterEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CDropTarget::DragOver(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CDropTarget::Drop(QDropEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QMimeData* data = event->mimeData();
    const QString text = data && data->hasText() ? data->text().trimmed() : QString();
    if (CMainFrame* frame = m_pFrame)
        QTimer::singleShot(0, frame, [frame, text] { frame->AddDroppedUrl(text); });
}

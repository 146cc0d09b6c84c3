#include "mainframe/DropTarget.h"

#include <QDropEvent>

void CDropTarget::DragEnter(QDragEnterEvent* event)
{
    event->ignore();
}

void CDropTarget::DragOver(QDragMoveEvent* event)
{
    event->ignore();
}

void CDropTarget::Drop(QDropEvent* event)
{
    event->ignore();
}

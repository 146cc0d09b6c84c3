#include "mainframe/Accelerators.h"

#include "mainframe/CommandIds.h"

namespace {

constexpr Accelerator kAccelerators[] = {
    {ID_DOWNLOAD_ADD, Qt::Key_Insert},
    {ID_DOWNLOAD_START, Qt::CTRL | Qt::Key_S},
    {ID_DOWNLOAD_PAUSE, Qt::CTRL | Qt::Key_P},
    {ID_DOWNLOAD_DELETE, Qt::Key_Delete},
    {ID_DOWNLOAD_DELETE_WITH_FILES, Qt::SHIFT | Qt::Key_Delete},
    {ID_DOWNLOAD_OPEN_LOCATION, Qt::Key_Return},
    {ID_DOWNLOAD_OPEN_LOCATION, Qt::Key_Enter},
    {ID_DOWNLOAD_PROPERTIES, Qt::Key_F4},
    {ID_MOVE_UP, Qt::CTRL | Qt::Key_Up},
    {ID_MOVE_DOWN, Qt::CTRL | Qt::Key_Down},
    {ID_MOVE_TO_TOP, Qt::CTRL | Qt::Key_Home},
    {ID_MOVE_TO_BOTTOM, Qt::CTRL | Qt::Key_End},
    {ID_START_ALL, Qt::CTRL | Qt::ALT | Qt::Key_S},
    {ID_PAUSE_ALL, Qt::CTRL | Qt::ALT | Qt::Key_P},
    {ID_HISTORY, Qt::CTRL | Qt::Key_H},
    {ID_SELECT_ALL, Qt::CTRL | Qt::Key_A},
};

} // namespace

std::span<const Accelerator> AcceleratorTable()
{
    return kAccelerators;
}

#include "mainframe/ToolBarCtrlEx.h"

#include "app/VandrelCore.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "platform/BinaryWriter.h"
#include "platform/StringTable.h"

#include <QAction>

#include <algorithm>

namespace {

constexpr uint8_t BTNS_SEP = 0x01;
constexpr uint8_t A = 0x50; // auto-size, label shown
constexpr uint8_t T = 0x40; // label shown
constexpr uint8_t D = 0xD0; // whole drop-down, label shown, auto-size
constexpr uint8_t C = 0x52; // check, label shown, auto-size

constexpr _TBEXBUTTON Button(int32_t command, uint8_t style, uint32_t label, int32_t image, bool visible)
{
    return {image, command, 0, style, 0, label, 0, visible ? 1 : 0, -1};
}

constexpr _TBEXBUTTON Separator(bool visible)
{
    return {-1, 0, 0, BTNS_SEP, 0, 0, 0, visible ? 1 : 0, -1};
}

// The speed and concurrency images follow their settings; they are filled in when the bar is built.
const _TBEXBUTTON kDefaultButtons[] = {
    Button(ID_DOWNLOAD_ADD, A, 129, 0, true),
    Separator(true),
    Button(ID_DOWNLOAD_START, A, 130, 1, true),
    Button(ID_DOWNLOAD_PAUSE, A, 131, 2, true),
    Button(ID_DOWNLOAD_DELETE, A, 195, 3, true),
    Separator(true),
    Button(ID_START_ALL, A, 196, 4, true),
    Button(ID_PAUSE_ALL, A, 197, 5, true),
    Button(ID_REMOVE_COMPLETED, T, 198, 6, true),
    Separator(true),
    Button(ID_DOWNLOAD_CHECKSUM, A, 271, 33, true),
    Button(ID_DOWNLOAD_PROPERTIES, A, 261, 28, false),
    Separator(true),
    Button(ID_SPEED_DROPDOWN, D, 211, kSpeedImageBase, true),
    Button(ID_CONCURRENCY_DROPDOWN, D, 199, kConcurrencyImageBase + 1, true),
    Separator(true),
    Button(ID_DOWNLOAD_COPY_URL, T, 264, 29, true),
    Button(ID_DOWNLOAD_OPEN_IN_BROWSER, T, 265, 30, true),
    Separator(true),
    Button(ID_DOWNLOAD_OPEN_LOCATION, T, 266, 31, true),
    Button(ID_DOWNLOAD_OPEN_FILE, T, 267, 32, true),
    Separator(true),
    Button(ID_SCHEDULER, A, 233, 19, true),
    Button(ID_SCHEDULE_TOGGLE, T, 238, 20, true),
    Separator(true),
    Button(ID_MOVE_UP, T, 234, 21, false),
    Button(ID_MOVE_DOWN, T, 235, 22, false),
    Button(ID_MOVE_TO_TOP, T, 236, 23, false),
    Button(ID_MOVE_TO_BOTTOM, T, 237, 24, false),
    Separator(false),
    Button(ID_URL_MONITOR, C, 214, 26, false),
    Button(ID_HISTORY, A, 260, 27, false),
    Button(ID_DATA_USAGE, A, 274, 34, true),
    Separator(true),
    Button(ID_OPTIONS, A, 255, 25, true),
};

} // namespace

CToolBarCtrlEx::CToolBarCtrlEx(CCommandTable& commands, QWidget* parent)
    : QToolBar(parent), m_arrButtons(std::begin(kDefaultButtons), std::end(kDefaultButtons))
{
    setObjectName(QStringLiteral("ToolBar"));
    setMovable(true);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    const int32_t speed = std::clamp(SettingLoad(AppCore().m_settings.DownloadSpeed), 0, 3);
    m_arrButtons[CommandToIndex(ID_SPEED_DROPDOWN)].iBitmap = kSpeedImageBase + speed;
    for (const _TBEXBUTTON& button : std::as_const(m_arrButtons)) {
        if (!button.bVisible)
            continue;
        if (button.fsStyle & BTNS_SEP)
            addSeparator();
        else
            addAction(commands.CreateAction(button.idCommand, LoadResString(button.idsLabel), this));
    }
}

int CToolBarCtrlEx::CommandToIndex(int command) const
{
    const auto found = std::find_if(m_arrButtons.cbegin(), m_arrButtons.cend(),
                                    [command](const _TBEXBUTTON& button) { return button.idCommand == command; });
    return found == m_arrButtons.cend() ? -1 : int(found - m_arrButtons.cbegin());
}

void CToolBarCtrlEx::SetButtonImage(int index, int32_t image)
{
    if (index >= 0 && index < m_arrButtons.size())
        m_arrButtons[index].iBitmap = image;
}

QByteArray CToolBarCtrlEx::SaveLayout() const
{
    BinaryWriter writer;
    writer.writeInt32(m_nTextMode);
    for (const _TBEXBUTTON& button : m_arrButtons) {
        writer.writeInt32(button.iBitmap);
        writer.writeInt32(button.idCommand);
        writer.writeBytes(QByteArray(1, char(button.fsState)) + char(button.fsStyle));
        writer.writeUInt16(button.bReserved);
        writer.writeUInt32(button.idsLabel);
        writer.writeUInt32(button.dwData);
        writer.writeInt32(button.bVisible);
        writer.writeInt32(button.iString);
    }
    return writer.data();
}

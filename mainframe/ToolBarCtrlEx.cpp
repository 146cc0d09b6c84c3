#include "mainframe/ToolBarCtrlEx.h"

#include "app/VandrelCore.h"
#include "app/gui/AppBitmaps.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"
#include "platform/StringTable.h"

#include <QAction>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QHash>
#include <QMenu>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr uint8_t A = BTNS_AUTOSIZE | BTNS_SHOWTEXT;
constexpr uint8_t T = BTNS_SHOWTEXT;
constexpr uint8_t D = BTNS_WHOLEDROPDOWN | BTNS_SHOWTEXT | BTNS_AUTOSIZE;
constexpr uint8_t C = BTNS_CHECK | BTNS_SHOWTEXT | BTNS_AUTOSIZE;
constexpr int kSeparator = 0;

// The least widths of a sized-to-label button and of a fixed-width one; either
// is as wide as its whole label needs.
constexpr int kMinButtonWidth = 50;
constexpr int kFixedButtonWidth = 60;
constexpr int32_t kSpeedModes = 4;

struct DefaultButton
{
    int32_t command;
    uint8_t style;
    TextId label;
    int32_t image;
    bool visible;
};

// The speed image follows the setting; the concurrency image is the frame's to set.
const DefaultButton kDefaultButtons[CToolBarCtrlEx::kButtonCount] = {
    {ID_DOWNLOAD_ADD, A, TextId::Add, 0, true},
    {kSeparator, 0, TextId::None, 0, true},
    {ID_DOWNLOAD_START, A, TextId::Start, 1, true},
    {ID_DOWNLOAD_PAUSE, A, TextId::Pause, 2, true},
    {ID_DOWNLOAD_DELETE, A, TextId::Delete, 3, true},
    {kSeparator, 0, TextId::None, 0, true},
    {ID_START_ALL, A, TextId::StartAll, 4, true},
    {ID_PAUSE_ALL, A, TextId::PauseAll, 5, true},
    {ID_REMOVE_COMPLETED, T, TextId::RemoveCompleted, 6, true},
    {kSeparator, 0, TextId::None, 0, true},
    {ID_DOWNLOAD_CHECKSUM, A, TextId::Checksum, 33, true},
    {ID_DOWNLOAD_PROPERTIES, A, TextId::Properties, 28, false},
    {kSeparator, 0, TextId::None, 0, true},
    {ID_SPEED_DROPDOWN, D, TextId::Speed, kSpeedImageBase, true},
    {ID_CONCURRENCY_DROPDOWN, D, TextId::Concurrency, kConcurrencyImageBase + 1, true},
    {kSeparator, 0, TextId::None, 0, true},
    {ID_DOWNLOAD_COPY_URL, T, TextId::CopyUrl, 29, true},
    {ID_DOWNLOAD_OPEN_IN_BROWSER, T, TextId::OpenInBrowser, 30, true},
    {kSeparator, 0, TextId::None, 0, true},
    {ID_DOWNLOAD_OPEN_LOCATION, T, TextId::OpenDownloadLocation, 31, true},
    {ID_DOWNLOAD_OPEN_FILE, T, TextId::OpenFile, 32, true},
    {kSeparator, 0, TextId::None, 0, true},
    {ID_SCHEDULER, A, TextId::Scheduler, 19, true},
    {ID_SCHEDULE_TOGGLE, T, TextId::ToggleScheduler, 20, true},
    {kSeparator, 0, TextId::None, 0, true},
    {ID_MOVE_UP, T, TextId::MoveUp, 21, false},
    {ID_MOVE_DOWN, T, TextId::MoveDown, 22, false},
    {ID_MOVE_TO_TOP, T, TextId::MoveToTop, 23, false},
    {ID_MOVE_TO_BOTTOM, T, TextId::MoveToBottom, 24, false},
    {kSeparator, 0, TextId::None, 0, false},
    {ID_URL_MONITOR, C, TextId::UrlMonitor, 26, false},
    {ID_HISTORY, A, TextId::History, 27, false},
    {ID_DATA_USAGE, A, TextId::DataUsage, 34, true},
    {kSeparator, 0, TextId::None, 0, true},
    {ID_OPTIONS, A, TextId::Options, 25, true},
};

bool IsSeparator(const _TBEXBUTTON& button)
{
    return button.fsStyle & BTNS_SEP;
}

QPixmap StripImage(int resourceId, int32_t image)
{
    return AppBitmap(resourceId).copy(image * kToolBarImageSize, 0, kToolBarImageSize, kToolBarImageSize);
}

// The tip is the part of the command's string after "\n"; without one, the label.
QString ToolTipFor(int command, const QString& label)
{
    const QString tip = LoadResString(TextId(command)).section(QLatin1Char('\n'), 1, 1);
    return tip.isEmpty() ? label : tip;
}

void WriteRecord(BinaryWriter& writer, const _TBEXBUTTON& button)
{
    writer.writeInt32(button.iBitmap);
    writer.writeInt32(button.idCommand);
    writer.writeBytes(QByteArray(1, char(button.fsState)) + char(button.fsStyle));
    writer.writeUInt16(button.bReserved);
    writer.writeUInt32(button.idsLabel);
    writer.writeUInt32(button.dwData);
    writer.writeInt32(button.bVisible);
    writer.writeInt32(button.iString);
}

bool ReadRecord(BinaryReader& reader, _TBEXBUTTON& button)
{
    char stateAndStyle[2] = {};
    const bool read = reader.readInt32(&button.iBitmap) && reader.readInt32(&button.idCommand)
                      && reader.readBytes(stateAndStyle, 2) && reader.readUInt16(&button.bReserved)
                      && reader.readUInt32(&button.idsLabel) && reader.readUInt32(&button.dwData)
                      && reader.readInt32(&button.bVisible) && reader.readInt32(&button.iString);
    button.fsState = uint8_t(stateAndStyle[0]);
    button.fsStyle = uint8_t(stateAndStyle[1]);
    return read;
}

} // namespace

CToolBarCtrlEx::CToolBarCtrlEx(CCommandTable& commands, QWidget* parent)
    : QToolBar(parent), m_commands(commands), m_arrButtons(kButtonCount), m_arrDefaultButtons(kButtonCount)
{
    setObjectName(QStringLiteral("ToolBar"));
    // The bands have no gripper and stay in place.
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(kToolBarImageSize, kToolBarImageSize));
    for (int index = 0; index < kButtonCount; ++index) {
        const DefaultButton& button = kDefaultButtons[index];
        if (button.command == kSeparator)
            SetButton(index, 0, BTNS_SEP, 0, -1, button.visible);
        else
            SetButton(index, button.command, button.style, uint32_t(button.label), button.image, button.visible);
    }
    const int speed = CommandToIndex(ID_SPEED_DROPDOWN);
    m_arrButtons[speed].iBitmap = m_arrDefaultButtons[speed].iBitmap = SpeedImage();
}

int32_t CToolBarCtrlEx::SpeedImage()
{
    return kSpeedImageBase + std::clamp(SettingLoad(AppCore().m_settings.DownloadSpeed), 0, kSpeedModes - 1);
}

QIcon CToolBarCtrlEx::ButtonImage(int32_t image)
{
    if (image < 0 || image >= kToolBarImageCount)
        return {};
    static QHash<int32_t, QIcon> cache;
    auto found = cache.find(image);
    if (found == cache.end()) {
        QIcon icon(StripImage(IDB_TOOLBAR, image));
        icon.addPixmap(StripImage(IDB_TOOLBAR_HOT, image), QIcon::Active);
        found = cache.insert(image, icon);
    }
    return *found;
}

void CToolBarCtrlEx::SetButton(int index, int32_t command, uint8_t style, uint32_t label, int32_t image, bool visible)
{
    if (index < 0 || index >= m_arrButtons.size())
        return;
    m_arrButtons[index] = {image, command, 0, style, 0, label, 0, visible ? 1 : 0, -1};
    m_arrDefaultButtons[index] = m_arrButtons[index];
}

void CToolBarCtrlEx::RebuildButtons()
{
    // clear() removes the buttons and deletes no action: the command actions are
    // placed again, the separators made anew.
    const QList<QAction*> previous = actions();
    clear();
    for (QAction* action : previous) {
        if (action->isSeparator())
            delete action;
    }
    int placed = 0;
    for (_TBEXBUTTON& button : m_arrButtons) {
        if (!button.bVisible || (IsSeparator(button) && placed == 0))
            continue;
        if (IsSeparator(button)) {
            addSeparator();
            continue;
        }
        ++placed;
        AddLabelToPool(button);
        PlaceButton(button);
    }
    // An empty bar would shrink to a sliver and its context menu could not be reached.
    setMinimumHeight(placed == 0 ? OneButtonHeight() : 0);
}

void CToolBarCtrlEx::AddLabelToPool(_TBEXBUTTON& button)
{
    if (button.idsLabel == 0 || button.iString != -1)
        return;
    button.iString = m_nNextString++;
    for (_TBEXBUTTON& defaults : m_arrDefaultButtons) {
        if (defaults.idCommand == button.idCommand)
            defaults.iString = button.iString;
    }
}

QAction* CToolBarCtrlEx::CommandAction(const _TBEXBUTTON& button)
{
    QAction*& action = m_actions[button.idCommand];
    if (!action)
        action = m_commands.CreateAction(button.idCommand, QString(), this);
    const QString label = button.idsLabel ? LoadResString(TextId(button.idsLabel)) : QString();
    action->setText(label);
    action->setToolTip(ToolTipFor(button.idCommand, label));
    action->setIcon(ButtonImage(button.iBitmap));
    return action;
}

void CToolBarCtrlEx::PlaceButton(const _TBEXBUTTON& button)
{
    QAction* action = CommandAction(button);
    addAction(action);
    auto* toolButton = qobject_cast<QToolButton*>(widgetForAction(action));
    if (!toolButton)
        return;
    const bool showText = m_nTextMode == ShowTextLabels && (button.fsStyle & BTNS_SHOWTEXT);
    toolButton->setToolButtonStyle(showText ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    // Never narrower than the whole label: short of room, the bar moves buttons
    // to its overflow menu instead of cutting their labels.
    const int least = button.fsStyle & BTNS_AUTOSIZE ? kMinButtonWidth : kFixedButtonWidth;
    toolButton->setMinimumWidth(std::max(least, toolButton->sizeHint().width()));
    toolButton->installEventFilter(this);
    QMenu* menu = m_dropDownMenus.value(button.idCommand);
    if (menu && (button.fsStyle & (BTNS_WHOLEDROPDOWN | BTNS_DROPDOWN))) {
        toolButton->setMenu(menu);
        toolButton->setPopupMode(button.fsStyle & BTNS_WHOLEDROPDOWN ? QToolButton::InstantPopup
                                                                     : QToolButton::MenuButtonPopup);
    }
}

void CToolBarCtrlEx::changeEvent(QEvent* event)
{
    QToolBar::changeEvent(event);
    // The labels' widths follow the font.
    if (event->type() == QEvent::FontChange && !actions().isEmpty())
        RebuildButtons();
}

bool CToolBarCtrlEx::eventFilter(QObject* watched, QEvent* event)
{
    // The bar's menu over its buttons too, disabled ones included (they swallow the event).
    if (event->type() == QEvent::ContextMenu && qobject_cast<QToolButton*>(watched)) {
        emit customContextMenuRequested(mapFromGlobal(static_cast<QContextMenuEvent*>(event)->globalPos()));
        return true;
    }
    return QToolBar::eventFilter(watched, event);
}

int CToolBarCtrlEx::OneButtonHeight() const
{
    // Measured with the real buttons: a Chinese face may stand taller than a Latin one.
    QToolButton probe;
    probe.setFont(font());
    probe.setIconSize(iconSize());
    probe.setToolButtonStyle(m_nTextMode == ShowTextLabels ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    int height = 0;
    for (const _TBEXBUTTON& button : m_arrDefaultButtons) {
        if (button.idsLabel == 0)
            continue;
        probe.setIcon(ButtonImage(button.iBitmap)); // without one the label alone is measured
        probe.setText(LoadResString(TextId(button.idsLabel)));
        height = std::max(height, probe.sizeHint().height());
    }
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, this)
                             + style()->pixelMetric(QStyle::PM_ToolBarItemMargin, nullptr, this));
    return height + margins;
}

void CToolBarCtrlEx::Customize(const QList<_TBEXBUTTON>& buttons, ToolbarTextMode mode)
{
    if (buttons.size() != kButtonCount) {
        qWarning("CToolBarCtrlEx::Customize: %lld records", qlonglong(buttons.size()));
        return;
    }
    m_arrButtons = buttons;
    m_nTextMode = mode;
    RebuildButtons();
}

int CToolBarCtrlEx::CommandToIndex(int command) const
{
    const auto found = std::find_if(m_arrButtons.cbegin(), m_arrButtons.cend(),
                                    [command](const _TBEXBUTTON& button) { return button.idCommand == command; });
    return found == m_arrButtons.cend() ? -1 : int(found - m_arrButtons.cbegin());
}

void CToolBarCtrlEx::SetButtonImage(int index, int32_t image)
{
    if (index < 0 || index >= m_arrButtons.size())
        return;
    _TBEXBUTTON& button = m_arrButtons[index];
    button.iBitmap = image;
    for (_TBEXBUTTON& defaults : m_arrDefaultButtons) {
        if (defaults.idCommand == button.idCommand)
            defaults.iBitmap = image;
    }
    if (QAction* action = m_actions.value(button.idCommand))
        action->setIcon(ButtonImage(image));
}

bool CToolBarCtrlEx::LoadLayout(const QByteArray& value)
{
    if (value.size() != kLayoutSize)
        return false;
    QByteArray bytes(value);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(&buffer);
    int32_t mode = 0;
    QList<_TBEXBUTTON> buttons(kButtonCount);
    if (!reader.readInt32(&mode))
        return false;
    for (_TBEXBUTTON& button : buttons) {
        if (!ReadRecord(reader, button))
            return false;
        button.iString = -1;
    }
    if (!IsRearrangement(buttons))
        return false;
    m_nTextMode = ToolbarTextMode(mode); // written back as read; only ShowTextLabels shows labels
    m_arrButtons = buttons;
    // A value stored apart from the settings must not show another speed.
    SetButtonImage(CommandToIndex(ID_SPEED_DROPDOWN), SpeedImage());
    return true;
}

// The customise dialog only reorders, hides and shows the records and switches
// their labels: the commands must be the default ones, each once, with their
// labels and their kind (separator or button) unchanged.
bool CToolBarCtrlEx::IsRearrangement(const QList<_TBEXBUTTON>& buttons) const
{
    QList<_TBEXBUTTON> unmatched = m_arrDefaultButtons;
    for (const _TBEXBUTTON& button : buttons) {
        const auto same = std::find_if(unmatched.cbegin(), unmatched.cend(), [&button](const _TBEXBUTTON& other) {
            return other.idCommand == button.idCommand && other.idsLabel == button.idsLabel
                   && IsSeparator(other) == IsSeparator(button);
        });
        if (same == unmatched.cend())
            return false;
        unmatched.erase(same);
    }
    return true;
}

QByteArray CToolBarCtrlEx::SaveLayout() const
{
    BinaryWriter writer;
    writer.writeInt32(m_nTextMode);
    for (const _TBEXBUTTON& button : m_arrButtons)
        WriteRecord(writer, button);
    return writer.data();
}

void CToolBarCtrlEx::SetDropDownMenu(int command, QMenu* menu)
{
    m_dropDownMenus.insert(command, menu);
}

QToolButton* CToolBarCtrlEx::ButtonForCommand(int command) const
{
    QAction* action = m_actions.value(command);
    return action ? qobject_cast<QToolButton*>(widgetForAction(action)) : nullptr;
}

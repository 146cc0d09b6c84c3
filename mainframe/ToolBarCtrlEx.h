#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QToolBar>

#include <cstdint>

class CCommandTable;
class QAction;
class QMenu;
class QToolButton;

// One tool-bar button record, stored byte for byte in the "ToolBar" value.
struct _TBEXBUTTON
{
    int32_t iBitmap;   // image index; -1 for a separator
    int32_t idCommand; // 0 for a separator
    uint8_t fsState;
    uint8_t fsStyle;
    uint16_t bReserved;
    uint32_t idsLabel; // string id of the label; 0 = none
    uint32_t dwData;
    int32_t bVisible;
    int32_t iString; // index in the label pool; -1 = not added
};

// Button styles the records use.
inline constexpr uint8_t BTNS_SEP = 0x01;
inline constexpr uint8_t BTNS_CHECK = 0x02;
inline constexpr uint8_t BTNS_DROPDOWN = 0x08;
inline constexpr uint8_t BTNS_AUTOSIZE = 0x10;
inline constexpr uint8_t BTNS_SHOWTEXT = 0x40;
inline constexpr uint8_t BTNS_WHOLEDROPDOWN = 0x80;

// The speed and concurrency drop-downs show their setting: image base + value.
inline constexpr int32_t kSpeedImageBase = 7;
inline constexpr int32_t kConcurrencyImageBase = 10;

enum ToolbarTextMode : int32_t
{
    NoTextLabels = 0,
    ShowTextLabels = 1,
};

// The main window's tool bar, driven by 35 button records: which buttons show,
// in which order and with or without their labels. Each command has one action
// for the bar's whole life; a rebuild places those actions again.
class CToolBarCtrlEx : public QToolBar
{
    Q_OBJECT

public:
    static constexpr int kButtonCount = 35;
    static constexpr qsizetype kLayoutSize = 4 + kButtonCount * 28;

    // The default records, the speed image following DownloadSpeed. No button is
    // placed until RebuildButtons.
    CToolBarCtrlEx(CCommandTable& commands, QWidget* parent);

    // Defines record index in both the records and the defaults.
    void SetButton(int index, int32_t command, uint8_t style, uint32_t label, int32_t image, bool visible);
    // Places the buttons of the visible records, leading separators dropped.
    void RebuildButtons();
    // The records and text mode that the customise dialog hands back, then a rebuild.
    void Customize(const QList<_TBEXBUTTON>& buttons, ToolbarTextMode mode);

    // The button record with that command in the current order, or -1.
    int CommandToIndex(int command) const;
    // Record index and its default record get the image, and so does the button.
    void SetButtonImage(int index, int32_t image);
    const QList<_TBEXBUTTON>& Buttons() const { return m_arrButtons; }
    const QList<_TBEXBUTTON>& DefaultButtons() const { return m_arrDefaultButtons; }
    ToolbarTextMode TextMode() const { return m_nTextMode; }

    // The stored value, taken only when it is exactly kLayoutSize bytes and holds
    // the default records rearranged; the pool indices are not valid in another
    // run. False when it was ignored.
    bool LoadLayout(const QByteArray& value);
    // The "ToolBar" value: the text mode, then every record.
    QByteArray SaveLayout() const;

    // The menu a drop-down button of that command opens.
    void SetDropDownMenu(int command, QMenu* menu);
    // The placed button of that command, or null.
    QToolButton* ButtonForCommand(int command) const;
    // The tool bar's image of that index (normal and hot); null outside the strip.
    static QIcon ButtonImage(int32_t image);
    // The current speed mode's image, the mode clamped to the four there are.
    static int32_t SpeedImage();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* CommandAction(const _TBEXBUTTON& button);
    void PlaceButton(const _TBEXBUTTON& button);
    void AddLabelToPool(_TBEXBUTTON& button);
    int OneButtonHeight() const;
    bool IsRearrangement(const QList<_TBEXBUTTON>& buttons) const;

    CCommandTable& m_commands;
    ToolbarTextMode m_nTextMode = ShowTextLabels;
    QList<_TBEXBUTTON> m_arrButtons;
    QList<_TBEXBUTTON> m_arrDefaultButtons;
    QHash<int, QAction*> m_actions;     // by command
    QHash<int, QMenu*> m_dropDownMenus; // by command
    int32_t m_nNextString = 0;          // the label pool's next index
};

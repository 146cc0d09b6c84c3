#pragma once

#include <QByteArray>
#include <QList>
#include <QToolBar>

#include <cstdint>

class CCommandTable;

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

// The speed and concurrency drop-downs show their setting: image base + value.
inline constexpr int32_t kSpeedImageBase = 7;
inline constexpr int32_t kConcurrencyImageBase = 10;

enum ToolbarTextMode : int32_t
{
    NoTextLabels = 0,
    ShowTextLabels = 1,
};

// The main window's tool bar: the default button records, shown as text
// buttons that dispatch their commands. Customising, images and reading back the
// stored layout belong to the tool bar's own code, which replaces this one.
class CToolBarCtrlEx : public QToolBar
{
    Q_OBJECT

public:
    CToolBarCtrlEx(CCommandTable& commands, QWidget* parent);

    // The button record with that command in the current order, or -1.
    int CommandToIndex(int command) const;
    void SetButtonImage(int index, int32_t image);
    const QList<_TBEXBUTTON>& Buttons() const { return m_arrButtons; }

    // The "ToolBar" value: the text mode, then every record (4 + 35 x 28 bytes).
    QByteArray SaveLayout() const;

private:
    ToolbarTextMode m_nTextMode = ShowTextLabels;
    QList<_TBEXBUTTON> m_arrButtons;
};

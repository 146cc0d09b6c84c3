#pragma once

#include <QDialog>

// The wait panel of the exit: a small caption-less window with a raised edge
// that says the running downloads are being paused.
class CTerminateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CTerminateDialog(QWidget* parent);

    // Shows the panel centred on its parent and returns once the window system
    // shows it painted (or after a second without a window manager).
    void ShowCentred();
};

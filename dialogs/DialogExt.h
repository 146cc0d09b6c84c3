#pragma once

#include "dialogs/DialogControls.h"

// Mixed into a dialog or page T: moves the focus to one of its controls.
template <typename T> class CDialogExt
{
public:
    virtual ~CDialogExt() = default;

    // Posts the focus move to the control, if there is one. Always false, so
    // that a check can return its result directly.
    virtual bool FocusControl(QWidget* control)
    {
        PostFocus(control);
        return false;
    }
};

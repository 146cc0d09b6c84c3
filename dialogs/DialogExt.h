#pragma once

#include "dialogs/DialogControls.h"

// Mixed into a dialog or page T: moves the focus to one of its controls.
template <typename T> class CDialogExt
{
public:
    virtual ~CDialogExt() = default;

    // Posts the focus move to the control of that id, if T has one, and hands out
    // the control (null when there is none). Always false, so that a check can
    // return its result directly.
    virtual bool FocusControl(int id, QWidget** control = nullptr)
    {
        QWidget* found = FindControl(static_cast<T*>(this), id);
        PostFocus(found);
        if (control)
            *control = found;
        return false;
    }
};

#pragma once

// Knows whether a modal loop is open: the prompt layer's boxes (counted while
// they run) and every modal dialog that is shown (QApplication's active modal
// widget). Code that would destroy windows under a running loop asks first.
class CModalLoops
{
public:
    // Counts one loop for its lifetime.
    class Scope
    {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

    static bool IsOpen();
    // Rejects every visible modal dialog and message box, so that their loops
    // end once control returns to them.
    static void RejectAll();
};

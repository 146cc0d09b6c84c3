#pragma once

class CDialogPage;
class QWidget;

// Mixed into a dialog that shows one page at a time. The host decides when to
// switch; this hides (optionally after checking) and shows the pages.
class CSheetManager
{
public:
    // Whether a page that is shown takes the keyboard focus.
    enum class PageFocus
    {
        Take,
        Leave, // the focus stays where it is, e.g. in the tree that chose the page
    };

    virtual ~CSheetManager() = default;

    // Hides and disables the page; with validate, only once its SaveData has
    // accepted it (else the page stays as it is, the focus goes back to the
    // failing control and the result is false). A null page gives true.
    virtual bool DeactivatePage(CDialogPage* page, bool validate);
    // Creates the page inside container on first use, shows it there (a stacked
    // widget makes it its current page, any other container lays it out filling
    // its area), enables it, focuses it as focus says, runs OnPageActivated and
    // makes it the active page, also when it is null. Always true.
    virtual bool ActivatePage(CDialogPage* page, QWidget* container, PageFocus focus = PageFocus::Take);

    // The page last passed to ActivatePage.
    CDialogPage* m_pActivePage = nullptr;
};

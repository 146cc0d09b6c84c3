#pragma once

#include <QTabWidget>

#include <vector>

class CDialogPage;
class CSheetManager;

// A tab control over pages: one empty container per tab, the page shown in it
// when its tab is chosen. Switching tabs never checks the page that is left.
// Ctrl+Tab and Ctrl+Page Down step to the next tab, Ctrl+Shift+Tab and
// Ctrl+Page Up to the previous one, wrapping around, wherever the focus is in
// the host window. A page chosen by a key on the tabs leaves the focus there.
class CTabSheet : public QTabWidget
{
    Q_OBJECT

public:
    CTabSheet(CSheetManager& manager, QWidget* host);

    void AddPage(const QString& label, CDialogPage* page);
    CDialogPage* PageAt(int index) const;
    // Shows the current tab's page and follows the selection from then on; called
    // once every tab has been added.
    void Start();
    // Deactivates the active page unchecked and activates the current tab's.
    void OnTabSelChange();
    void StepTab(int delta);

private:
    CSheetManager& m_manager;
    std::vector<CDialogPage*> m_pages; // per tab
    bool m_bKeyOnTabs = false;         // while the tab bar handles a key
};

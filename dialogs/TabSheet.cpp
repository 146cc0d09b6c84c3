#include "dialogs/TabSheet.h"

#include "dialogs/DialogPage.h"
#include "dialogs/SheetManager.h"

#include <QShortcut>

CTabSheet::CTabSheet(CSheetManager& manager, QWidget* host) : QTabWidget(host), m_manager(manager)
{
    // X11 reports Shift+Tab as Backtab; both spellings are bound.
    const std::pair<QKeyCombination, int> steps[] = {
        {Qt::CTRL | Qt::Key_Tab, 1},
        {Qt::CTRL | Qt::Key_PageDown, 1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1},
        {Qt::CTRL | Qt::Key_PageUp, -1},
    };
    for (const auto& [keys, delta] : steps) {
        auto* shortcut = new QShortcut(QKeySequence(keys), host);
        connect(shortcut, &QShortcut::activated, this, [this, delta = delta] { StepTab(delta); });
    }
}

void CTabSheet::AddPage(const QString& label, CDialogPage* page)
{
    addTab(new QWidget, label);
    m_pages.push_back(page);
}

CDialogPage* CTabSheet::PageAt(int index) const
{
    return index >= 0 && size_t(index) < m_pages.size() ? m_pages[size_t(index)] : nullptr;
}

void CTabSheet::Start()
{
    connect(this, &QTabWidget::currentChanged, this, &CTabSheet::OnTabSelChange, Qt::UniqueConnection);
    OnTabSelChange();
}

void CTabSheet::OnTabSelChange()
{
    if (m_manager.m_pActivePage)
        m_manager.DeactivatePage(m_manager.m_pActivePage, false);
    const int index = currentIndex();
    if (index < 0)
        return;
    m_manager.ActivatePage(PageAt(index), widget(index));
}

void CTabSheet::StepTab(int delta)
{
    const int tabs = count();
    if (tabs == 0)
        return;
    setCurrentIndex(((currentIndex() + delta) % tabs + tabs) % tabs);
}

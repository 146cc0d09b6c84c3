#include "dialogs/TabSheet.h"

#include "dialogs/DialogPage.h"
#include "dialogs/SheetManager.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QTabBar>

namespace {

// Tabs that say while they handle a key: whether they had the focus cannot be
// asked later, since hiding the page that held it hands it on, often to them.
class KeyTabBar : public QTabBar
{
public:
    KeyTabBar(bool& handlingKey, QWidget* parent) : QTabBar(parent), m_handlingKey(handlingKey) {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QScopedValueRollback handling(m_handlingKey, true);
        QTabBar::keyPressEvent(event);
    }

private:
    bool& m_handlingKey;
};

} // namespace

CTabSheet::CTabSheet(CSheetManager& manager, QWidget* host) : QTabWidget(host), m_manager(manager)
{
    auto* bar = new KeyTabBar(m_bKeyOnTabs, this);
    bar->setObjectName(QStringLiteral("qt_tabwidget_tabbar")); // the name of Qt's own
    setTabBar(bar);
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
    // A key on the tabs goes on choosing tabs: the page takes the focus only
    // by Tab or a click, so no arrow key changes it unseen.
    const auto focus = m_bKeyOnTabs ? CSheetManager::PageFocus::Leave : CSheetManager::PageFocus::Take;
    if (m_manager.m_pActivePage)
        m_manager.DeactivatePage(m_manager.m_pActivePage, false);
    const int index = currentIndex();
    if (index < 0)
        return;
    m_manager.ActivatePage(PageAt(index), widget(index), focus);
}

void CTabSheet::StepTab(int delta)
{
    const int tabs = count();
    if (tabs == 0)
        return;
    setCurrentIndex(((currentIndex() + delta) % tabs + tabs) % tabs);
}

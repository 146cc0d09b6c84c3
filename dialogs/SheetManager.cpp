#include "dialogs/SheetManager.h"

#include "dialogs/DialogControls.h"
#include "dialogs/DialogPage.h"

#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

void PlacePage(CDialogPage* page, QWidget* container)
{
    if (auto* stack = qobject_cast<QStackedWidget*>(container)) {
        if (stack->indexOf(page) < 0)
            stack->addWidget(page);
        stack->setCurrentWidget(page);
        return;
    }
    QLayout* layout = container->layout();
    if (!layout) {
        layout = new QVBoxLayout(container);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    if (layout->indexOf(page) < 0)
        layout->addWidget(page);
}

} // namespace

bool CSheetManager::DeactivatePage(CDialogPage* page, bool validate)
{
    if (!page)
        return true;
    if (validate && !page->SaveData()) {
        PostFocus(page->m_hWndFocusControl);
        return false;
    }
    page->hide();
    page->setEnabled(false);
    return true;
}

bool CSheetManager::ActivatePage(CDialogPage* page, QWidget* container, PageFocus focus)
{
    if (page) {
        if (!page->isCreated())
            page->CreatePage(container);
        PlacePage(page, container);
        page->show();
        page->setEnabled(true);
        if (focus == PageFocus::Take)
            FocusFirstControl(page);
        page->OnPageActivated();
    }
    m_pActivePage = page;
    return true;
}

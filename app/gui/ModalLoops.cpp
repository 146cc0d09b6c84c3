#include "app/gui/ModalLoops.h"

#include <QApplication>
#include <QDialog>

namespace {

int g_depth = 0; // user-interface thread only

} // namespace

CModalLoops::Scope::Scope()
{
    ++g_depth;
}

CModalLoops::Scope::~Scope()
{
    --g_depth;
}

bool CModalLoops::IsOpen()
{
    return g_depth > 0 || QApplication::activeModalWidget() != nullptr;
}

void CModalLoops::RejectAll()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible() && dialog->isModal())
            dialog->reject();
    }
}

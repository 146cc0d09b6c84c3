#include "ControlLookup.h"

#include "dialogs/DialogControls.h"

QWidget* FindControl(const QWidget* scope, int id)
{
    return scope ? scope->findChild<QWidget*>(ctrlName(id)) : nullptr;
}

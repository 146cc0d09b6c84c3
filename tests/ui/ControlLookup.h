#pragma once

#include <QWidget>

// The control of that id inside scope (scope itself excluded), or null. The
// dialogs name their numbered controls by ctrlName, which is how a test reaches
// a control that its dialog keeps to itself.
QWidget* FindControl(const QWidget* scope, int id);
template <typename T> T* FindControl(const QWidget* scope, int id)
{
    return qobject_cast<T*>(FindControl(scope, id));
}

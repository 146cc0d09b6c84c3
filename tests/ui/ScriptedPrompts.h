#pragma once

#include "app/gui/Prompts.h"

#include <QList>
#include <QString>

#include <functional>

// The prompt layer's test double: records every box and answers from a script.
// An empty script answers IDCANCEL (a task dialog: IDCLOSE), as Esc would in a
// box with such a button. While a box is "open" it counts as a modal loop, and
// `during` (when set) runs then, as events would run in the box's nested loop.
class ScriptedPrompts : public IPrompts
{
public:
    struct Box
    {
        QString text;
        QString caption;
        unsigned flags = 0; // MB_* of a message box
        TaskDialogSpec task; // for a task dialog
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;

    int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags) override;
    TaskDialogResult TaskDialog(const TaskDialogSpec& spec) override;
    FileDialogResult FileDialog(const FileDialogSpec& spec) override;

    QList<int> answers;
    // A task dialog's check box as it is left; with none scripted, as the spec set it.
    QList<bool> verifications;
    std::function<void()> during;
    QList<Box> boxes;

private:
    int Answer(int fallback);
};

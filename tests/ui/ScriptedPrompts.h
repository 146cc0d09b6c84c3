#pragma once

#include "app/gui/Prompts.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The prompt layer's test double: records every box and answers from a script.
// An empty script answers IDCANCEL (a task dialog: IDCLOSE), as Esc would in a
// box with such a button. While a box is "open" it counts as a modal loop, and
// `during` (when set) runs then, as events would run in the box's nested loop.
// The folder browser records its requests and answers from `folders`.
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
    std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title, const QString& initial) override;

    struct FolderRequest
    {
        QString title;
        QString initial;
    };

    QList<int> answers;
    // The folder browser's answers, in order; none left answers as Cancel does.
    QList<std::optional<QString>> folders;
    QList<FolderRequest> folderRequests;
    std::function<void()> during;
    QList<Box> boxes;

private:
    int Answer(int fallback);
};

#include "ScriptedPrompts.h"

#include "app/gui/ModalLoops.h"

ScriptedPrompts::ScriptedPrompts()
{
    SetPrompts(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    SetPrompts(nullptr);
}

int ScriptedPrompts::MessageBox(QWidget*, const QString& text, const QString& caption, unsigned flags)
{
    boxes.append({text, caption, flags, {}});
    return Answer(IDCANCEL);
}

TaskDialogResult ScriptedPrompts::TaskDialog(const TaskDialogSpec& spec)
{
    boxes.append({spec.content, spec.title, 0, spec});
    const int button = Answer(IDCLOSE);
    return {button, spec.verificationChecked};
}

FileDialogResult ScriptedPrompts::FileDialog(const FileDialogSpec&)
{
    return {};
}

std::optional<QString> ScriptedPrompts::BrowseForFolder(QWidget*, const QString& title, const QString& initial)
{
    folderRequests.append({title, initial});
    CModalLoops::Scope loop;
    if (during)
        std::exchange(during, nullptr)();
    return folders.isEmpty() ? std::nullopt : folders.takeFirst();
}

int ScriptedPrompts::Answer(int fallback)
{
    CModalLoops::Scope loop;
    if (during)
        std::exchange(during, nullptr)();
    return answers.isEmpty() ? fallback : answers.takeFirst();
}

#include "app/gui/Prompts.h"

#include "app/gui/QtPrompts.h"
#include "platform/StringTable.h"

namespace {

IPrompts* g_prompts = nullptr;

} // namespace

IPrompts& Prompts()
{
    static CQtPrompts production;
    return g_prompts ? *g_prompts : production;
}

void SetPrompts(IPrompts* prompts)
{
    g_prompts = prompts;
}

QString AppTitle()
{
    return LoadResString(TextId::ApplicationTitle);
}

int AppMessageBox(QWidget* owner, const QString& text, unsigned flags)
{
    return Prompts().MessageBox(owner, text, AppTitle(), flags);
}

int AppMessageBox(QWidget* owner, TextId stringId, unsigned flags)
{
    return AppMessageBox(owner, LoadResString(stringId), flags);
}

std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title, const QString& initial)
{
    return Prompts().BrowseForFolder(owner, title, initial);
}

#include "app/gui/Prompts.h"

#include "app/VandrelCore.h"
#include "app/gui/QtPrompts.h"
#include "platform/StringTable.h"

#include <QDir>
#include <QFileInfo>

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

QString DialogStartFolder(const QString& preferred)
{
    for (const QString& folder : {preferred, AppCore().m_settings.DefaultDownloadLocation}) {
        // A relative name would be taken from the working directory.
        if (QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

std::optional<QString> BrowseForFolder(QWidget* owner, const QString& title, const QString& initial)
{
    return Prompts().BrowseForFolder(owner, title, DialogStartFolder(initial));
}

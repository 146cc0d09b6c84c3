// Build-time tool: writes the program's icon under the given name into a hicolor
// theme, at the theme sizes, in $XDG_DATA_HOME/icons/hicolor. The install rules
// copy that tree.

#include "app/gui/AppIcons.h"
#include "platform/IconTheme.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString name = QString::fromLocal8Bit(argv[1]);
    for (const int size : kIconSizes) {
        if (!WriteThemeIcon(QStringLiteral("apps"), name, size, PngData(AppMarkIcon(size))))
            return 1;
    }
    return 0;
}

#include "platform/WarnFailure.h"

#include <QDebug>

void WarnFailure(const char* action, const QString& path, const QString& reason)
{
    qWarning().noquote() << QStringLiteral("Could not %1 \"%2\": %3").arg(QLatin1String(action), path, reason);
}

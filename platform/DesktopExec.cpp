#include "platform/DesktopExec.h"

#include <algorithm>

namespace {

const QString kReserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
const QString kEscapedInQuotes = QStringLiteral("\"`$\\");

bool IsRepresentable(const QString& argument)
{
    for (const QChar c : argument) {
        if (c.category() == QChar::Other_Control || c == QChar::ReplacementCharacter)
            return false;
    }
    return true;
}

QString Quoted(const QString& argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (kEscapedInQuotes.contains(c))
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

QString ExecArgument(const QString& argument)
{
    const bool reserved = std::any_of(argument.begin(), argument.end(), [](QChar c) { return kReserved.contains(c); });
    QString value = reserved ? Quoted(argument) : argument;
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'%', QStringLiteral("%%"));
    return value;
}

} // namespace

std::optional<QString> DesktopExecValue(const QStringList& command)
{
    QStringList arguments;
    for (const QString& argument : command) {
        if (!IsRepresentable(argument))
            return std::nullopt;
        arguments.append(ExecArgument(argument));
    }
    return arguments.join(u' ');
}

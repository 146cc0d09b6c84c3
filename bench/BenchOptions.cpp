#include "BenchOptions.h"

#include "app/AppSettingsBase.h"

#include <variant>

namespace {

const QString kSet = QStringLiteral("--set");
const QString kPauseAfter = QStringLiteral("--pause-after");
const QString kFromPartial = QStringLiteral("--from-partial");

const SettingEntry* FindSetting(const QString& name)
{
    for (const SettingEntry& entry : AllSettingFields()) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

// Writes text into the field; false when the field's type cannot hold it.
bool StoreSetting(CAppSettingsBase& settings, const SettingField& field, const QString& text)
{
    using B = CAppSettingsBase;
    bool ok = false;
    if (const auto* member = std::get_if<int32_t B::*>(&field)) {
        const int32_t value = text.toInt(&ok);
        if (ok)
            SettingStore(settings.**member, value);
    } else if (const auto* member = std::get_if<uint16_t B::*>(&field)) {
        const uint16_t value = text.toUShort(&ok);
        if (ok)
            SettingStore(settings.**member, value);
    } else if (const auto* member = std::get_if<uint64_t B::*>(&field)) {
        const uint64_t value = text.toULongLong(&ok);
        if (ok)
            settings.**member = value;
    } else if (const auto* member = std::get_if<QString B::*>(&field)) {
        settings.SetString(*member, text);
        ok = true;
    }
    return ok; // the times take no text
}

} // namespace

bool CBenchOptions::Parse(const QStringList& arguments)
{
    QStringList positionals;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool takesValue = argument == kSet || argument == kPauseAfter || argument == kFromPartial;
        if (!takesValue) {
            if (argument.startsWith(u'-') && argument.size() > 1)
                return Fail(QStringLiteral("unknown option %1").arg(argument));
            positionals.append(argument);
            continue;
        }
        if (++i == arguments.size())
            return Fail(QStringLiteral("%1 needs a value").arg(argument));
        const QString& value = arguments[i];
        if (argument == kSet && !TakeSet(value))
            return false;
        if (argument == kPauseAfter && !TakePauseAfter(value))
            return false;
        if (argument == kFromPartial) {
            if (!m_strPartialFile.isNull())
                return Fail(QStringLiteral("--from-partial given twice"));
            m_strPartialFile = value;
        }
    }
    return TakePositionals(positionals);
}

bool CBenchOptions::ApplySettings(CAppSettingsBase& settings)
{
    for (const auto& [name, value] : m_assignments) {
        const SettingEntry* entry = FindSetting(name);
        if (!entry)
            return Fail(QStringLiteral("no setting is named %1").arg(name));
        if (!StoreSetting(settings, entry->field, value))
            return Fail(QStringLiteral("%1 cannot take the value \"%2\"").arg(name, value));
    }
    return true;
}

QString CBenchOptions::Usage()
{
    return QStringLiteral("usage: vandrel-bench [--set Name=Value]... [--pause-after BYTES] URL FOLDER\n"
                          "       vandrel-bench [--set Name=Value]... --from-partial PARTIALFILE\n");
}

bool CBenchOptions::Fail(const QString& reason)
{
    m_strError = reason;
    return false;
}

bool CBenchOptions::TakeSet(const QString& assignment)
{
    const qsizetype equals = assignment.indexOf(u'=');
    if (equals <= 0)
        return Fail(QStringLiteral("--set needs Name=Value, not \"%1\"").arg(assignment));
    m_assignments.emplace_back(assignment.left(equals), assignment.mid(equals + 1));
    return true;
}

bool CBenchOptions::TakePauseAfter(const QString& bytes)
{
    bool ok = false;
    const uint64_t value = bytes.toULongLong(&ok);
    if (!ok)
        return Fail(QStringLiteral("--pause-after needs a byte count, not \"%1\"").arg(bytes));
    m_pauseAfter = value;
    return true;
}

bool CBenchOptions::TakePositionals(const QStringList& positionals)
{
    if (!m_strPartialFile.isNull()) {
        if (!positionals.isEmpty())
            return Fail(QStringLiteral("--from-partial takes no URL or FOLDER"));
        if (m_pauseAfter)
            return Fail(QStringLiteral("--pause-after needs URL and FOLDER"));
        return true;
    }
    if (positionals.size() != 2)
        return Fail(QStringLiteral("URL and FOLDER are needed"));
    m_strUrl = positionals[0];
    m_strFolder = positionals[1];
    return true;
}

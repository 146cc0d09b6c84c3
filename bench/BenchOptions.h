#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class CAppSettingsBase;

// The command line of vandrel-bench:
//   [--set Name=Value]... [--pause-after BYTES] URL FOLDER
//   [--set Name=Value]... --from-partial PARTIALFILE
class CBenchOptions
{
public:
    // False with the reason in m_strError for anything the synopsis does not allow.
    bool Parse(const QStringList& arguments);
    // Writes every --set into settings through the settings' own field table;
    // false with the reason in m_strError for an unknown name, a value its field
    // cannot hold, or a field that takes no text (the times).
    bool ApplySettings(CAppSettingsBase& settings);

    static QString Usage();

    std::vector<std::pair<QString, QString>> m_assignments; // --set name and value, in order
    std::optional<uint64_t> m_pauseAfter;
    QString m_strUrl;
    QString m_strFolder;
    QString m_strPartialFile; // set for the second form only
    QString m_strError;

private:
    bool Fail(const QString& reason);
    bool TakeSet(const QString& assignment);
    bool TakePauseAfter(const QString& bytes);
    bool TakePositionals(const QStringList& positionals);
};

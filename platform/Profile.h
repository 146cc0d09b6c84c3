#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class QSettings;
class QVariant;

// The registry-shaped profile layer: CWinApp's GetProfile*/WriteProfile* over a
// QSettings INI file, by default CONFIG/Orlmark/Vandrel/4.3.ini (the registry key
// Software\Orlmark\Vandrel\4.3). A value lives under "<section>/<entry>"; a
// backslash in the section names a subkey ("Settings\WindowPlacement" becomes
// the QSettings key "Settings/WindowPlacement/<entry>").
//
// Kinds:
// - Integers (REG_DWORD) are written as the signed decimal text of the 32-bit
//   value. Reading accepts a base-10 integer (an optional sign and ASCII digits,
//   nothing else) from -2147483648 to 4294967295 and keeps its low 32 bits;
//   anything else (missing, not a number, out of range, a list, a binary value)
//   gives the default.
// - Strings (REG_SZ) are plain QString values; a list from a hand edit
//   ("a, b" unquoted) is joined with ", "; a binary or other non-text value gives
//   the default.
// - Binary values (REG_BINARY) are QByteArray values ("@ByteArray(...)"); a value
//   of any other kind counts as missing.
// Numbers and booleans that another QSettings object of this process set count as
// the text the file holds for them ("42", "true"), so a value reads the same
// before and after a restart.
//
// Before the first write the layer creates the missing folders of the file with
// mode 0700 and an empty file with O_CREAT|O_EXCL, mode 0600 (the file holds
// proxy passwords in clear text); QSettings keeps that mode on every rewrite.
// Reading never creates anything. Not thread-safe: one thread uses an object.
class CProfile
{
public:
    CProfile();
    explicit CProfile(const QString& filePath);
    ~CProfile(); // writes what is still pending (sync)
    CProfile(const CProfile&) = delete;
    CProfile& operator=(const CProfile&) = delete;

    // QStandardPaths::GenericConfigLocation ($XDG_CONFIG_HOME, else ~/.config)
    // + "/Orlmark/Vandrel/4.3.ini", read from the environment at each call.
    static QString DefaultFilePath();
    const QString& FilePath() const { return m_filePath; }

    uint32_t GetProfileInt(const QString& section, const QString& entry, int32_t nDefault) const;
    bool WriteProfileInt(const QString& section, const QString& entry, int32_t nValue);

    QString GetProfileString(const QString& section, const QString& entry, const QString& strDefault = {}) const;
    bool WriteProfileString(const QString& section, const QString& entry, const QString& value);

    // False, with *data untouched, when the value is missing or not binary.
    bool GetProfileBinary(const QString& section, const QString& entry, QByteArray* data) const;
    bool WriteProfileBinary(const QString& section, const QString& entry, const QByteArray& data);

    // Writes the pending values to the file; false on an error.
    bool sync();
    // The system's reason for the first write or sync that failed; empty while
    // none has.
    const QString& ErrorString() const { return m_error; }

    // The kind rules on one stored value (exposed for the table test).
    static std::optional<uint32_t> IntFromValue(const QVariant& value);
    static std::optional<QString> StringFromValue(const QVariant& value);
    static std::optional<uint32_t> ParseDwordText(const QString& text);

private:
    static QString Key(const QString& section, const QString& entry);
    bool PrepareWrite();
    void Fail(const QString& reason);

    QString m_filePath;
    std::unique_ptr<QSettings> m_settings;
    bool m_pending = false;
    QString m_error;
};

// The group that holds every setting and the window layouts.
inline QString SettingsSection() { return QStringLiteral("Settings"); }

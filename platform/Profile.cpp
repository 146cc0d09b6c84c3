#include "platform/Profile.h"

#include "platform/PrivatePaths.h"
#include "platform/SystemError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <cerrno>

CProfile::CProfile() : CProfile(DefaultFilePath()) {}

CProfile::CProfile(const QString& filePath)
    : m_filePath(filePath), m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

CProfile::~CProfile()
{
    sync();
}

QString CProfile::DefaultFilePath()
{
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config"); // hardly reachable
    return config + QStringLiteral("/Orlmark/Vandrel/4.3.ini");
}

QString CProfile::Key(const QString& section, const QString& entry)
{
    if (section.isEmpty())
        return entry;
    QString key = section;
    key.replace(u'\\', u'/');
    return key + u'/' + entry;
}

std::optional<uint32_t> CProfile::ParseDwordText(const QString& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    const int64_t limit = negative ? int64_t(1) << 31 : (int64_t(1) << 32) - 1;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > limit)
            return std::nullopt;
    }
    return uint32_t(negative ? -magnitude : magnitude);
}

namespace {

// Kinds that the INI file holds as plain text: a QString, or a number or boolean
// set through QSettings in this process, which the file holds as its text.
bool isScalarText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<uint32_t> CProfile::IntFromValue(const QVariant& value)
{
    if (!isScalarText(value))
        return std::nullopt;
    return ParseDwordText(value.toString());
}

std::optional<QString> CProfile::StringFromValue(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    if (!isScalarText(value))
        return std::nullopt;
    return value.toString();
}

uint32_t CProfile::GetProfileInt(const QString& section, const QString& entry, int32_t nDefault) const
{
    return IntFromValue(m_settings->value(Key(section, entry))).value_or(uint32_t(nDefault));
}

QString CProfile::GetProfileString(const QString& section, const QString& entry, const QString& strDefault) const
{
    std::optional<QString> text = StringFromValue(m_settings->value(Key(section, entry)));
    return text ? *text : strDefault;
}

bool CProfile::GetProfileBinary(const QString& section, const QString& entry, QByteArray* data) const
{
    const QVariant value = m_settings->value(Key(section, entry));
    if (value.typeId() != QMetaType::QByteArray)
        return false;
    *data = value.toByteArray();
    return true;
}

bool CProfile::PrepareWrite()
{
    const QFileInfo file(m_filePath);
    if (file.exists() || file.isSymLink())
        return true;
    if (CreatePrivateFolders(file.absolutePath()) && CreatePrivateFile(file.absoluteFilePath()))
        return true;
    Fail(GetSystemErrorText(errno));
    return false;
}

void CProfile::Fail(const QString& reason)
{
    if (m_error.isEmpty())
        m_error = reason;
}

bool CProfile::WriteProfileInt(const QString& section, const QString& entry, int32_t nValue)
{
    if (!PrepareWrite())
        return false;
    m_settings->setValue(Key(section, entry), QString::number(nValue));
    m_pending = true;
    return true;
}

bool CProfile::WriteProfileString(const QString& section, const QString& entry, const QString& value)
{
    if (!PrepareWrite())
        return false;
    m_settings->setValue(Key(section, entry), value);
    m_pending = true;
    return true;
}

bool CProfile::WriteProfileBinary(const QString& section, const QString& entry, const QByteArray& data)
{
    if (!PrepareWrite())
        return false;
    m_settings->setValue(Key(section, entry), data);
    m_pending = true;
    return true;
}

bool CProfile::sync()
{
    // The file may have gone since the first write; QSettings would recreate it 0644.
    if (m_pending && !PrepareWrite())
        return false;
    m_settings->sync();
    m_pending = false;
    switch (m_settings->status()) {
    case QSettings::NoError: return true;
    case QSettings::AccessError: Fail(QStringLiteral("the file cannot be written")); break;
    case QSettings::FormatError: Fail(QStringLiteral("the file is not in INI format")); break;
    }
    return false;
}

#pragma once

#include <QString>

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <optional>

// One value for a positional insert of a string-table text: a text or an
// integer, kept with its signedness so that "%1!s!" of a number prints it right.
class MessageInsert
{
public:
    MessageInsert(const QString& text) : m_text(text) {}
    template <std::integral T>
    MessageInsert(T value) : m_bits(uint64_t(value)), m_isNumber(true), m_isSigned(std::signed_integral<T>) {}

    // The insert converted as a "%n!conversion!" asks: s, u, d or I64u (a text
    // insert is written as it is); none for an unknown conversion.
    std::optional<QString> format(QStringView conversion) const;

private:
    QString m_text;
    uint64_t m_bits = 0; // sign-extended for signed values
    bool m_isNumber = false;
    bool m_isSigned = false;
};

// Fills the positional inserts of a string-table text: "%1" to "%99", each bare
// (a text) or with a conversion such as "%1!u!", "%2!s!", "%1!I64u!"; inserts
// may come in any order. "%%" is a percent sign. A placeholder without a
// matching insert or with an unknown conversion stays as written.
QString FormatMessageText(const QString& pattern, std::initializer_list<MessageInsert> inserts);

template <typename... Args> QString FormatString(const QString& pattern, const Args&... inserts)
{
    return FormatMessageText(pattern, {MessageInsert(inserts)...});
}

#pragma once

#include <QList>
#include <QString>

namespace inet {

// A proxy bypass list with WinINet's meaning: entries separated by ';', ',' or
// white space; "<local>" matches a host name without a dot (no implicit loopback:
// 127.0.0.1 has dots); any other entry is a host pattern in which '*' matches any
// run of characters, compared without regard to case, optionally with a scheme
// prefix (ignored) and a ":port" that must then match too.
class ProxyBypass
{
public:
    ProxyBypass() = default;
    explicit ProxyBypass(const QString& list);

    // host without brackets; port as the request uses it (the scheme's default when none is named).
    bool matches(const QString& host, int port) const;

private:
    struct Entry
    {
        QString pattern; // lower case; "<local>" for the local rule
        int port = 0;    // 0 = any
    };

    static Entry parseEntry(QString text);
    static bool wildcardMatch(QStringView pattern, QStringView text);

    QList<Entry> m_entries;
};

} // namespace inet

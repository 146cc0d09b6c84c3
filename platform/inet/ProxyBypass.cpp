#include "platform/inet/ProxyBypass.h"

#include <QRegularExpression>

namespace inet {

namespace {

const QString kLocal = QStringLiteral("<local>");

} // namespace

ProxyBypass::ProxyBypass(const QString& list)
{
    static const QRegularExpression separators(QStringLiteral("[;,\\s]+"));
    for (const QString& text : list.split(separators, Qt::SkipEmptyParts)) {
        Entry entry = parseEntry(text.toLower());
        if (!entry.pattern.isEmpty())
            m_entries.append(entry);
    }
}

ProxyBypass::Entry ProxyBypass::parseEntry(QString text)
{
    const qsizetype scheme = text.indexOf(u"://");
    if (scheme >= 0)
        text.remove(0, scheme + 3);
    Entry entry;
    qsizetype hostEnd = text.size();
    if (text.startsWith(u'[')) {
        hostEnd = text.indexOf(u']');
        if (hostEnd < 0)
            return {};
        entry.pattern = text.mid(1, hostEnd - 1);
        ++hostEnd;
    } else {
        // One colon is a port; more are an IPv6 literal without brackets.
        if (text.count(u':') == 1)
            hostEnd = text.indexOf(u':');
        entry.pattern = text.left(hostEnd);
    }
    if (hostEnd < text.size()) {
        bool ok = false;
        entry.port = text.mid(hostEnd + 1).toInt(&ok);
        if (!ok || text[hostEnd] != u':' || entry.port <= 0 || entry.port > 65535)
            return {};
    }
    return entry;
}

bool ProxyBypass::matches(const QString& host, int port) const
{
    const QString name = host.toLower();
    for (const Entry& entry : m_entries) {
        if (entry.port && entry.port != port)
            continue;
        if (entry.pattern == kLocal) {
            // An IP literal is not a host name, even without a dot ("::1").
            if (!name.contains(u'.') && !name.contains(u':'))
                return true;
        } else if (wildcardMatch(entry.pattern, name)) {
            return true;
        }
    }
    return false;
}

// '*' matches any run; everything else matches itself. Greedy with one back-track point.
bool ProxyBypass::wildcardMatch(QStringView pattern, QStringView text)
{
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starAt = -1;
    qsizetype resumeAt = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starAt >= 0) {
            p = starAt + 1;
            t = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace inet

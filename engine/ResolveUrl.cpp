#include "engine/ResolveUrl.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

struct UrlParts
{
    std::optional<QString> scheme;
    std::optional<QString> authority;
    QString path;
    std::optional<QString> query;
    std::optional<QString> fragment;
};

std::optional<QString> Captured(const QRegularExpressionMatch& match, int group)
{
    return match.capturedStart(group) >= 0 ? std::optional(match.captured(group)) : std::nullopt;
}

// The splitting expression of RFC 3986, appendix B; it matches every text.
UrlParts Split(const QString& text)
{
    static const QRegularExpression kParts(u"^(([^:/?#]+):)?(//([^/?#]*))?([^?#]*)(\\?([^#]*))?(#(.*))?$"_qs,
                                           QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = kParts.match(text);
    return {Captured(match, 2), Captured(match, 4), match.captured(5), Captured(match, 7), Captured(match, 9)};
}

void RemoveLastSegment(QString& output)
{
    output.truncate(std::max<qsizetype>(0, output.lastIndexOf(u'/')));
}

// RFC 3986, section 5.2.4.
QString RemoveDotSegments(QString input)
{
    QString output;
    while (!input.isEmpty()) {
        if (input.startsWith(u"../"))
            input.remove(0, 3);
        else if (input.startsWith(u"./"))
            input.remove(0, 2);
        else if (input.startsWith(u"/./"))
            input.remove(0, 2);
        else if (input == u"/.")
            input = u'/';
        else if (input.startsWith(u"/../")) {
            input.remove(0, 3);
            RemoveLastSegment(output);
        } else if (input == u"/..") {
            input = u'/';
            RemoveLastSegment(output);
        } else if (input == u"." || input == u"..")
            input.clear();
        else {
            qsizetype end = input.indexOf(u'/', 1);
            if (end < 0)
                end = input.size();
            output += QStringView(input).first(end);
            input.remove(0, end);
        }
    }
    return output;
}

// RFC 3986, section 5.2.3, for a base that has an authority.
QString Merge(const QString& basePath, const QString& path)
{
    if (basePath.isEmpty())
        return u'/' + path;
    return basePath.first(basePath.lastIndexOf(u'/') + 1) + path;
}

QString Compose(const UrlParts& parts)
{
    QString text = *parts.scheme + u':';
    if (parts.authority)
        text += u"//"_qs + *parts.authority;
    text += parts.path;
    if (parts.query)
        text += u'?' + *parts.query;
    if (parts.fragment)
        text += u'#' + *parts.fragment;
    return text;
}

} // namespace

QString ResolveUrl(const QString& base, const QString& reference)
{
    UrlParts target = Split(reference);
    if (target.scheme)
        return reference;
    const UrlParts from = Split(base);
    target.scheme = from.scheme;
    if (target.authority) {
        target.path = RemoveDotSegments(target.path);
        return Compose(target);
    }
    target.authority = from.authority;
    if (target.path.isEmpty()) {
        target.path = from.path;
        if (!target.query)
            target.query = from.query;
    } else {
        target.path = RemoveDotSegments(target.path.startsWith(u'/') ? target.path : Merge(from.path, target.path));
    }
    return Compose(target);
}

#include "dialogs/DownloadInput.h"

#include "app/DownloadsFolder.h"
#include "engine/HttpDownloader.h"
#include "platform/ParseUrl.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr qsizetype kMaxSchemeLength = 32;

static_assert(kMaxUrlInputLength == CHttpDownloader::kMaxStoredTextLength);

bool IsSchemeChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'+'
        || c == u'-' || c == u'.';
}

bool IsLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace

std::optional<QString> GetUrlScheme(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u':') {
            if (i == 0 || !IsLetter(text[0]))
                return QString();
            if (i > kMaxSchemeLength)
                return std::nullopt;
            return text.left(i);
        }
        if (!IsSchemeChar(c))
            return QString();
    }
    return QString();
}

TextId CheckUrlInput(QString& url)
{
    const std::optional<QString> scheme = GetUrlScheme(url);
    if (scheme && scheme->isEmpty())
        url.prepend(QStringLiteral("http://"));
    else if (scheme && scheme->compare(u"http", Qt::CaseInsensitive) != 0
             && scheme->compare(u"https", Qt::CaseInsensitive) != 0)
        return TextId::UnsupportedSchemeEnterHttp;
    uint32_t service = 0;
    QString server;
    QString object;
    uint16_t port = 0;
    if (!ParseUrl(url, service, server, object, port))
        return TextId::BadUrl;
    if (url.size() > kMaxUrlInputLength)
        return TextId::UrlTooLong;
    // A scheme too long to be named above still has to be one the engine speaks.
    if (service != AFX_INET_SERVICE_HTTP && service != AFX_INET_SERVICE_HTTPS)
        return TextId::UnsupportedSchemeEnterHttp;
    return TextId::None;
}

TextId CheckFolderInput(QString& folder)
{
    folder = folder.trimmed();
    if (folder.isEmpty())
        return TextId::NoFolder;
    while (folder.endsWith(u'/'))
        folder.chop(1);
    CreateMissingDownloadsFolder(folder);
    // Relative folders would name another place once started from elsewhere.
    if (folder.size() < 2 || folder.size() > kMaxFolderInputLength || QDir::isRelativePath(folder)
        || !QFileInfo(folder).isDir())
        return TextId::NoSuchFolder;
    return TextId::None;
}

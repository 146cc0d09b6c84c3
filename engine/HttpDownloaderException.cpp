#include "engine/HttpDownloaderException.h"

#include "platform/StringTable.h"

#include <algorithm>

const char* CHttpDownloaderException::what() const noexcept
{
    return "invalid download stub";
}

bool CHttpDownloaderException::GetErrorMessage(char16_t* buffer, unsigned size, unsigned*) const
{
    if (size == 0)
        return true;
    const QString text = GetErrorMessage();
    const qsizetype length = std::min<qsizetype>(text.size(), size - 1);
    std::copy_n(text.utf16(), length, buffer);
    buffer[length] = u'\0';
    return true;
}

QString CHttpDownloaderException::GetErrorMessage() const
{
    return LoadResString(TextId::InvalidDownloadFile);
}

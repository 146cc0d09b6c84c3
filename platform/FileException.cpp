#include "platform/FileException.h"

#include "platform/SystemError.h"

CFileException::CFileException(int osError, QString fileName)
    : m_lOsError(osError), m_strFileName(std::move(fileName))
{
}

const char* CFileException::what() const noexcept
{
    return "file error";
}

QString CFileException::GetErrorMessage() const
{
    return m_strFileName + QStringLiteral(": ") + GetSystemErrorText(m_lOsError);
}

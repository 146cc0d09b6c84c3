#include "platform/ArchiveException.h"

const char* CArchiveException::what() const noexcept
{
    return m_cause == EndOfFile ? "Unexpected end of file." : "Invalid string length.";
}

QString CArchiveException::GetErrorMessage() const
{
    return QString::fromLatin1(what());
}

#pragma once

#include "platform/Exception.h"

#include <QString>

// A file could not be opened, read or written; carries the errno value.
class CFileException : public CException
{
public:
    CFileException(int osError, QString fileName);

    const char* what() const noexcept override;
    // The file name and the system's text for the error.
    QString GetErrorMessage() const override;

    const int m_lOsError;
    const QString m_strFileName;
};

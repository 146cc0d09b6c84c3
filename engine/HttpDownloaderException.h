#pragma once

#include "platform/Exception.h"

#include <QString>

// Thrown when a partial file's download stub is missing, damaged or does not
// match the file; its message is the program's "invalid download file" text.
class CHttpDownloaderException : public CException
{
public:
    const char* what() const noexcept override;

    // Copies the message, cut to size - 1 units and NUL-terminated, when size > 0.
    // The help context is never written; the result is always true.
    bool GetErrorMessage(char16_t* buffer, unsigned size, unsigned* helpContext = nullptr) const;
    QString GetErrorMessage() const override;
};

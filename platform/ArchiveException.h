#pragma once

#include "platform/Exception.h"

// A binary record could not be read, or must not be written.
class CArchiveException : public CException
{
public:
    enum Cause
    {
        EndOfFile,     // the record was cut short
        BadTextLength, // a text count outside what a record may hold
    };

    explicit CArchiveException(Cause cause) : m_cause(cause) {}

    const char* what() const noexcept override;
    QString GetErrorMessage() const override;

    const Cause m_cause;
};

#pragma once

#include <QString>

#include <exception>

// The base of the exceptions that report a file or record problem to the user:
// the catch sites show or record GetErrorMessage() and go on.
class CException : public std::exception
{
public:
    virtual QString GetErrorMessage() const = 0;
};

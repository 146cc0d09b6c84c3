#pragma once

#include <stdexcept>

// A caller broke an operation's precondition (a bad folder, a null output, a
// section count out of range). Never used for failures of a run.
class CInvalidArgException : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

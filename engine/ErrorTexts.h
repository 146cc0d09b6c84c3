#pragma once

#include <QString>

#include <cstdint>

// The HTTP layer's text for one of its error codes, cut to 511 units and without
// a trailing line break. For 12003 the text is this thread's last response text
// instead (empty when there is none). False, with an empty text, for a code the
// layer has no text for, or a response text longer than 511 units.
bool GetInternetErrorText(uint32_t code, QString& text);

// The reason phrase of an HTTP status code the table knows; false, with the text
// left as it was, for any other code.
bool GetHttpStatusText(unsigned status, QString& text);

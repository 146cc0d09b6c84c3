#pragma once

#include "platform/inet/Inet.h"

#include <QString>
#include <QStringView>

#include <cstdint>

// Readings of a sent request's answer that both the preparing request and the
// section requests make.

// String 138 with the status code, then a space and the reason phrase when the
// table has one: the detail of a refused status.
QString StatusCodeDetail(int32_t status);

// The Content-Type header can be read and holds type, in any case.
bool ContentTypeContains(inet::HINTERNET request, QStringView type);
// An HTML page, where a file was asked for.
bool IsHtmlAnswer(inet::HINTERNET request);

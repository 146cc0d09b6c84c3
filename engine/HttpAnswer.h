#pragma once

#include "platform/SystemTime.h"
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

// The answer's ETag as sent; empty when it has none.
QString QueryETag(inet::HINTERNET request);
// One that If-Range may carry: a weak one only tells that two versions mean the same.
bool IsStrongETag(const QString& etag);

// The answer's Last-Modified time; false when it has none that can be read.
bool QueryLastModified(inet::HINTERNET request, SYSTEMTIME& time);
// What a download records when the server sends no Last-Modified: the current
// time, never on a whole second, since an HTTP date always is. So a recorded
// time tells where it came from without a mark of its own.
SYSTEMTIME ClockLastModified();
// A recorded time the server sent; a download imported from its partial file
// alone has none (all zero).
bool IsServerLastModified(const SYSTEMTIME& time);
// The HTTP date of a UTC time, "Sun, 06 Nov 1994 08:49:37 GMT", as If-Range carries it.
QString FormatHttpDate(const SYSTEMTIME& time);

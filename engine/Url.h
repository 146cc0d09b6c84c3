#pragma once

#include <QString>

#include <cstdint>

// The parts of a URL as ParseUrl splits them; fill them by passing the four fields
// to ParseUrl.
class CUrl
{
public:
    // The last path segment of the object, cut before its first "?", not decoded.
    QString GetFileName() const;
    // The same as a person reads it: its percent escapes decoded where they form
    // UTF-8 characters that a file name may hold. Escapes of "/", NUL and other
    // control characters, and bytes that form no character, stay as they are.
    QString GetDecodedFileName() const;
    // Scheme, server (without regard to case) and port are the same: where the
    // download's credentials may go.
    bool IsSameOrigin(const CUrl& other) const;

    uint32_t m_nServiceType = 0;
    QString m_strServer;
    QString m_strObject; // path with query
    uint16_t m_nPort = 0;
};

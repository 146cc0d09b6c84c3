#pragma once

#include "platform/inet/Inet.h"

// Every certificate error the layer can be told to forgive.
constexpr inet::DWORD kAllCertificateErrors = inet::SECURITY_FLAG_IGNORE_UNKNOWN_CA
    | inet::SECURITY_FLAG_IGNORE_REVOCATION | inet::SECURITY_FLAG_IGNORE_WEAK_SIGNATURE
    | inet::SECURITY_FLAG_IGNORE_WRONG_USAGE | inet::SECURITY_FLAG_IGNORE_CERT_CN_INVALID
    | inet::SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;

// Adds flags to the request's security flags. A failed read leaves them as the
// layer chose them.
void AddSecurityFlags(inet::HINTERNET request, inet::DWORD flags);

#pragma once

#include "platform/inet/Inet.h"

#include <curl/curl.h>

namespace inet {

// What a failed transfer left behind, beyond its result code.
struct CurlFailure
{
    CURLcode code = CURLE_OK;
    long osErrno = 0;                 // CURLINFO_OS_ERRNO
    bool viaProxy = false;            // the connection went to a proxy
    long refusedCertificateError = 0; // the chain error our verify callback refused, 0 if none
};

// The WinINet code for a failed transfer; ERROR_INTERNET_EXTENDED_ERROR for
// results without a code of their own (the caller then sets the response text).
DWORD InternetErrorFromCurl(const CurlFailure& failure);

} // namespace inet

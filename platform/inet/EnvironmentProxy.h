#pragma once

#include <QByteArray>

namespace inet {

// The proxy that the environment names for a request, by the rules libcurl
// reads it with: <scheme>_proxy (HTTPS_PROXY too, but never HTTP_PROXY), else
// all_proxy or ALL_PROXY; an empty variable counts as unset. no_proxy (else
// NO_PROXY) lists what goes direct, separated by commas or blanks: "*" alone for
// every host, a name for itself and the names below it (dots at either end
// ignored), an IP address, optionally with "/bits", for the addresses it covers.
// Empty: direct. Deciding it here lets a failure say whether a proxy was in the way.
QByteArray EnvironmentProxy(const QByteArray& scheme, const QByteArray& host);

// Whether host (without brackets) is on such a no_proxy list.
bool IsNoProxyHost(const QByteArray& list, const QByteArray& host);

} // namespace inet

#include "platform/inet/EnvironmentProxy.h"

#include <QList>

#include <arpa/inet.h>
#include <array>
#include <cstdlib>
#include <optional>

namespace inet {

namespace {

struct Address
{
    int family = AF_INET;
    std::array<unsigned char, 16> bytes{};
    int bits() const { return family == AF_INET ? 32 : 128; }
};

std::optional<Address> ParseAddress(const QByteArray& text)
{
    Address address;
    for (const int family : {AF_INET, AF_INET6}) {
        address.family = family;
        if (inet_pton(family, text.constData(), address.bytes.data()) == 1)
            return address;
    }
    return std::nullopt;
}

// The variable's value; an empty one counts as unset.
QByteArray Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QByteArray(value) : QByteArray();
}

QByteArray FirstSet(std::initializer_list<QByteArray> names)
{
    for (const QByteArray& name : names) {
        QByteArray value = Variable(name.constData());
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QByteArray WithoutEndDots(QByteArray name)
{
    while (name.endsWith('.'))
        name.chop(1);
    while (name.startsWith('.'))
        name.remove(0, 1);
    return name;
}

bool NameMatches(const QByteArray& entry, const QByteArray& host)
{
    const QByteArray name = WithoutEndDots(entry).toLower();
    const QByteArray lowerHost = WithoutEndDots(host).toLower();
    return !name.isEmpty() && (lowerHost == name || lowerHost.endsWith('.' + name));
}

// "address" or "address/bits"; no bits, or 0, means the whole address.
bool AddressMatches(const QByteArray& entry, const Address& host)
{
    const qsizetype slash = entry.indexOf('/');
    const std::optional<Address> network = ParseAddress(slash < 0 ? entry : entry.left(slash));
    if (!network || network->family != host.family)
        return false;
    int bits = slash < 0 ? 0 : entry.mid(slash + 1).toInt();
    if (bits <= 0 || bits > host.bits())
        bits = host.bits();
    for (int bit = 0; bit < bits; ++bit) {
        const unsigned char mask = 0x80 >> (bit % 8);
        if ((network->bytes[bit / 8] & mask) != (host.bytes[bit / 8] & mask))
            return false;
    }
    return true;
}

} // namespace

bool IsNoProxyHost(const QByteArray& list, const QByteArray& host)
{
    if (list.trimmed() == "*")
        return true;
    const std::optional<Address> address = ParseAddress(host);
    QByteArray spaced = list;
    spaced.replace(',', ' ');
    for (const QByteArray& entry : spaced.simplified().split(' ')) {
        if (address ? AddressMatches(entry, *address) : NameMatches(entry, host))
            return true;
    }
    return false;
}

QByteArray EnvironmentProxy(const QByteArray& scheme, const QByteArray& host)
{
    if (IsNoProxyHost(FirstSet({"no_proxy", "NO_PROXY"}), host))
        return {};
    const QByteArray own = scheme.toLower() + "_proxy";
    if (own == "http_proxy")
        return FirstSet({own, "all_proxy", "ALL_PROXY"});
    return FirstSet({own, own.toUpper(), "all_proxy", "ALL_PROXY"});
}

} // namespace inet

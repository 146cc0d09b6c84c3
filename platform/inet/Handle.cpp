#include "platform/inet/Handle.h"

#include <QString>

#include <atomic>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

namespace inet {

namespace {

// Every read looks its handle up, from many threads at once; handles come and go
// only per request, so lookups share the lock.
std::shared_mutex g_registryMutex;
std::unordered_map<Handle*, std::shared_ptr<Handle>> g_registry;
// Changes whenever a handle leaves the registry, so that a thread's copy of a
// lookup is known to be stale even when a new handle has the old address.
std::atomic<uint64_t> g_generation{0};

struct ThreadLookup
{
    HINTERNET key = nullptr;
    uint64_t generation = 0;
    std::shared_ptr<Handle> handle;
};

thread_local ThreadLookup t_lookup;

template <typename Options>
auto valueOption(Options& options, DWORD option) -> decltype(&options.connectTimeout)
{
    switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT: return &options.connectTimeout;
    case INTERNET_OPTION_CONNECT_RETRIES: return &options.connectRetries;
    case INTERNET_OPTION_SEND_TIMEOUT: return &options.sendTimeout;
    case INTERNET_OPTION_RECEIVE_TIMEOUT: return &options.receiveTimeout;
    default: return nullptr;
    }
}

std::optional<QByteArray>* textOption(HandleOptions& options, DWORD option)
{
    switch (option) {
    case INTERNET_OPTION_PROXY_USERNAME: return &options.proxyUserName;
    case INTERNET_OPTION_PROXY_PASSWORD: return &options.proxyPassword;
    default: return nullptr;
    }
}

} // namespace

DWORD Handle::setOption(DWORD option, const void* buffer, DWORD length)
{
    if (DWORD* value = valueOption(m_options, option)) {
        if (length != sizeof(DWORD) || !buffer)
            return ERROR_INTERNET_BAD_OPTION_LENGTH;
        std::memcpy(value, buffer, sizeof(DWORD));
        return 0;
    }
    if (std::optional<QByteArray>* text = textOption(m_options, option)) {
        // Length in UTF-16 units, the terminating NUL included.
        if (length == 0 || !buffer)
            return ERROR_INTERNET_BAD_OPTION_LENGTH;
        const auto* units = static_cast<const char16_t*>(buffer);
        qsizetype size = 0;
        while (size < qsizetype(length) && units[size])
            ++size;
        *text = QString::fromUtf16(units, size).toUtf8();
        return 0;
    }
    return option == INTERNET_OPTION_SECURITY_FLAGS ? ERROR_INTERNET_INCORRECT_HANDLE_TYPE
                                                    : ERROR_INTERNET_INVALID_OPTION;
}

DWORD Handle::queryOption(DWORD option, void* buffer, DWORD* length) const
{
    if (const DWORD* value = valueOption(m_options, option))
        return queryValue(*value, buffer, length);
    const bool requestOnly = option == INTERNET_OPTION_SECURITY_FLAGS || option == INTERNET_OPTION_URL;
    return requestOnly ? ERROR_INTERNET_INCORRECT_HANDLE_TYPE : ERROR_INTERNET_INVALID_OPTION;
}

DWORD Handle::queryValue(DWORD value, void* buffer, DWORD* length)
{
    if (!buffer || *length < sizeof(DWORD)) {
        *length = sizeof(DWORD);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(buffer, &value, sizeof(DWORD));
    *length = sizeof(DWORD);
    return 0;
}

HINTERNET Handle::add(std::shared_ptr<Handle> handle)
{
    Handle* key = handle.get();
    std::lock_guard lock(g_registryMutex);
    g_registry.emplace(key, std::move(handle));
    return key;
}

std::shared_ptr<Handle> Handle::find(HINTERNET handle)
{
    std::shared_lock lock(g_registryMutex);
    const auto it = g_registry.find(handle);
    return it == g_registry.end() ? nullptr : it->second;
}

Handle* Handle::findForThread(HINTERNET handle)
{
    ThreadLookup& lookup = t_lookup;
    if (handle && lookup.key == handle && lookup.generation == g_generation.load(std::memory_order_acquire))
        return lookup.handle.get();
    // A copy that held the last reference is released outside the lock.
    const std::shared_ptr<Handle> stale = std::move(lookup.handle);
    lookup.key = nullptr;
    std::shared_lock lock(g_registryMutex);
    const auto it = g_registry.find(handle);
    if (it == g_registry.end())
        return nullptr;
    lookup = {handle, g_generation.load(std::memory_order_relaxed), it->second};
    return lookup.handle.get();
}

bool Handle::remove(HINTERNET handle)
{
    std::shared_ptr<Handle> last;
    {
        std::lock_guard lock(g_registryMutex);
        const auto it = g_registry.find(handle);
        if (it == g_registry.end())
            return false;
        last = std::move(it->second);
        g_registry.erase(it);
        g_generation.fetch_add(1, std::memory_order_release);
    }
    // The handle (and with it libcurl's) is released outside the registry lock.
    if (t_lookup.key == handle)
        t_lookup = {};
    return true;
}

} // namespace inet

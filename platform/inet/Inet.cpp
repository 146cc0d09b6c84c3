#include "platform/inet/Inet.h"

#include "platform/inet/Request.h"
#include "platform/inet/ResponseInfo.h"

#include <curl/curl.h>

#include <csignal>
#include <mutex>
#include <type_traits>

namespace inet {

namespace {

thread_local DWORD t_lastError = 0;

template <typename T>
T fail(DWORD code, T value)
{
    SetLastError(code);
    return value;
}

BOOL succeed(DWORD error)
{
    if (error)
        SetLastError(error);
    return error == 0;
}

QString text(const char16_t* units)
{
    return units ? QString::fromUtf16(units) : QString();
}

// The registered handle of that kind (any kind for Handle itself); null with the
// last error set otherwise. The kind stands for the class, so no dynamic cast is
// needed on every read.
template <typename T>
std::shared_ptr<T> lookup(HINTERNET handle)
{
    std::shared_ptr<Handle> found = Handle::find(handle);
    if (!found)
        return fail<std::shared_ptr<T>>(ERROR_INVALID_HANDLE, nullptr);
    if constexpr (std::is_same_v<T, Handle>) {
        return found;
    } else {
        if (found->kind() != T::kKind)
            return fail<std::shared_ptr<T>>(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, nullptr);
        return std::static_pointer_cast<T>(std::move(found));
    }
}

// As lookup, from the calling thread's copy of its last lookup while that is current.
template <typename T>
T* lookupForThread(HINTERNET handle)
{
    Handle* found = Handle::findForThread(handle);
    if (!found)
        return fail<T*>(ERROR_INVALID_HANDLE, nullptr);
    if (found->kind() != T::kKind)
        return fail<T*>(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, nullptr);
    return static_cast<T*>(found);
}

bool isConnectionLimit(DWORD option)
{
    return option == INTERNET_OPTION_MAX_CONNS_PER_SERVER || option == INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER
        || option == INTERNET_OPTION_MAX_CONNS_PER_PROXY;
}

} // namespace

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // A peer that closes first must give an error, not end the process.
        std::signal(SIGPIPE, SIG_IGN);
        // Never cleaned up: threads that exit leaves behind may still be inside libcurl.
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

HINTERNET InternetOpenW(const char16_t* agent, DWORD accessType, const char16_t* proxy,
                        const char16_t* proxyBypass, DWORD)
{
    GlobalInit();
    DWORD error = 0;
    std::shared_ptr<Session> session = Session::open(text(agent), accessType, text(proxy), text(proxyBypass), &error);
    return session ? Handle::add(std::move(session)) : fail<HINTERNET>(error, nullptr);
}

HINTERNET InternetConnectW(HINTERNET session, const char16_t* server, INTERNET_PORT port,
                           const char16_t* userName, const char16_t* password, DWORD service, DWORD,
                           DWORD_PTR)
{
    std::shared_ptr<Session> owner = lookup<Session>(session);
    if (!owner)
        return nullptr;
    const QByteArray host = text(server).toUtf8();
    if (host.isEmpty() || service != INTERNET_SERVICE_HTTP)
        return fail<HINTERNET>(ERROR_INVALID_PARAMETER, nullptr);
    return Handle::add(std::make_shared<Connection>(std::move(owner), host, port, text(userName).toUtf8(),
                                                    text(password).toUtf8()));
}

HINTERNET HttpOpenRequestW(HINTERNET connect, const char16_t* verb, const char16_t* object,
                           const char16_t* version, const char16_t* referer,
                           const char16_t* const* acceptTypes, DWORD flags, DWORD_PTR)
{
    std::shared_ptr<Connection> connection = lookup<Connection>(connect);
    if (!connection)
        return nullptr;
    Request::Setup setup;
    setup.verb = verb && *verb ? text(verb).toUtf8() : QByteArray("GET");
    setup.object = text(object).toUtf8();
    setup.version = text(version).toUtf8();
    if (referer)
        setup.referer = text(referer).toUtf8();
    for (const char16_t* const* type = acceptTypes; type && *type; ++type)
        setup.acceptTypes.append(text(*type).toUtf8());
    setup.flags = flags;
    DWORD error = 0;
    std::shared_ptr<Request> request = Request::open(std::move(connection), std::move(setup), &error);
    return request ? Handle::add(std::move(request)) : fail<HINTERNET>(error, nullptr);
}

BOOL HttpAddRequestHeadersW(HINTERNET request, const char16_t* headers, DWORD length, DWORD modifiers)
{
    const std::shared_ptr<Request> owner = lookup<Request>(request);
    if (!owner)
        return 0;
    if (!headers)
        return fail(ERROR_INVALID_PARAMETER, 0);
    const QString lines = length == DWORD(-1) ? text(headers) : QString::fromUtf16(headers, qsizetype(length));
    return succeed(owner->addHeaders(lines, modifiers));
}

BOOL HttpSendRequestW(HINTERNET request, const char16_t* headers, DWORD headersLength, const void*,
                      DWORD optionalLength)
{
    ClearResponseInfo();
    const std::shared_ptr<Request> owner = lookup<Request>(request);
    if (!owner)
        return 0;
    if (optionalLength)
        return fail(ERROR_INVALID_PARAMETER, 0);
    if (headers && !HttpAddRequestHeadersW(request, headers, headersLength,
                                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
        return 0;
    return succeed(owner->send());
}

BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, void* buffer, DWORD* bufferLength, DWORD*)
{
    const std::shared_ptr<Request> owner = lookup<Request>(request);
    return owner && succeed(owner->query(infoLevel, buffer, bufferLength));
}

BOOL InternetReadFile(HINTERNET request, void* buffer, DWORD bytesToRead, DWORD* bytesRead)
{
    // Every read of a body comes here, from every section at once.
    Request* owner = lookupForThread<Request>(request);
    return owner && succeed(owner->read(static_cast<char*>(buffer), bytesToRead, bytesRead));
}

BOOL InternetQueryOptionW(HINTERNET handle, DWORD option, void* buffer, DWORD* bufferLength)
{
    const std::shared_ptr<Handle> owner = lookup<Handle>(handle);
    return owner && succeed(owner->queryOption(option, buffer, bufferLength));
}

BOOL InternetSetOptionW(HINTERNET handle, DWORD option, const void* buffer, DWORD bufferLength)
{
    if (!handle && isConnectionLimit(option))
        return succeed(bufferLength == sizeof(DWORD) ? 0 : ERROR_INTERNET_BAD_OPTION_LENGTH);
    const std::shared_ptr<Handle> owner = lookup<Handle>(handle);
    return owner && succeed(owner->setOption(option, buffer, bufferLength));
}

BOOL InternetCloseHandle(HINTERNET handle)
{
    return Handle::remove(handle) ? 1 : fail(ERROR_INVALID_HANDLE, 0);
}

BOOL SetCancelEvent(HINTERNET request, ManualResetEvent* event)
{
    const std::shared_ptr<Request> owner = lookup<Request>(request);
    if (!owner)
        return 0;
    owner->setCancelEvent(event);
    return 1;
}

} // namespace inet

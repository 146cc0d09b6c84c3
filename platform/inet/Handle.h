#pragma once

#include "platform/inet/Inet.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace inet {

// Options that a connect or request handle inherits from its parent when it is
// created. Only the connect time-out and the receive time-out act:
// - connect retries: libcurl already tries every resolved address within the
//   connect time-out, and the engine retries whole attempts itself;
// - send time-out: a request of a few hundred bytes never blocks on sending, and
//   the wait for the answer is the receive time-out's;
// so both are stored and readable only. The process-wide connection limits
// (null handle) are accepted without effect: every request has its own connection.
struct HandleOptions
{
    DWORD connectTimeout = 60000;
    DWORD connectRetries = 5;
    DWORD sendTimeout = 30000;
    DWORD receiveTimeout = 30000; // idle limit; 0 and 0xFFFFFFFF mean none
    std::optional<QByteArray> proxyUserName;
    std::optional<QByteArray> proxyPassword;
};

// Base of the session, connect and request handles. HINTERNET values are the
// addresses of registered handles: an unregistered value is refused with
// ERROR_INVALID_HANDLE instead of being dereferenced.
class Handle
{
public:
    enum class Kind { Session, Connection, Request };

    virtual ~Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    Kind kind() const { return m_kind; }
    const HandleOptions& options() const { return m_options; }

    // 0 on success, else the error code to set.
    virtual DWORD setOption(DWORD option, const void* buffer, DWORD length);
    virtual DWORD queryOption(DWORD option, void* buffer, DWORD* length) const;

    static HINTERNET add(std::shared_ptr<Handle> handle);
    static std::shared_ptr<Handle> find(HINTERNET handle);
    // As find, for a thread that asks for the same handle again and again, as
    // every read of a body does: while no handle has been closed since, the
    // answer comes from the thread's own copy, without a lock or a count shared
    // with other threads. That copy keeps the handle alive until this thread
    // closes it or looks up another one, so a request is closed by the thread
    // that reads it.
    static Handle* findForThread(HINTERNET handle);
    static bool remove(HINTERNET handle);

protected:
    Handle(Kind kind, HandleOptions options) : m_kind(kind), m_options(std::move(options)) {}

    static DWORD queryValue(DWORD value, void* buffer, DWORD* length);

private:
    Kind m_kind;
    HandleOptions m_options;
};

} // namespace inet

#include "platform/inet/BodyReader.h"

#include "platform/inet/Request.h"

#include <new>

namespace inet {

BodyReader::BodyReader(HINTERNET request)
{
    std::shared_ptr<Handle> found = Handle::find(request);
    if (!found) {
        m_openError = ERROR_INVALID_HANDLE;
        return;
    }
    if (found->kind() != Request::kKind) {
        m_openError = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
        return;
    }
    m_request = std::static_pointer_cast<Request>(std::move(found));
    m_transfer = m_request->keepReads();
    if (!m_transfer)
        m_openError = ERROR_INTERNET_INCORRECT_HANDLE_STATE;
}

BodyReader::~BodyReader()
{
    if (m_transfer)
        m_transfer->endKeeping();
}

BOOL BodyReader::readFromRequest(DWORD size, DWORD* bytesRead)
{
    ++m_requestReads;
    *bytesRead = 0;
    const DWORD error = m_transfer ? m_request->readKept(size, bytesRead) : m_openError;
    if (error)
        SetLastError(error);
    return error == 0;
}

const char* BodyReader::kept() const
{
    return m_transfer ? m_transfer->kept() : nullptr;
}

bool BodyReader::renew(size_t capacity)
{
    if (!m_transfer)
        return true; // the next read tells why there is nothing to read
    try {
        m_transfer->renew(capacity);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool BodyReader::exchange(std::vector<char>& buffer)
{
    if (!m_transfer)
        return true;
    try {
        m_transfer->exchange(buffer);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}


} // namespace inet

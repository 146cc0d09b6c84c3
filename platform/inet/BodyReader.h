#pragma once

#include "platform/inet/Inet.h"
#include "platform/inet/Transfer.h"

#include <memory>
#include <vector>

namespace inet {

class Request;

// Not WinINet. The body of a sent request, for the one thread that reads it in
// many small reads: the request is looked up once, and a read of bytes that
// have come moves none of them. libcurl's data is copied once, into a buffer
// where the reads leave it, in order, so that the reader hands it on from there
// (to a file) in one piece.
class BodyReader
{
public:
    // Reads fail with the reason when the handle is not a request that was sent.
    explicit BodyReader(HINTERNET request);
    ~BodyReader();
    BodyReader(const BodyReader&) = delete;
    BodyReader& operator=(const BodyReader&) = delete;

    // As InternetReadFile of up to size bytes (TRUE with 0 bytes: the body
    // ended); the bytes join those kept. Fewer than size also when the buffer is
    // full; once every byte of a full buffer is read, FALSE with
    // ERROR_INSUFFICIENT_BUFFER until it is renewed.
    BOOL read(DWORD size, DWORD* bytesRead)
    {
        // Bytes that have come already: nothing but counting. No response info
        // to clear: only a failed call sets it, and these bytes came by calls
        // that succeeded.
        if (m_transfer && m_transfer->buffered() >= qsizetype(size)) {
            *bytesRead = DWORD(m_transfer->keep(qsizetype(size)));
            return 1;
        }
        return readFromRequest(size, bytesRead);
    }
    // The bytes read since the buffer was last renewed.
    const char* kept() const;
    // Drops the kept bytes, with room for at least capacity bytes; false without memory.
    bool renew(size_t capacity);
    // Hands the kept bytes over in buffer, whose room the reader takes instead
    // (so that they can be written while reads go on); false without memory.
    bool exchange(std::vector<char>& buffer);
    // Changes each time a read may have waited for the network; the reads in
    // between took bytes that had already come.
    uint64_t batch() const { return m_requestReads; }

private:
    BOOL readFromRequest(DWORD size, DWORD* bytesRead);

    std::shared_ptr<Request> m_request;
    Transfer* m_transfer = nullptr;
    DWORD m_openError = 0;
    uint64_t m_requestReads = 0;
};

} // namespace inet

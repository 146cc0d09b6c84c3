#pragma once

#include "platform/inet/HeaderBlock.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace inet {

// One hop of a request: a libcurl easy handle, the header blocks of its answer
// and a bounded buffer of body bytes that the reader pulls from. Only the thread
// that drives the request touches it.
class Transfer
{
public:
    using Clock = std::chrono::steady_clock;

    // With credentials a 401 (server) or 407 (proxy) block is only tentative:
    // libcurl may answer the challenge and send the request again. A bodyless
    // request (HEAD) gets answers whose codings describe a body never sent.
    Transfer(bool serverCredentials, bool proxyCredentials, bool bodyless);
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    CURL* easy() const { return m_easy; }
    const char* errorText() const { return m_errorText; }

    // The final block is known: status line and headers, body not yet read.
    bool headersDone() const { return m_headersDone; }
    const HeaderBlock& headers() const { return m_block; }
    // The transfer ended without a final block (a HEAD, an empty body): the last one counts.
    bool takeLastBlock();
    // The proxy refused the tunnel: its answer is the final one, with an empty body.
    void takeConnectAnswer(int status);

    // A block named a transfer coding other than chunked: the transfer was
    // ended at its headers, before libcurl decoded a byte of the body.
    bool refusedCoding() const { return m_refusedCoding; }

    bool ended() const { return m_ended; }
    CURLcode result() const { return m_result; }
    void finish(CURLcode result);

    qsizetype buffered() const { return qsizetype(m_body.size() - m_bodyBegin); }
    qsizetype take(char* out, qsizetype size);
    // Lets libcurl deliver again when the buffer has room for a read of that size.
    void resume(qsizetype pendingRead);

    // Kept reads: bytes read stay in the buffer, in order, until the buffer is
    // renewed, so that the reader uses them where libcurl's data was copied to.
    // The buffer never moves while it holds kept bytes: a chunk that does not
    // fit pauses libcurl until the reader renews it.
    void keepReads();
    // Back to reads that take their bytes out of the buffer.
    void endKeeping();
    qsizetype keep(qsizetype size)
    {
        const qsizetype count = std::min(size, buffered());
        m_bodyBegin += size_t(count);
        return count;
    }
    const char* kept() const { return m_body.data(); }
    // Every byte is read and libcurl waits for room.
    bool exhausted() const { return m_keep && m_paused && buffered() == 0; }
    // Drops the kept bytes, keeping those not yet read, with room for capacity
    // bytes; throws bad_alloc.
    void renew(size_t capacity);
    // Hands the kept bytes over in buffer, whose room takes the buffer's place
    // with the bytes not yet read; throws bad_alloc when they do not fit it.
    void exchange(std::vector<char>& buffer);
    // A read can be answered: that many bytes are there, or no more fit.
    bool canServe(qsizetype wanted) const { return buffered() >= wanted || (m_keep && m_paused); }

    // The request has been handed to a connection; from then on the idle limit counts.
    bool connected() const { return m_connected; }
    Clock::time_point lastActivity() const { return m_lastActivity; }

private:
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static int onConnected(void* self, char*, char*, int, int);

    void headerLine(QByteArray line);
    qsizetype pauseMark() const;
    void deliverAgain();

    CURL* m_easy = nullptr;
    char m_errorText[CURL_ERROR_SIZE] = {};
    bool m_serverCredentials;
    bool m_proxyCredentials;
    bool m_bodyless;

    HeaderBlock m_block;
    bool m_blockOpen = false;     // a status line has come, its empty line not yet
    bool m_haveBlock = false;     // some complete block has come
    bool m_headersDone = false;
    bool m_refusedCoding = false;

    std::vector<char> m_body;
    size_t m_bodyBegin = 0;
    qsizetype m_pendingRead = 0;
    bool m_paused = false;
    bool m_keep = false;

    bool m_ended = false;
    CURLcode m_result = CURLE_OK;
    bool m_connected = false;
    Clock::time_point m_lastActivity = Clock::now();
};

} // namespace inet

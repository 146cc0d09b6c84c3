#include "platform/inet/Transfer.h"

#include <algorithm>
#include <cstring>

namespace inet {

namespace {

// Body bytes held before libcurl is paused. A paused chunk is delivered again
// whole (up to kReceiveSize), so the buffer accepts any chunk while it is below the mark.
constexpr qsizetype kHighWater = 256 * 1024;
// What libcurl receives with one call: larger than its default of 16 KiB, so
// that a fast body costs fewer system calls (each receive also polls the socket).
constexpr long kReceiveSize = 64 * 1024;

} // namespace

Transfer::Transfer(bool serverCredentials, bool proxyCredentials, bool bodyless)
    : m_easy(curl_easy_init())
    , m_serverCredentials(serverCredentials)
    , m_proxyCredentials(proxyCredentials)
    , m_bodyless(bodyless)
{
    if (!m_easy)
        return;
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, kReceiveSize);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorText);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_PREREQFUNCTION, &Transfer::onConnected);
    curl_easy_setopt(m_easy, CURLOPT_PREREQDATA, this);
}

Transfer::~Transfer()
{
    if (m_easy)
        curl_easy_cleanup(m_easy);
}

bool Transfer::takeLastBlock()
{
    if (m_haveBlock)
        m_headersDone = true;
    return m_headersDone;
}

void Transfer::takeConnectAnswer(int status)
{
    if (m_block.status() != status)
        m_block = HeaderBlock(status);
    m_headersDone = true;
    m_result = CURLE_OK; // as far as the caller is concerned the answer is complete

}

void Transfer::finish(CURLcode result)
{
    m_ended = true;
    m_result = result;
}

qsizetype Transfer::take(char* out, qsizetype size)
{
    const qsizetype count = std::min(size, buffered());
    if (count == 0)
        return 0;
    std::memcpy(out, m_body.data() + m_bodyBegin, size_t(count));
    m_bodyBegin += size_t(count);
    if (m_bodyBegin == m_body.size()) {
        m_body.clear();
        m_bodyBegin = 0;
    }
    return count;
}

void Transfer::keepReads()
{
    m_body.erase(m_body.begin(), m_body.begin() + qsizetype(m_bodyBegin));
    m_bodyBegin = 0;
    m_keep = true;
}

void Transfer::endKeeping()
{
    m_keep = false;
    resume(m_pendingRead);
}

void Transfer::renew(size_t capacity)
{
    // Unread bytes are few unless the reader renews early (each whole second).
    m_body.erase(m_body.begin(), m_body.begin() + qsizetype(m_bodyBegin));
    m_bodyBegin = 0;
    m_body.reserve(capacity);
    deliverAgain();
}

void Transfer::exchange(std::vector<char>& buffer)
{
    buffer.assign(m_body.begin() + qsizetype(m_bodyBegin), m_body.end());
    m_body.resize(m_bodyBegin);
    m_body.swap(buffer);
    m_bodyBegin = 0;
    deliverAgain();
}

void Transfer::deliverAgain()
{
    if (m_paused) {
        m_paused = false;
        // May deliver the held chunk before it returns.
        curl_easy_pause(m_easy, CURLPAUSE_CONT);
    }
}

qsizetype Transfer::pauseMark() const
{
    // Must cover the read that waits, or libcurl would be paused again at once, forever.
    return std::max(kHighWater, m_pendingRead);
}

void Transfer::resume(qsizetype pendingRead)
{
    m_pendingRead = pendingRead;
    if (m_paused && !m_keep && buffered() < pauseMark()) {
        m_paused = false;
        // May deliver the held chunk before it returns.
        curl_easy_pause(m_easy, CURLPAUSE_CONT);
    }
}

size_t Transfer::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* transfer = static_cast<Transfer*>(self);
    QByteArray line(data, qsizetype(size * count));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    transfer->headerLine(line);
    // Any other count ends the transfer.
    return transfer->m_refusedCoding ? 0 : size * count;
}

void Transfer::headerLine(QByteArray line)
{
    m_lastActivity = Clock::now();
    if (m_headersDone)
        return; // trailers of a chunked body
    if (line.startsWith("HTTP/")) {
        m_block = HeaderBlock::fromStatusLine(line);
        m_blockOpen = true;
        return;
    }
    if (!m_blockOpen)
        return;
    if (!line.isEmpty()) {
        m_block.addLine(line);
        return;
    }
    m_blockOpen = false;
    const int status = m_block.status();
    if (status >= 100 && status < 200) {
        m_block = HeaderBlock();
        m_haveBlock = false;
        return;
    }
    // libcurl would undo any transfer coding it knows, asked or not, and a
    // small compressed body can decode to gigabytes: nothing asked for one.
    const bool hasBody = !m_bodyless && status != 204 && status != 304;
    if (hasBody && !m_block.codedOnlyInChunks()) {
        m_refusedCoding = true;
        return;
    }
    m_haveBlock = true;
    const bool tentative = (status == 401 && m_serverCredentials) || (status == 407 && m_proxyCredentials);
    m_headersDone = !tentative;
}

size_t Transfer::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* transfer = static_cast<Transfer*>(self);
    const size_t bytes = size * count;
    // Body after a tentative block means libcurl gave up answering the challenge.
    if (transfer->m_haveBlock)
        transfer->m_headersDone = true;
    std::vector<char>& body = transfer->m_body;
    // A kept buffer grows only while empty, for a chunk larger than all of it.
    const bool full = transfer->m_keep ? !body.empty() && body.size() + bytes > body.capacity()
                                       : transfer->buffered() >= transfer->pauseMark();
    if (full) {
        transfer->m_paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (!transfer->m_keep && transfer->m_bodyBegin > 0 && body.size() + bytes > body.capacity()) {
        body.erase(body.begin(), body.begin() + qsizetype(transfer->m_bodyBegin));
        transfer->m_bodyBegin = 0;
    }
    body.insert(body.end(), data, data + bytes);
    transfer->m_lastActivity = Clock::now();
    return bytes;
}

int Transfer::onConnected(void* self, char*, char*, int, int)
{
    auto* transfer = static_cast<Transfer*>(self);
    transfer->m_connected = true;
    transfer->m_lastActivity = Clock::now();
    return CURL_PREREQFUNC_OK;
}

} // namespace inet

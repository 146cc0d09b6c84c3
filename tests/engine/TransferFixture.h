#pragma once

#include "RunFixture.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace transfer {

using Request = FaultServer::Request;
using Script = FaultServer::Script;

constexpr qsizetype kSize = 4096;
constexpr qsizetype kHalf = kSize / 2;
inline const QByteArray kResumable = "Accept-Ranges: bytes\r\n";
inline const QString kNotFoundText = u"传输失败。 状态代码：404 未找到"_qs;
inline const QString kChangedText = u"内容长度无效。 似乎资源已更改； 您必须重置下载。"_qs;
inline const QString kCutText = u"接收数据失败。 与服务器的连接已中断。 (12030)"_qs;
inline const QString kHtmlText = u"返回的 HTML 内容。"_qs;
inline const QByteArray kLastChunk = "0\r\n\r\n";
inline const QByteArray kChunkedHeader = "Transfer-Encoding: chunked\r\n";

inline QByteArray Chunked(const QByteArray& data)
{
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
}

} // namespace transfer

// Section answers from the fault server; unless a test says otherwise, a
// resumable file of 4096 bytes in two sections.
class TransferTest : public RunFixture
{
protected:
    using Request = transfer::Request;
    using Script = transfer::Script;
    using SectionAnswer = std::function<Script(const Request&, qsizetype first, qsizetype last)>;

    void SetUp() override
    {
        RunFixture::SetUp();
        set(&CAppSettingsBase::MaxSectionCountPerDownload, 2);
        set(&CAppSettingsBase::MinSectionSize, transfer::kHalf);
        set(&CAppSettingsBase::PauseBetweenAttempts, 100);
    }

    // The preparing request gets prepareHeaders and the body, with its length
    // unless that is to stay unknown; every later request goes to answer.
    std::unique_ptr<FaultServer> serve(SectionAnswer answer, QByteArray prepareHeaders = transfer::kResumable,
                                       bool lengthKnown = true)
    {
        return std::make_unique<FaultServer>([=, this](const Request& request) {
            qsizetype first = 0;
            qsizetype last = 0;
            if (m_prepared.exchange(true) == false) {
                if (lengthKnown)
                    return FaultServer::answer(200, prepareHeaders, m_body);
                return Script{FaultServer::send("HTTP/1.1 200 OK\r\n" + prepareHeaders + "\r\n" + m_body),
                              FaultServer::close()};
            }
            requestedRange(request, first, last);
            return answer(request, first, last);
        });
    }
    ItemPtr makeItemOn(const FaultServer& server)
    {
        return makeItem(server.url(u"/file.bin"_qs));
    }

public:
    Script part(qsizetype first, qsizetype last, const QByteArray& extraHeaders = {}) const
    {
        QByteArray answer = partialHeaders(first, last, m_body.size());
        answer.insert(answer.size() - 2, extraHeaders);
        return {FaultServer::send(answer + m_body.mid(first, last - first + 1))};
    }
    static std::vector<QByteArray> rangesOf(const FaultServer& server)
    {
        std::vector<QByteArray> ranges;
        for (const Request& request : server.requests())
            ranges.push_back(request.header("Range"));
        return ranges;
    }

    QByteArray m_body = pattern(transfer::kSize);
    std::atomic<bool> m_prepared{false};
};

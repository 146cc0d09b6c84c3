#include "engine/DownloadError.h"
#include "platform/SystemError.h"
#include "platform/inet/Inet.h"

#include <gtest/gtest.h>

#include <QSet>

#include <atomic>
#include <cerrno>
#include <functional>
#include <thread>
#include <vector>

namespace {

QString Utf8(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

TEST(DownloadError, TextFollowsTheSetters)
{
    struct Step
    {
        const char* name;
        std::function<void(CDownloadError&)> apply;
        QString text;
        int counter;
    };
    const QString noEntry = GetSystemErrorText(ENOENT);
    const QString timeout = inet::ErrorText(inet::ERROR_INTERNET_TIMEOUT);
    ASSERT_FALSE(noEntry.isEmpty());
    ASSERT_FALSE(timeout.isEmpty());
    const Step steps[] = {
        {"clear", [](CDownloadError& e) { e.Clear(); }, "", 0},
        {"detail text", [](CDownloadError& e) { e.SetError(TextId::TransferFailed, u"x"); }, Utf8("传输失败。 x"), 1},
        {"null detail", [](CDownloadError& e) { e.SetError(TextId::TransferFailed, nullptr); }, Utf8("传输失败。"), 2},
        {"detail id 0", [](CDownloadError& e) { e.SetError(TextId::TransferFailed, TextId::None); }, Utf8("传输失败。"), 3},
        {"detail id", [](CDownloadError& e) { e.SetError(TextId::BadContentLength, TextId::ResourceChanged); },
         Utf8("内容长度无效。 似乎资源已更改； 您必须重置下载。"), 4},
        {"system", [](CDownloadError& e) { e.SetSystemError(TextId::OpenFileFailed, ENOENT); },
         Utf8("打开文件失败。 ") + noEntry + " (2)", 5},
        {"internet", [](CDownloadError& e) { e.SetInternetError(TextId::ReceiveFailed, inet::ERROR_INTERNET_TIMEOUT); },
         Utf8("接收数据失败。 ") + timeout + " (12002)", 6},
        // The id stays from the last system or internet setter until a clear.
        {"keeps the id", [](CDownloadError& e) { e.SetError(TextId::TransferFailed, u"x"); }, Utf8("传输失败。 x (12002)"), 7},
        {"unknown ids", [](CDownloadError& e) { e.SetError(TextId(9999), TextId(9998)); }, " (12002)", 8},
        {"clear again", [](CDownloadError& e) { e.Clear(); }, "", 0},
    };
    CDownloadError error;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.apply(error);
        const QString text = error.GetText();
        EXPECT_EQ(text, step.text);
        EXPECT_FALSE(text.contains(u'\r') || text.contains(u'\n'));
        EXPECT_EQ(error.m_nErrorCounter, step.counter);
    }
    EXPECT_EQ(error.GetErrorId(), 0u);
}

TEST(DownloadError, ExtendedErrorShowsAShortResponseText)
{
    CDownloadError error;
    const QString shortText(100, u'r');
    inet::SetThreadResponseInfoForTest(shortText);
    error.SetInternetError(TextId::ReceiveFailed, inet::ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(error.GetText(), Utf8("接收数据失败。 ") + shortText + " (12003)");

    inet::SetThreadResponseInfoForTest(QString(600, u'a'));
    error.SetInternetError(TextId::ReceiveFailed, inet::ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(error.GetText(), Utf8("接收数据失败。 (12003)"));
    inet::SetThreadResponseInfoForTest(QString());
}

// Sections set their errors while the user interface reads the text: no race,
// and a text never pairs one error's message with another error's number.
TEST(DownloadError, ConcurrentSettersAndReader)
{
    const QString diskFull = Utf8("将文件写入磁盘失败。 ") + GetSystemErrorText(ENOSPC) + u" (%1)"_qs.arg(ENOSPC);
    const QString cut = Utf8("接收数据失败。 ") + inet::ErrorText(inet::ERROR_INTERNET_CONNECTION_ABORTED)
        + u" (12030)"_qs;
    const QSet<QString> wellFormed{QString(), diskFull, cut};

    CDownloadError error;
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int i = 0; i < 8; ++i) {
        writers.emplace_back([&, i] {
            for (int round = 0; round < 100000 && !stop; ++round) {
                if (i == 0)
                    error.Clear();
                else if (i % 2)
                    error.SetSystemError(TextId::WriteFailed, ENOSPC);
                else
                    error.SetInternetError(TextId::ReceiveFailed, inet::ERROR_INTERNET_CONNECTION_ABORTED);
            }
        });
    }
    int malformed = 0;
    for (int i = 0; i < 100000; ++i) {
        if (!wellFormed.contains(error.GetText()))
            ++malformed;
    }
    stop = true;
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(malformed, 0);
    EXPECT_GE(error.m_nErrorCounter, 0);
}

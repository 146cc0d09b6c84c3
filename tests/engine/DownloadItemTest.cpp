#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"

#include <gtest/gtest.h>

TEST(DownloadItem, StatusTextNamesTheState)
{
    const char* const texts[kDownloadStateCount] = {
        "新建", "正在获取信息...", "已失败", "新建", "文件分配...", "已失败", "文件已分配", "正在传输...",
        "已失败", "已传输", "正在暂停...", "已暂停", "已完成...", "已失败", "已完成",
    };
    CDownloadItem item;
    item.m_pDownloader = new CHttpDownloader(u"http://h/a", u"/a", &item);
    for (int32_t state = 0; state < kDownloadStateCount; ++state) {
        SCOPED_TRACE(state);
        item.m_pDownloader->m_nState = state;
        QString text = "x";
        item.GetStatusText(text);
        EXPECT_EQ(text, QString::fromUtf8(texts[state]));
    }
}

TEST(DownloadItem, StatusTextMarksQueuedAndScheduled)
{
    struct Case
    {
        bool withDownload;
        int32_t state;
        int32_t queued;
        int32_t scheduled;
        const char* text;
    };
    const Case cases[] = {
        {true, Paused, 1, 1, "已暂停 (排队, 计划任务)"},
        {true, Paused, 0, 1, "已暂停 (计划任务)"},
        {true, Transferring, 1, 0, "正在传输... (排队)"},
        {true, Paused, 0, 0, "已暂停"},
        {false, 0, 1, 0, "x (排队)"},
        {false, 0, 0, 0, "x"},
        // An unknown state leaves the caller's text.
        {true, kDownloadStateCount, 0, 0, "x"},
        {true, -1, 0, 1, "x (计划任务)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CDownloadItem item;
        if (c.withDownload) {
            item.m_pDownloader = new CHttpDownloader(u"http://h/a", u"/a", &item);
            item.m_pDownloader->m_nState = c.state;
        }
        item.SetQueued(c.queued);
        item.SetScheduled(c.scheduled);
        QString text = "x";
        item.GetStatusText(text);
        EXPECT_EQ(text, QString::fromUtf8(c.text));
    }
}

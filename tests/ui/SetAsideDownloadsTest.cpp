#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/SetAsideDownloads.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace {

// Set aside for good, as the exit does: never destroyed.
CHttpDownloader& SetAside(bool running)
{
    auto* item = new CDownloadItem;
    item->m_pDownloader = new CHttpDownloader(u"http://127.0.0.1:9/x", TestEnvironment::root(), item);
    item->m_pDownloader->m_bIsRunning = running ? 1 : 0;
    CSetAsideDownloads::Add(item);
    return *item->m_pDownloader;
}

bool HeldElsewhere(std::mutex& mutex)
{
    return std::async(std::launch::async, [&mutex] {
        if (!mutex.try_lock())
            return true;
        mutex.unlock();
        return false;
    }).get();
}

} // namespace

TEST(SetAsideDownloads, TheStubLocksOfTheRunningDownloadsAreTakenOnceTheirWritesEnd)
{
    CHttpDownloader& writing = SetAside(true);
    CHttpDownloader& idle = SetAside(true);
    CHttpDownloader& ended = SetAside(false);
    std::promise<void> locked;
    std::thread worker([&] {
        std::lock_guard stub(writing.m_csStub); // a stub write under way
        locked.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    locked.get_future().wait();
    CSetAsideDownloads::LockRunningStubs(std::chrono::seconds(2), std::chrono::seconds(5));
    worker.join();
    EXPECT_TRUE(HeldElsewhere(writing.m_csStub));
    EXPECT_TRUE(HeldElsewhere(idle.m_csStub));
    EXPECT_FALSE(HeldElsewhere(ended.m_csStub)) << "a download that ended writes no stub";
}

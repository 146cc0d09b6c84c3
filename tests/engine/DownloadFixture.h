#pragma once

#include "app/VandrelCore.h"
#include "engine/HttpDownloader.h"
#include "platform/inet/Inet.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QString>

#include <memory>
#include <thread>
#include <utility>

// The engine reads the live settings, so every test starts and ends with the
// factory defaults, and no certificate authority of another test stays trusted.
class DownloadFixture : public testing::Test
{
protected:
    void SetUp() override { settings() = DefaultSettings(); }
    void TearDown() override
    {
        settings() = DefaultSettings();
        inet::SetTestCaFile({});
    }

    static CAppSettings& settings() { return AppCore().m_settings; }
    static void set(int32_t CAppSettingsBase::*field, int32_t value) { SettingStore(settings().*field, value); }
    static void set(uint16_t CAppSettingsBase::*field, uint16_t value) { SettingStore(settings().*field, value); }
    static void set(QString CAppSettingsBase::*field, const QString& value) { settings().SetString(field, value); }

    // The engine's steps run on a worker thread in the program, so the network
    // tests run their bodies on one too. That also keeps their synchronisation
    // off the main thread, whose ThreadSanitizer state is unreliable once the
    // nginx fixture has started its process from it.
    template <typename Body>
    static void onWorker(Body&& body)
    {
        std::thread(std::forward<Body>(body)).join();
    }

    // A download of url into a folder of the test's temporary root.
    static std::unique_ptr<CHttpDownloader> makeDownload(const QString& url, int32_t accessType = Preconfig)
    {
        auto download = std::make_unique<CHttpDownloader>(url, TestEnvironment::root() + u"/dl"_qs, nullptr);
        download->m_nAccessType = accessType;
        return download;
    }
    // The same with its session open.
    static std::unique_ptr<CHttpDownloader> openDownload(const QString& url, int32_t accessType = Preconfig)
    {
        auto download = makeDownload(url, accessType);
        EXPECT_EQ(download->OpenSession(), StepOk) << download->m_pError->GetText().toStdString();
        return download;
    }
};

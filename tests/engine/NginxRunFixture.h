#pragma once

#include "RunFixture.h"
#include "support/NginxServer.h"

#include <functional>

// A run fixture whose suite shares one nginx, set up by the suite before it starts.
class NginxRunFixture : public RunFixture
{
protected:
    static void StartNginx(const std::function<void(NginxServer&)>& configure)
    {
        s_nginx = new NginxServer;
        configure(*s_nginx);
        s_started = s_nginx->start();
    }
    static void TearDownTestSuite()
    {
        delete s_nginx;
        s_nginx = nullptr;
    }
    void SetUp() override
    {
        RunFixture::SetUp();
        ASSERT_TRUE(s_started) << s_nginx->errorText().toStdString();
    }

    static inline NginxServer* s_nginx = nullptr;
    static inline bool s_started = false;
};

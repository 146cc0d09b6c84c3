#pragma once

#include "app/AppSettings.h"
#include "app/History.h"

#include <mutex>

// What the application object shares with the engine and every window: the
// live settings, both histories and the data-usage lock. It lives for the whole
// process, so worker threads that outlast the windows never see it destroyed.
class CVandrelCore
{
public:
    CAppSettings m_settings;
    CHistory m_urlsHistory;
    CHistory m_downloadLocationsHistory;
    std::mutex m_csDataUsage; // guards m_settings.DataUsage

    // Adds received bytes to the data-usage counter.
    void AddDataUsage(uint64_t bytes);
};

// Never destroyed: detached workers may still use it while the process ends.
CVandrelCore& AppCore();

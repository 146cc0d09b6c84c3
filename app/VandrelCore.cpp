#include "app/VandrelCore.h"

void CVandrelCore::AddDataUsage(uint64_t bytes)
{
    std::lock_guard lock(m_csDataUsage);
    m_settings.DataUsage += bytes;
}

CVandrelCore& AppCore()
{
    static CVandrelCore* core = new CVandrelCore;
    return *core;
}

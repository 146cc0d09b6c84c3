#pragma once

// Sleep, hibernation and power-off. Production asks systemd-logind; tests use a
// recording fake and must never reach the real system bus.
class IPowerActions
{
public:
    virtual ~IPowerActions() = default;

    virtual bool Suspend() = 0;
    virtual bool Hibernate() = 0;
    virtual bool PowerOff() = 0;
};

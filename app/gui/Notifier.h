#pragma once

#include <QString>

#include <cstdint>

// Balloon icon kinds.
inline constexpr uint32_t NIIF_NONE = 0;
inline constexpr uint32_t NIIF_INFO = 1;
inline constexpr uint32_t NIIF_WARNING = 2;
inline constexpr uint32_t NIIF_ERROR = 3;

// Balloon notifications: the tray's balloons where a tray exists, else the
// desktop's notification service. Tests use a recording fake.
class INotifier
{
public:
    virtual ~INotifier() = default;

    virtual bool ShowBalloon(const QString& title, const QString& text, uint32_t infoFlags, uint32_t timeoutMs) = 0;
};

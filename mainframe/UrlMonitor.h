#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class CAppSettingsBase;

// The clipboard URL monitor's rules: which copied texts open the add dialog.
class CUrlMonitor
{
public:
    // The text to open the add dialog with, or nothing. With shiftHeld and
    // URLMonitorAddIfShiftKeyPressed any text is taken as it is. Otherwise the
    // text, trimmed of white space, must be an http or https URL whose file
    // name's extension occurs anywhere in URLMonitorFileExtensions (case
    // ignored: "ip" is inside "ZIP"); a name without an extension, or no name,
    // is taken only with URLMonitorAddUndetectedType. The trimmed text is handed on.
    static std::optional<QString> TextToTake(const CAppSettingsBase& settings, const QString& text, bool shiftHeld);

    // True for the text last taken, taken again within 500 ms: a clipboard
    // manager that takes over each copy announces it a second time. Anything
    // else is recorded as the last taken text.
    bool IsEcho(const QString& text);

private:
    std::optional<QString> m_lastTaken;
    int64_t m_nLastTakenNs = 0; // steady clock
};

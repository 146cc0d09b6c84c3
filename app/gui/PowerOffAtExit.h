#pragma once

// A power-off that the all-done action asked for. It is carried out as the last
// step of the process, after the exit sequence and the saves, so that the
// session's end cannot cut the autosave short.
class CPowerOffAtExit
{
public:
    static void Request();
    // Asks the power device to switch off, once, when it was requested; main
    // calls this after the exit's saves, whether they succeeded or not.
    static void RunIfRequested();
};

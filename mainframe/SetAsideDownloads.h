#pragma once

#include <chrono>

class CDownloadItem;

// The rows whose download still ran when the main window was destroyed. They
// and their downloads stay allocated until the process ends, so that their
// workers never touch freed memory.
class CSetAsideDownloads
{
public:
    static void Add(CDownloadItem* item); // user-interface thread
    static int Count();

    // Takes the stub lock of every set-aside download that still runs, waiting
    // at most perDownload for one and total for all, and keeps them: the process
    // may then end without leaving a stub half written.
    static void LockRunningStubs(std::chrono::milliseconds perDownload, std::chrono::milliseconds total);
};

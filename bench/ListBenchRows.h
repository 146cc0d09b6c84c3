#pragma once

#include <QString>

class CDownloadsView;

// The rows of the list benchmark: mixed states, Chinese and long texts, every
// row unique, written through the program's own list writer; and the few rows
// made to look as if they ran, so that a refresh tick has work to do.
class CListBenchRows
{
public:
    static constexpr int kRunningRows = 8;   // transferring, with a known size
    static constexpr int kPreparingRows = 4; // the moving block

    static bool Write(const QString& path, int rows);
    // Gives the loaded rows the states a stored list cannot keep (paused with
    // progress, failed with an error) and makes the top rows run, without a
    // worker behind them.
    static void MakeLive(CDownloadsView& view);
    // The rows that run are paused again.
    static void StopLive(CDownloadsView& view);
};

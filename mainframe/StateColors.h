#pragma once

#include <cstdint>

// The colours of a DownloadState, as 0x00BBGGRR values: its status text and its
// progress bar. A value outside the fifteen states gives 0 (black).
uint32_t GetStateTextColor(int32_t state);
uint32_t GetStateProgressColor(int32_t state);

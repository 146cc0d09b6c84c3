#pragma once

#include <QString>

#include <cstdint>

class CHttpDownloader;

// Figures of a download that the list and the properties dialog both show.

// Bytes of the download on disk: a transferred file holds its size, or, when
// the server never told the size, what its sections received.
uint64_t DownloadedBytes(const CHttpDownloader& download, int32_t state);
// 100-ns units: the earlier runs plus, while a worker runs, the current one. A
// clock set back during the run adds nothing rather than wrapping around.
uint64_t ElapsedTicks(const CHttpDownloader& download, int32_t state);
// "h:mm:ss" of 100-ns units, with whole hours (never reduced to days).
QString FormatDuration(uint64_t ticks);

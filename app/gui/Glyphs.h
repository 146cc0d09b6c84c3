#pragma once

class QPainter;

// The pictures the menu bitmaps, the tool-bar strips and the small icons are
// made of. Each is drawn in a 16 x 16 box; scale the painter for larger images.
enum class Glyph
{
    Add,
    Start,
    Pause,
    Delete,
    StartAll,
    PauseAll,
    RemoveCompleted,
    Checksum,
    Properties,
    ScheduleAdd,
    ScheduleRemove,
    ScheduleToggle,
    CopyUrl,
    OpenInBrowser,
    OpenLocation,
    OpenFile,
    MoveUp,
    MoveDown,
    MoveToTop,
    MoveToBottom,
    Scheduler,
    DataUsage,
    Options,
    ExportList,
    ImportList,
    ImportUnfinished,
    UrlMonitor,
    History,
    Downloading,
    Queued,
    AfterCompletion,
    Calendar,
};

void PaintGlyph(QPainter& painter, Glyph glyph);

// The speed drop-down's picture: a gauge whose needle shows the speed mode,
// 0 (unlimited) to 3 (low).
void PaintSpeedGlyph(QPainter& painter, int mode);
// The concurrency drop-down's picture: the limit as a digit in a box.
void PaintCountGlyph(QPainter& painter, int count);

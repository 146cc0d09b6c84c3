#include "mainframe/MenuImages.h"

#include "app/gui/AppBitmaps.h"
#include "mainframe/CommandIds.h"

#include <QHash>
#include <QPixmap>

namespace {

struct MenuImage
{
    int command;
    int bitmap;
};

constexpr MenuImage kMenuImages[] = {
    {ID_FILE_EXPORT_ALL, 399},
    {ID_FILE_IMPORT, 400},
    {ID_FILE_IMPORT_UNFINISHED, 395},
    {ID_DOWNLOAD_ADD, 344},
    {ID_DOWNLOAD_START, 328},
    {ID_DOWNLOAD_PAUSE, 326},
    {ID_DOWNLOAD_DELETE, 343},
    {ID_DOWNLOAD_CHECKSUM, 437},
    {ID_DOWNLOAD_PROPERTIES, 370},
    {ID_SCHEDULE_ADD, 409},
    {ID_SCHEDULE_REMOVE, 410},
    {ID_DOWNLOAD_COPY_URL, 345},
    {ID_DOWNLOAD_OPEN_IN_BROWSER, 433},
    {ID_DOWNLOAD_OPEN_LOCATION, 346},
    {ID_DOWNLOAD_OPEN_FILE, 432},
    {ID_MOVE_UP, 404},
    {ID_MOVE_DOWN, 401},
    {ID_MOVE_TO_TOP, 403},
    {ID_MOVE_TO_BOTTOM, 402},
    {ID_START_ALL, 351},
    {ID_PAUSE_ALL, 349},
    {ID_REMOVE_COMPLETED, 350},
    {ID_SCHEDULER, 406},
    {ID_DATA_USAGE, 442},
    {ID_OPTIONS, 347},
};

QIcon MakeIcon(int command)
{
    for (const MenuImage& image : kMenuImages) {
        if (image.command != command)
            continue;
        const QPixmap normal = AppBitmap(image.bitmap);
        if (normal.isNull())
            return {};
        QIcon icon(normal);
        // Our own gray copy, not the style's generated one.
        icon.addPixmap(QPixmap::fromImage(CreateGrayscaleBitmap(normal.toImage())), QIcon::Disabled);
        return icon;
    }
    return {};
}

} // namespace

QImage CreateGrayscaleBitmap(const QImage& image)
{
    QImage gray = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < gray.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(gray.scanLine(y));
        for (int x = 0; x < gray.width(); ++x) {
            const QRgb pixel = line[x];
            const int value = int(0.3 * qRed(pixel) + 0.59 * qGreen(pixel) + 0.11 * qBlue(pixel));
            line[x] = qRgba(value, value, value, qAlpha(pixel));
        }
    }
    return gray;
}

QIcon CommandMenuIcon(int command)
{
    static QHash<int, QIcon> cache;
    auto found = cache.find(command);
    if (found == cache.end())
        found = cache.insert(command, MakeIcon(command));
    return *found;
}

#include "UiFixture.h"

#include "app/gui/AppIcons.h"
#include "mainframe/MainFrame.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <algorithm>

namespace {

using AppIconsTest = UiFixture;

const QList<int> kSizes = {16, 22, 24, 32, 48, 64, 128, 256};

// The icon's square image sizes, smallest first; a non-square one counts as 0.
QList<int> SquareSizes(const QIcon& icon)
{
    QList<int> sizes;
    for (const QSize& size : icon.availableSizes())
        sizes << (size.width() == size.height() ? size.width() : 0);
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

QImage Image(const QIcon& icon, int size)
{
    return icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

int PaintedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    }
    return count;
}

// Pixels neither clear nor opaque: the soft rim of the art's edges. Drawn at
// its size the rim stays about a pixel wide; a blown-up small image widens it.
int RimPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            count += alpha > 0 && alpha < 255;
        }
    }
    return count;
}

} // namespace

TEST_F(AppIconsTest, TheWindowTheTrayAndEveryDrawnIconComeAtEverySize)
{
    auto* frame = new CMainFrame;
    frame->Create();
    EXPECT_EQ(SquareSizes(frame->windowIcon()), kSizes);
    delete frame;
    ASSERT_EQ(tray.icons, QList<int>{IDR_MAINFRAME});

    // The tray's plain icon and its animation, then the dialogs' and the panes' icons.
    QList<int> ids = tray.icons;
    for (int frameIndex = 0; frameIndex < kTrayFrameCount; ++frameIndex)
        ids << IDI_TRAY_FIRST_FRAME + frameIndex;
    ids << QList<int>{IDI_PANE_IDLE, IDI_PANE_QUEUED, IDI_PANE_RUNNING, IDI_PANE_ALL_DONE,
                      IDI_PANE_SCHEDULER, IDI_HISTORY, IDI_CHECKSUM, IDI_DATA_USAGE, IDI_ADD_DOWNLOAD,
                      IDI_DOWNLOAD_ADDRESS, IDI_DOWNLOAD_PROPERTIES, IDI_CONNECTION_TYPE, IDI_AUTHORIZATION};
    for (const int id : ids) {
        EXPECT_EQ(SquareSizes(AppIcon(id)), kSizes) << id;
        EXPECT_GT(PaintedPixels(Image(AppIcon(id), 256)), 0) << id << " is blank at the largest size";
    }
    EXPECT_TRUE(AppIcon(IDI_TRAY_FIRST_FRAME + kTrayFrameCount).isNull());
}

TEST_F(AppIconsTest, LargeImagesAreDrawnAtTheirSizeNotBlownUpFromSmallOnes)
{
    for (const int id : {IDR_MAINFRAME, IDI_TRAY_FIRST_FRAME + 6, IDI_PANE_RUNNING}) {
        const QIcon icon = AppIcon(id);
        const QImage large = Image(icon, 256);
        ASSERT_EQ(large.size(), QSize(256, 256)) << id;
        const QImage small = Image(icon, 32);
        for (const Qt::TransformationMode mode : {Qt::FastTransformation, Qt::SmoothTransformation}) {
            const QImage blownUp = small.scaled(256, 256, Qt::IgnoreAspectRatio, mode);
            EXPECT_LT(RimPixels(large) * 3, RimPixels(blownUp)) << id << " mode " << mode;
        }
    }
}

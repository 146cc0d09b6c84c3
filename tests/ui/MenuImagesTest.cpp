#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "app/gui/UIFont.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/MainFrame.h"
#include "mainframe/MenuImages.h"
#include "mainframe/MenuStyle.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace {

const int kImageCommands[] = {32788, 32790, 32791, 32782, 32784, 32785, 32792, 32951, 32783,
                              32931, 32932, 32798, 32949, 32799, 32948, 32913, 32914, 32915,
                              32916, 32800, 32801, 32802, 32929, 32953, 32848};

int Gray(QRgb pixel)
{
    return int(0.3 * qRed(pixel) + 0.59 * qGreen(pixel) + 0.11 * qBlue(pixel));
}

QImage Straight(const QIcon& icon, QIcon::Mode mode)
{
    return icon.pixmap(16, 16, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

class MenuImagesTest : public UiFixture
{
protected:
    ~MenuImagesTest() override { delete frame; }

    // Every menu action of the frame (menu bar, submenus, context and tray menus) with that id.
    QList<QAction*> MenuActions(int command) const
    {
        QList<QAction*> found;
        for (const QMenu* menu : frame->findChildren<QMenu*>()) {
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator() && !action->menu() && action->data().toInt() == command)
                    found << action;
            }
        }
        return found;
    }

    QPointer<CMainFrame> frame;
};

} // namespace

TEST_F(MenuImagesTest, TheGrayCopyKeepsAlphaAndTruncatesTheWeightedSum)
{
    const struct
    {
        QRgb in;
        QRgb out;
    } cases[] = {
        {qRgba(100, 150, 200, 255), qRgba(140, 140, 140, 255)},
        {qRgba(100, 150, 200, 128), qRgba(140, 140, 140, 128)},
        {qRgba(10, 10, 10, 255), qRgba(9, 9, 9, 255)}, // 9.999... truncates
        {qRgba(0, 0, 0, 255), qRgba(0, 0, 0, 255)},
    };
    for (const auto& test : cases) {
        QImage image(1, 1, QImage::Format_ARGB32);
        image.setPixel(0, 0, test.in);
        const QImage gray = CreateGrayscaleBitmap(image);
        EXPECT_EQ(gray.format(), QImage::Format_ARGB32);
        EXPECT_EQ(gray.pixel(0, 0), test.out) << std::hex << test.in;
    }
}

TEST_F(MenuImagesTest, EveryPlacementOfAnImageCommandHasItsImageAndItsGrayCopy)
{
    SettingStore(AppCore().m_settings.DeveloperMode, 1);
    frame = new CMainFrame;
    frame->Create();
    for (int command : kImageCommands) {
        const QList<QAction*> actions = MenuActions(command);
        EXPECT_FALSE(actions.isEmpty()) << command;
        for (const QAction* action : actions) {
            ASSERT_FALSE(action->icon().isNull()) << command;
            const QImage normal = Straight(action->icon(), QIcon::Normal);
            const QImage disabled = Straight(action->icon(), QIcon::Disabled);
            ASSERT_EQ(normal.size(), QSize(16, 16));
            ASSERT_EQ(disabled.size(), QSize(16, 16));
            int opaque = 0;
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const QRgb pixel = normal.pixel(x, y);
                    const QRgb gray = disabled.pixel(x, y);
                    EXPECT_EQ(qAlpha(gray), qAlpha(pixel));
                    // Partly transparent pixels pass through premultiplied storage both ways.
                    const int tolerance = qAlpha(pixel) == 255 ? 0 : 255 / std::max(qAlpha(pixel), 1) + 1;
                    if (qAlpha(pixel) == 0)
                        continue;
                    opaque += qAlpha(pixel) == 255 ? 1 : 0;
                    EXPECT_LE(std::abs(qRed(gray) - Gray(pixel)), tolerance) << command << " at " << x << "," << y;
                    EXPECT_EQ(qRed(gray), qGreen(gray));
                    EXPECT_EQ(qGreen(gray), qBlue(gray));
                }
            }
            EXPECT_GT(opaque, 0) << command;
        }
    }
    for (int command : {ID_DOWNLOAD_RESET, ID_DOWNLOAD_GET_INFO}) {
        ASSERT_FALSE(MenuActions(command).isEmpty()) << command;
        for (const QAction* action : MenuActions(command))
            EXPECT_TRUE(action->icon().isNull()) << command;
    }
}

TEST_F(MenuImagesTest, ACheckedItemShowsItsCheckNotItsImage)
{
    CMenuStyle::Install();
    ASSERT_TRUE(qobject_cast<CMenuStyle*>(QApplication::style()));
    QPixmap red(16, 16);
    red.fill(Qt::red);
    QMenu menu;
    QAction* action = menu.addAction(QIcon(red), QStringLiteral("Item"));
    action->setCheckable(true);
    const auto redPixels = [&] {
        menu.adjustSize();
        const QImage image = menu.grab().toImage();
        const QRect area = menu.actionGeometry(action);
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x)
                count += image.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
        }
        return count;
    };
    EXPECT_GT(redPixels(), 100) << "unchecked, the image shows";
    action->setChecked(true);
    EXPECT_EQ(redPixels(), 0);
}

TEST_F(MenuImagesTest, ASecondOpeningAddsNothing)
{
    frame = new CMainFrame;
    frame->Create();
    EXPECT_EQ(g_fontBold, CreateUIFont(8, true)) << "the shared bold font is made with the window";
    for (QMenu* menu : frame->findChildren<QMenu*>()) {
        emit menu->aboutToShow();
        QList<QPair<QString, qint64>> first;
        for (const QAction* action : menu->actions())
            first.append({action->text(), action->icon().cacheKey()});
        emit menu->aboutToShow();
        QList<QPair<QString, qint64>> second;
        for (const QAction* action : menu->actions())
            second.append({action->text(), action->icon().cacheKey()});
        EXPECT_EQ(first, second) << menu->objectName().toStdString();
    }
}

TEST_F(MenuImagesTest, TheMenuBarHoldsTheSevenPopupsWithTheirKeys)
{
    frame = new CMainFrame;
    frame->Create();
    QStringList titles;
    for (const QAction* popup : frame->menuBar()->actions())
        titles << popup->text();
    EXPECT_EQ(titles, (QStringList{"文件(&F)", "下载(&D)", "操作(&A)", "查看(&V)", "自动(&U)", "工具(&T)", "帮助(&H)"}));
    const QMenu* download = frame->menuBar()->actions()[1]->menu();
    EXPECT_EQ(CCommandTable::FindAction(download, ID_DOWNLOAD_START)->text(), QStringLiteral("开始\tCtrl+S"));
    EXPECT_EQ(CCommandTable::FindAction(download, ID_DOWNLOAD_ADD)->text(), QStringLiteral("添加下载(&A)...\tIns"));
    EXPECT_EQ(CCommandTable::FindAction(download, ID_DOWNLOAD_GET_INFO)->text(), QStringLiteral("获取信息"));
    const QMenu* tray = frame->TrayMenu();
    EXPECT_EQ(CCommandTable::FindAction(tray, ID_START_ALL)->text(), QStringLiteral("全部开始")) << "no keys in the tray";
}

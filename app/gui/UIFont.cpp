#include "app/gui/UIFont.h"

#include "platform/MulDiv.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kDefaultDpi = 96;
constexpr int kUnitsPerCharWidth = 4;
constexpr int kUnitsPerCharHeight = 8;

bool IsFamilyInstalled(const QString& family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

int ScreenDpiY()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : kDefaultDpi;
}

} // namespace

QFont g_fontBold;

QFont CreateUIFont(int points, bool bold)
{
    QFont font;
    if (IsFamilyInstalled(QStringLiteral("Segoe UI"))) {
        font.setFamily(QStringLiteral("Segoe UI"));
        font.setStyleStrategy(QFont::PreferAntialias);
    } else {
        // Without either face the desktop's own stays: fontconfig completes it,
        // Chinese glyphs included, where a face named but missing would not be chosen.
        if (IsFamilyInstalled(QStringLiteral("Tahoma")))
            font.setFamily(QStringLiteral("Tahoma"));
        font.setStyleStrategy(QFont::PreferDefault);
    }
    font.setPixelSize(MulDiv(points, ScreenDpiY(), kPointsPerInch));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

QSize DialogUnitsToPixels(const QSize& units, const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average over the Latin letters, rounded, as the dialog manager takes it.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int charWidth = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    return {MulDiv(units.width(), charWidth, kUnitsPerCharWidth),
            MulDiv(units.height(), metrics.height(), kUnitsPerCharHeight)};
}

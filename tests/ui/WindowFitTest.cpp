// Every dialog and page, at the font and scale of the process, gives each
// visible control at least its minimum size and keeps it inside its parent.
// The variants run the same cases again in child processes: at twice the
// scale, with a font half as large again, and without a Chinese font, where
// a size that fits one face cuts the text of another.
#include "WindowTour.h"

#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLayout>
#include <QTemporaryDir>

#include <ostream>

namespace {

constexpr int kChildMs = 240000;

// The variants' environment: the child's font is this many times the usual,
// and a child told so checks that no Chinese face is there.
const char kFontScaleVariable[] = "VANDREL_TEST_FONT_SCALE";
const char kNoChineseVariable[] = "VANDREL_TEST_NO_CHINESE_FONT";

bool InLayout(const QLayout* layout, const QWidget* widget)
{
    for (int i = 0; layout && i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget() == widget || InLayout(item->layout(), widget))
            return true;
    }
    return false;
}

// The controls that layouts place; the parts of a control (a combo box's edit,
// a list's header) are the control's own to place. One inside a scrolled area
// may lie beyond it: the area scrolls.
bool IsLaidOut(const QWidget* widget, const QWidget* window)
{
    if (!InLayout(widget->parentWidget()->layout(), widget))
        return false;
    for (const QWidget* parent = widget->parentWidget(); parent && parent != window;
         parent = parent->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
        if (area && area->viewport() == parent)
            return false;
    }
    return true;
}

QString SizeText(const QSize& size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// What is wrong with one control's place, or nothing.
QString Misfit(const QWidget* widget)
{
    const QSizePolicy policy = widget->sizePolicy();
    const QSize hint = widget->minimumSizeHint();
    QStringList faults;
    if (policy.horizontalPolicy() != QSizePolicy::Ignored && widget->width() < hint.width())
        faults << QStringLiteral("narrower than its minimum %1").arg(hint.width());
    const int height = widget->hasHeightForWidth() ? widget->heightForWidth(widget->width()) : hint.height();
    if (policy.verticalPolicy() != QSizePolicy::Ignored && widget->height() < height)
        faults << QStringLiteral("lower than the %1 its text needs").arg(height);
    if (!widget->parentWidget()->rect().contains(widget->geometry()))
        faults << QStringLiteral("outside its parent's %1").arg(SizeText(widget->parentWidget()->size()));
    if (faults.isEmpty())
        return {};
    return SizeText(widget->size()) + QStringLiteral(": ") + faults.join(QStringLiteral(", "));
}

QStringList Misfits(QWidget* window)
{
    QStringList found;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->isWindow() || !widget->isVisibleTo(window) || !IsLaidOut(widget, window))
            continue;
        const QString fault = Misfit(widget);
        if (!fault.isEmpty())
            found << WidgetPath(widget, window) + QStringLiteral(" ") + fault;
    }
    return found;
}

class WindowFitTest : public WindowTour, public testing::WithParamInterface<TourStop>
{
protected:
    WindowFitTest() : m_font(QApplication::font())
    {
        bool given = false;
        const double scale = qEnvironmentVariable(kFontScaleVariable).toDouble(&given);
        if (given) {
            QFont larger = m_font;
            larger.setPointSizeF(m_font.pointSizeF() * scale);
            QApplication::setFont(larger);
        }
        if (qEnvironmentVariableIsSet(kNoChineseVariable)) {
            EXPECT_TRUE(QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty());
        }
    }
    ~WindowFitTest() override { QApplication::setFont(m_font); }

    void Visit(QWidget& window, const QString& where) override
    {
        const QStringList misfits = Misfits(&window);
        EXPECT_TRUE(misfits.isEmpty()) << where.toStdString() << " at " << SizeText(window.size()).toStdString()
                                       << ":\n  " << misfits.join(QStringLiteral("\n  ")).toStdString();
    }

private:
    QFont m_font;
};

TEST_P(WindowFitTest, EveryVisibleControlHasItsMinimumSizeInsideItsParent)
{
    GetParam().run(*this);
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowFitTest, testing::ValuesIn(TourStops()),
                         [](const testing::TestParamInfo<TourStop>& info) { return std::string(info.param.name); });

struct FitVariant
{
    const char* name;
    double scale;
    double fontScale;
    bool chineseFont;
};

void PrintTo(const FitVariant& variant, std::ostream* out)
{
    *out << variant.name;
}

class WindowFitVariants : public testing::TestWithParam<FitVariant>
{
protected:
    // A screen of 1600 x 1000 at the variant's scale.
    QString WriteScreen() const
    {
        const double scale = GetParam().scale;
        return Write(QStringLiteral("screen.json"),
                     QStringLiteral(R"({"screens": [{"name": "fit", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                    R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                         .arg(qRound(1600 * scale))
                         .arg(qRound(1000 * scale)));
    }

    // The system's fonts less every face that covers Chinese.
    QString WriteFontsWithoutChinese() const
    {
        return Write(QStringLiteral("fonts.conf"), QStringLiteral(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <cachedir>%1</cachedir>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <selectfont><rejectfont>
    <pattern><patelt name="lang"><string>zh-cn</string></patelt></pattern>
  </rejectfont></selectfont>
</fontconfig>
)")
                                                       .arg(m_dir.filePath(QStringLiteral("font-cache"))));
    }

    QString Write(const QString& name, const QString& text) const
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return path;
    }

    QTemporaryDir m_dir{TestEnvironment::root() + QStringLiteral("/fit-XXXXXX")};
};

TEST_P(WindowFitVariants, EveryWindowFitsAsItDoesAtTheUsualScaleAndFont)
{
    const FitVariant& variant = GetParam();
    QStringList environment = {QStringLiteral("QT_SCALE_FACTOR=%1").arg(variant.scale),
                               QStringLiteral("%1=%2").arg(kFontScaleVariable).arg(variant.fontScale)};
    if (!variant.chineseFont) {
        environment << QStringLiteral("FONTCONFIG_FILE=") + WriteFontsWithoutChinese()
                    << QStringLiteral("%1=1").arg(kNoChineseVariable);
    }
    const QString output = m_dir.filePath(QStringLiteral("output.txt"));
    ChildProcess child;
    ASSERT_TRUE(child.start(QStringLiteral("/proc/self/exe"),
                            {QStringLiteral("--gtest_filter=Windows/WindowFitTest.*"), QStringLiteral("-platform"),
                             QStringLiteral("offscreen:configfile=") + WriteScreen()},
                            output, {}, environment));
    int code = -1;
    ASSERT_TRUE(child.waitForExit(kChildMs, &code));
    QFile log(output);
    log.open(QIODevice::ReadOnly);
    EXPECT_EQ(code, 0) << log.readAll().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Variants, WindowFitVariants,
                         testing::Values(FitVariant{"TwiceTheScale", 2, 1, true},
                                         FitVariant{"LargerFont", 1, 1.5, true},
                                         FitVariant{"NoChineseFont", 1, 1, false},
                                         FitVariant{"NoChineseFontTwiceTheScale", 2, 1, false},
                                         FitVariant{"NoChineseFontLargerFont", 1, 1.5, false}),
                         [](const testing::TestParamInfo<FitVariant>& info) { return std::string(info.param.name); });

} // namespace

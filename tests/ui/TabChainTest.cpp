// Every window, dialog and page: each control that Tab stops at can be seen where it
// stands, and Tab goes on from it.
#include "WindowTour.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

namespace {

// More stops than any window has: a chain that does not come round by then
// keeps the focus somewhere.
constexpr int kMostStops = 200;

// Why the user cannot see the control that has the focus, or nothing.
QString Unseen(const QWidget& control)
{
    if (!control.isVisible())
        return QStringLiteral("is hidden");
    if (control.width() <= 0 || control.height() <= 0)
        return QStringLiteral("has no size");
    if (control.visibleRegion().isEmpty())
        return QStringLiteral("lies outside what its parents show");
    // A label holds the focus for its links: one of them shows it.
    const auto* label = qobject_cast<const QLabel*>(&control);
    if (label && !label->hasSelectedText())
        return QStringLiteral("has the focus but no link of it shows it");
    return {};
}

class TabChainTest : public WindowTour, public testing::WithParamInterface<TourStop>
{
protected:
    void Visit(QWidget& window, const QString& where) override
    {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << where.toStdString();
        QWidget* const first = QApplication::focusWidget();
        if (!first) {
            for (const QWidget* control : window.findChildren<QWidget*>()) {
                EXPECT_FALSE((control->focusPolicy() & Qt::TabFocus) && control->isVisible() && control->isEnabled())
                    << where.toStdString() << ": nothing has the focus, not even "
                    << WidgetPath(control, &window).toStdString();
            }
            return;
        }
        QStringList faults;
        QWidget* at = first;
        for (int stop = 0;; ++stop) {
            const QString unseen = Unseen(*at);
            if (!unseen.isEmpty())
                faults << WidgetPath(at, &window) + QLatin1Char(' ') + unseen;
            QTest::keyClick(at, Qt::Key_Tab);
            at = QApplication::focusWidget();
            if (!at) {
                faults << QStringLiteral("Tab leaves nothing with the focus");
                break;
            }
            if (at == first)
                break;
            if (stop == kMostStops) {
                faults << WidgetPath(at, &window) + QStringLiteral(" is never left: Tab does not come round");
                break;
            }
        }
        EXPECT_TRUE(faults.isEmpty()) << where.toStdString() << ":\n  "
                                      << faults.join(QStringLiteral("\n  ")).toStdString();
    }
};

TEST_P(TabChainTest, EveryTabStopIsAControlTheUserCanSee)
{
    GetParam().run(*this);
}

INSTANTIATE_TEST_SUITE_P(Windows, TabChainTest, testing::ValuesIn(TourStops()),
                         [](const testing::TestParamInfo<TourStop>& info) { return std::string(info.param.name); });

} // namespace

// Read-only text fields look read-only in every dialog and page: the window's
// colour behind their text, where an editable field shows the input colour,
// and their text stays selectable for copying.
#include "WindowTour.h"

#include "dialogs/ReadOnlyField.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

// The text fields of a window: line edits (combo boxes' own included) and
// plain-text boxes, each with whether it is read-only.
QList<std::pair<QWidget*, bool>> Fields(QWidget& window)
{
    QList<std::pair<QWidget*, bool>> fields;
    for (QLineEdit* edit : window.findChildren<QLineEdit*>())
        fields.append({edit, edit->isReadOnly()});
    for (QPlainTextEdit* edit : window.findChildren<QPlainTextEdit*>())
        fields.append({edit, edit->isReadOnly()});
    return fields;
}

bool LooksReadOnly(const QWidget& field)
{
    return field.palette().color(QPalette::Active, QPalette::Base)
           == field.palette().color(QPalette::Active, QPalette::Window);
}

class ReadOnlyFieldTest : public WindowTour, public testing::WithParamInterface<TourStop>
{
protected:
    void Visit(QWidget& window, const QString& where) override
    {
        const QPalette palette = QApplication::palette();
        ASSERT_NE(palette.color(QPalette::Base), palette.color(QPalette::Window)) << "the style tells no field apart";
        for (const auto& [field, readOnly] : Fields(window)) {
            if (!field->isVisible())
                continue;
            const std::string name = where.toStdString() + ": " + WidgetPath(field, &window).toStdString();
            EXPECT_EQ(LooksReadOnly(*field), readOnly) << name;
        }
    }
};

TEST_P(ReadOnlyFieldTest, ReadOnlyFieldsAloneLookReadOnly)
{
    GetParam().run(*this);
}

INSTANTIATE_TEST_SUITE_P(Windows, ReadOnlyFieldTest, testing::ValuesIn(TourStops()),
                         [](const testing::TestParamInfo<TourStop>& info) { return std::string(info.param.name); });

using ReadOnlyField = UiFixture;

TEST_F(ReadOnlyField, FollowsTheApplicationsPaletteAndStaysSelectable)
{
    const QPalette original = QApplication::palette();
    QWidget window;
    auto* line = new QLineEdit(&window);
    MakeReadOnlyField(line);
    line->setText(QStringLiteral("http://example.com/file.zip"));
    auto* plain = new QPlainTextEdit(&window);
    MakeReadOnlyField(plain);
    window.show();

    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::Base, QColor(20, 20, 20));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    // The application hands its palette down to the widgets by posted events.
    const auto takes = [&window](const QPalette& palette) {
        return WaitFor([&] { return window.palette().color(QPalette::Text) == palette.color(QPalette::Text); });
    };
    ASSERT_TRUE(takes(dark));
    for (const QWidget* field : {static_cast<QWidget*>(line), static_cast<QWidget*>(plain)}) {
        EXPECT_EQ(field->palette().color(QPalette::Active, QPalette::Base), QColor(40, 40, 40))
            << field->metaObject()->className();
        EXPECT_EQ(field->palette().color(QPalette::Active, QPalette::Text), QColor(230, 230, 230));
    }
    QApplication::setPalette(original);
    ASSERT_TRUE(takes(original));
    EXPECT_EQ(line->palette().color(QPalette::Active, QPalette::Base),
              original.color(QPalette::Active, QPalette::Window));

    line->selectAll();
    EXPECT_EQ(line->selectedText(), line->text());
    EXPECT_TRUE(plain->textInteractionFlags() & Qt::TextSelectableByKeyboard);
}

} // namespace

#include "dialogs/ReadOnlyField.h"

#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

constexpr QPalette::ColorGroup kGroups[] = {QPalette::Active, QPalette::Inactive, QPalette::Disabled};

// The field's background takes the colour of the window around it.
void PaintAsReadOnly(QWidget* field)
{
    QPalette palette = field->palette();
    bool changed = false;
    for (QPalette::ColorGroup group : kGroups) {
        const QColor window = palette.color(group, QPalette::Window);
        if (palette.color(group, QPalette::Base) != window) {
            palette.setColor(group, QPalette::Base, window);
            changed = true;
        }
    }
    if (changed)
        field->setPalette(palette);
}

// Follows a new palette, the application's or the parent's; the field's own
// change comes back here once and then finds nothing to do.
class ReadOnlyLook : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
            PaintAsReadOnly(static_cast<QWidget*>(watched));
        return false;
    }
};

void Install(QWidget* field)
{
    PaintAsReadOnly(field);
    field->installEventFilter(new ReadOnlyLook(field));
}

} // namespace

void MakeReadOnlyField(QLineEdit* field)
{
    field->setReadOnly(true);
    Install(field);
}

void MakeReadOnlyField(QPlainTextEdit* field)
{
    field->setReadOnly(true);
    // As in a line edit, the keys select too, so the text can be copied without a mouse.
    field->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Install(field);
}

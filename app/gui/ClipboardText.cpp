#include "app/gui/ClipboardText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

bool SetClipboardText(const QString& text)
{
    if (text.isNull())
        return false;
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    return true;
}

bool GetClipboardText(QString* text)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return false;
    const QString full = data->text();
    *text = full.left(full.indexOf(QChar(0)));
    return true;
}

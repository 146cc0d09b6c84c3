#pragma once

#include <QLabel>

// A label that wraps its text between words and asks, as its minimum, for the
// height its lines take at the width it has. It takes no part in
// height-for-width layout: a window's own minimum size ignores that, which
// let a page that grew after its window was sized cut its wrapped text.
class CWrapLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CWrapLabel(const QString& text, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return false; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The width a layout gave, or the one the label would take before any did.
    int LaidOutWidth() const;
};

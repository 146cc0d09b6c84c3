#pragma once

#include <QLabel>

// A one-line label that shows as much of its text as its width allows, cut
// with an ellipsis at the right, and cuts it again when its width changes.
class CElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CElidedLabel(QWidget* parent);

    void SetFullText(const QString& text);
    const QString& FullText() const { return m_strFullText; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Elide();

    QString m_strFullText;
};

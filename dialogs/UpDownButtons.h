#pragma once

#include <QWidget>

class QLineEdit;

// The up-down arrows on the right of a number edit (its buddy): a click or the
// Up and Down keys in the edit step the edit's number by one within
// minimum..maximum and write it back as plain digits; disabled, they do nothing. The edit's own text is
// never corrected otherwise: what the user typed, out of range or empty, stays
// for the page's check to refuse.
class CUpDownButtons : public QWidget
{
    Q_OBJECT

public:
    CUpDownButtons(int id, QLineEdit* buddy, int minimum, int maximum, QWidget* parent);

    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* const m_buddy;
    const int m_nMinimum;
    const int m_nMaximum;
};

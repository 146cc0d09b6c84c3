#pragma once

#include <QWidget>

class QLineEdit;

// Arrow buttons beside a number edit (its buddy): each step reads the buddy's
// number, moves it by one within the range and writes it back; Up and Down in the
// buddy step too. The buddy itself may hold any text, a number beyond the range
// or nothing: the range bounds only the steps. It stands as tall as its buddy.
class CUpDownCtrl : public QWidget
{
    Q_OBJECT

public:
    CUpDownCtrl(QLineEdit* buddy, QWidget* parent);

    void SetRange(int minimum, int maximum);
    void SetPos(int position);
    void Step(int delta);

    // As tall as the buddy, the two arrows sharing its height.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_pBuddy;
    int m_nMinimum = 0;
    int m_nMaximum = 100;
};

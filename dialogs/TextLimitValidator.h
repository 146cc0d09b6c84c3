#pragma once

#include <QValidator>

class QComboBox;
class QLineEdit;

// An edit's typing limit: what the user types or pastes is cut so that the text
// grows no longer than the limit, as a limited edit box takes a paste, while text
// set by the program is kept whole and may still be shortened. Optionally digits only.
class CTextLimitValidator : public QValidator
{
    Q_OBJECT

public:
    enum class Chars
    {
        Any,
        Digits,
    };

    CTextLimitValidator(QLineEdit* edit, qsizetype limit, Chars chars);

    State validate(QString& input, int& pos) const override;

    static void Install(QLineEdit* edit, qsizetype limit, Chars chars = Chars::Any);
    static void Install(QComboBox* comboBox, qsizetype limit);

private:
    const QLineEdit* const m_edit;
    const qsizetype m_nLimit;
    const Chars m_chars;
    qsizetype m_nCurrentLength = 0; // of the edit's text, however it was set
};

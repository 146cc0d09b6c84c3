#include "dialogs/TextLimitValidator.h"

#include <QComboBox>
#include <QLineEdit>

CTextLimitValidator::CTextLimitValidator(QLineEdit* edit, qsizetype limit, Chars chars)
    : QValidator(edit), m_nLimit(limit), m_chars(chars), m_nCurrentLength(edit->text().size())
{
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_nCurrentLength = text.size(); });
}

QValidator::State CTextLimitValidator::validate(QString& input, int&) const
{
    if (m_chars == Chars::Digits) {
        for (const QChar c : input) {
            if (c < u'0' || c > u'9')
                return Invalid;
        }
    }
    // A text already over the limit (set by the program) may still shrink.
    return input.size() <= m_nLimit || input.size() < m_nCurrentLength ? Acceptable : Invalid;
}

void CTextLimitValidator::Install(QLineEdit* edit, qsizetype limit, Chars chars)
{
    edit->setValidator(new CTextLimitValidator(edit, limit, chars));
}

void CTextLimitValidator::Install(QComboBox* comboBox, qsizetype limit)
{
    if (QLineEdit* edit = comboBox->lineEdit())
        Install(edit, limit);
}

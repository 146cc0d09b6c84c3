#include "dialogs/TextLimitValidator.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

CTextLimitValidator::CTextLimitValidator(QLineEdit* edit, qsizetype limit, Chars chars)
    : QValidator(edit), m_edit(edit), m_nLimit(limit), m_chars(chars), m_nCurrentLength(edit->text().size())
{
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_nCurrentLength = text.size(); });
}

QValidator::State CTextLimitValidator::validate(QString& input, int& pos) const
{
    if (m_chars == Chars::Digits) {
        for (const QChar c : input) {
            if (c < u'0' || c > u'9')
                return Invalid;
        }
    }
    // A text already over the limit (set by the program) may still shrink.
    if (input.size() <= m_nLimit || input.size() < m_nCurrentLength)
        return Acceptable;
    // Setting the text clears the edit's modified state; the user's edits set it.
    if (!m_edit->isModified())
        return Invalid;
    // The user's text, inserted just before the cursor, keeps what fits.
    const qsizetype excess = input.size() - std::max(m_nLimit, m_nCurrentLength);
    if (excess > pos)
        return Invalid;
    input.remove(pos - excess, excess);
    pos -= int(excess);
    return Acceptable;
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

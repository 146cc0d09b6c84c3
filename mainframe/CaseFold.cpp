#include "mainframe/CaseFold.h"

QString CaseFolded(const QString& text)
{
    // A low surrogate folds with the high one before it, and only the low half
    // of the folded code point stands for the pair, as the comparison does it.
    QString folded = text;
    char16_t last = 0;
    for (QChar& unit : folded) {
        const char16_t ch = unit.unicode();
        char32_t codePoint = ch;
        if (QChar::isLowSurrogate(ch) && QChar::isHighSurrogate(last))
            codePoint = QChar::surrogateToUcs4(last, ch);
        last = ch;
        const char32_t result = QChar::toCaseFolded(codePoint);
        unit = QChar::requiresSurrogates(result) ? QChar(QChar::lowSurrogate(result)) : QChar(char16_t(result));
    }
    return folded;
}

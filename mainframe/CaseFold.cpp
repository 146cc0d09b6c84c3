#include "mainframe/CaseFold.h"

QString CaseFolded(const QString& text)
{
    // A low surrogate folds with the high one before it, and only the low half
    // of the folded code point stands for the pair, as the comparison does it.
    // Shares the text until a unit changes: most keys (URLs, paths) are folded
    // already, and the list keeps one per row.
    QString folded = text;
    char16_t last = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        char32_t codePoint = ch;
        if (QChar::isLowSurrogate(ch) && QChar::isHighSurrogate(last))
            codePoint = QChar::surrogateToUcs4(last, ch);
        last = ch;
        const char32_t result = QChar::toCaseFolded(codePoint);
        const char16_t unit = QChar::requiresSurrogates(result) ? QChar::lowSurrogate(result) : char16_t(result);
        if (unit != ch)
            folded[i] = QChar(unit);
    }
    return folded;
}

/** @file textbrackets.cpp @brief Removing parentheses and parenthesised remarks. */
#include "analysis/textbrackets.h"

QString removeBrackets(const QString& text)
{
    QString result = text;
    result.remove(QLatin1Char('('));
    result.remove(QChar(0xFF08));
    result.remove(QLatin1Char(')'));
    result.remove(QChar(0xFF09));
    return result;
}

QString removeBracketText(const QString& text)
{
    QString result = text;
    result.replace(QChar(0xFF09), QLatin1Char(')'));
    result.replace(QChar(0xFF08), QLatin1Char('('));
    for (;;) {
        const int open = result.indexOf(QLatin1Char('('));
        if (open < 0)
            return result;
        const int close = result.indexOf(QLatin1Char(')'), open);
        if (close < 0)
            return result;
        result.remove(open, close - open + 1);
    }
}

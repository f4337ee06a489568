/** @file textbrackets.cpp @brief Removing parentheses and parenthesised remarks. */
#include "analysis/textbrackets.h"

#include <algorithm>

QString removeBrackets(const QString& text)
{
    const auto isBracket = [](QChar c) {
        return c == QLatin1Char('(') || c == QLatin1Char(')') || c == QChar(0xFF08)
            || c == QChar(0xFF09);
    };
    const auto first = std::find_if(text.cbegin(), text.cend(), isBracket);
    if (first == text.cend())
        return text; // shared, not copied
    // One copy, without the brackets.
    QString result;
    result.reserve(text.size() - 1);
    result.append(text.constData(), int(first - text.cbegin()));
    for (auto it = first + 1; it != text.cend(); ++it) {
        if (!isBracket(*it))
            result.append(*it);
    }
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

/** @file textbrackets.cpp @brief Removing parentheses and parenthesised remarks. */
#include "analysis/textbrackets.h"
#include "analysis/textbrackets_p.h"

#include <algorithm>

namespace {

bool isBracket(QChar c)
{
    return c == QLatin1Char('(') || c == QLatin1Char(')') || c == QChar(0xFF08)
        || c == QChar(0xFF09);
}

/// ASCII for a full-width parenthesis, @p c itself otherwise.
QChar narrowBracket(QChar c)
{
    if (c == QChar(0xFF08))
        return QLatin1Char('(');
    if (c == QChar(0xFF09))
        return QLatin1Char(')');
    return c;
}

} // namespace

const QString& removeBrackets(const QString& text, QString& buffer)
{
    const auto first = std::find_if(text.cbegin(), text.cend(), isBracket);
    if (first == text.cend())
        return text;
    buffer.resize(text.size());
    QChar* out = buffer.data();
    for (auto it = text.cbegin(); it != text.cend(); ++it) {
        if (!isBracket(*it))
            *out++ = *it;
    }
    buffer.resize(int(out - buffer.constData()));
    return buffer;
}

const QString& removeBracketText(const QString& text, QString& buffer)
{
    const auto first = std::find_if(text.cbegin(), text.cend(), isBracket);
    if (first == text.cend())
        return text;
    // Parentheses of either width count as ASCII ones and stay so. Each
    // opening one up to the first closing one after it goes, until an
    // opening one without a closing one after it: it and the rest stay.
    buffer.resize(text.size());
    QChar* out = buffer.data();
    const QChar* const end = text.constData() + text.size();
    for (const QChar* it = text.constData(); it != end; ++it) {
        const QChar c = narrowBracket(*it);
        if (c != QLatin1Char('(')) {
            *out++ = c;
            continue;
        }
        const QChar* close = it + 1;
        while (close != end && narrowBracket(*close) != QLatin1Char(')'))
            ++close;
        if (close == end) {
            for (; it != end; ++it)
                *out++ = narrowBracket(*it);
            break;
        }
        it = close;
    }
    buffer.resize(int(out - buffer.constData()));
    return buffer;
}

QString removeBrackets(const QString& text)
{
    QString buffer;
    return removeBrackets(text, buffer);
}

QString removeBracketText(const QString& text)
{
    QString buffer;
    return removeBracketText(text, buffer);
}

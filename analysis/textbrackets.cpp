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

/// Starts a form of @p text with some brackets left out: null when @p text
/// holds none (it is its own form); otherwise @p buffer, sized for the text
/// and holding what comes before the first bracket, where writing goes on,
/// with @p first set to that bracket.
QChar* startForm(const QString& text, QString& buffer, const QChar*& first)
{
    const QChar* const begin = text.constData();
    first = std::find_if(begin, begin + text.size(), isBracket);
    if (first == begin + text.size())
        return nullptr;
    buffer.resize(text.size());
    return std::copy(begin, first, buffer.data());
}

} // namespace

const QString& removeBrackets(const QString& text, QString& buffer)
{
    const QChar* first = nullptr;
    QChar* out = startForm(text, buffer, first);
    if (!out)
        return text;
    for (const QChar* it = first; it != text.constData() + text.size(); ++it) {
        if (!isBracket(*it))
            *out++ = *it;
    }
    buffer.resize(int(out - buffer.constData()));
    return buffer;
}

const QString& removeBracketText(const QString& text, QString& buffer)
{
    const QChar* first = nullptr;
    QChar* out = startForm(text, buffer, first);
    if (!out)
        return text;
    // Parentheses of either width count as ASCII ones and stay so. Each
    // opening one up to the first closing one after it goes, until an
    // opening one without a closing one after it: it and the rest stay.
    const QChar* const end = text.constData() + text.size();
    for (const QChar* it = first; it != end; ++it) {
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

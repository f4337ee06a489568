/** @file charclass_p.h @brief The character tests behind the word classes, for the library's own use. */
#pragma once

#include <QChar>

/// An ASCII digit, 0 to 9.
inline bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

/// An ASCII letter, A to Z or a to z.
inline bool isAsciiLetter(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

/** @file utf8text.h @brief Short forms for the UTF-8 literals of the test tables. */
#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>

namespace utf8text {

/// @p text read as UTF-8.
inline QString u8(const char* text)
{
    return QString::fromUtf8(text);
}

/// @p items read as UTF-8, in order.
inline QStringList list(std::initializer_list<const char*> items)
{
    QStringList result;
    for (const char* item : items)
        result.append(QString::fromUtf8(item));
    return result;
}

} // namespace utf8text

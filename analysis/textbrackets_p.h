/** @file textbrackets_p.h @brief Bracket removal into a buffer the caller keeps. */
#pragma once

#include <QString>

/// removeBrackets(@p text): @p text itself when it holds no parenthesis,
/// otherwise @p buffer, overwritten (its memory kept from call to call).
const QString& removeBrackets(const QString& text, QString& buffer);
/// removeBracketText(@p text), the same way.
const QString& removeBracketText(const QString& text, QString& buffer);

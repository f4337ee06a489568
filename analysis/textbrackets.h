/** @file textbrackets.h @brief Removing parentheses and parenthesised remarks. */
#pragma once

#include "vefinder_export.h"

#include <QString>

/// @p text without the characters "(", ")", "（", "）"; the text between them stays.
VEFINDER_EXPORT QString removeBrackets(const QString& text);
/// @p text without its parenthesised remarks (either width), parentheses included.
VEFINDER_EXPORT QString removeBracketText(const QString& text);

/** @file cablenotation.h @brief Stateless helpers of cable notation. */
#pragma once

#include "vefinder_export.h"

#include <QString>

/// One space wherever a Chinese character meets another character, then simplified.
VEFINDER_EXPORT QString spaceScriptBoundaries(const QString& text);
/// Rewrites one Chinese number of up to two places in @p text as digits (三芯 to 3芯).
VEFINDER_EXPORT void replaceChineseNumerals(QString& text);
/// The value of a Chinese digit character (十 10, 两 2, 单 1, ...), -1 for any other text.
VEFINDER_EXPORT int chineseDigitValue(const QString& ch);

/** @file searchtext.h @brief Normalisation of search texts and the norm search key. */
#pragma once

#include "vefinder_export.h"

#include <QString>

/// Lower case, without line breaks, "、", "#", "φ", "Φ", "ф", white space simplified.
VEFINDER_EXPORT QString normalizeSearchText(const QString& text);

/// The hashed norm key of @p code and @p spec (22 Base64 characters), or an
/// empty string when @p spec is blank. The index carries it in its code field.
VEFINDER_EXPORT QString normKeyHash(const QString& code, const QString& spec);

/** @file widthfold.h @brief Folding full-width ASCII forms to their ASCII counterparts. */
#pragma once

#include <QString>

/// @p text with the full-width forms of ASCII (U+FF01 to U+FF5E) replaced by
/// their ASCII counterparts (U+0021 to U+007E) and the ideographic space
/// (U+3000) by a space. Chinese input methods type these forms (ＹＪＶ３×２．５);
/// queries and the indexer fold them before anything else, so both sides see
/// the same text. A text without them comes back unchanged.
QString foldWidth(const QString& text);

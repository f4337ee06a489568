/** @file charclass.h @brief Classifying and splitting words by character class. */
#pragma once

#include "analysis/endocfindtype.h"
#include "vefinder_export.h"

#include <QString>
#include <QStringList>

/// The word field for @p word: DocChsPpl (Chinese), DocMixPpl (digits and
/// Latin letters), DocNumPpl (digits) or DocEnPpl (anything else).
VEFINDER_EXPORT EnDocFindType wordFindType(const QString& word);
/// The letter runs, then the digit runs, of a word mixing letters and digits.
VEFINDER_EXPORT QStringList splitMixedWord(const QString& word, bool removeDuplicates);
/// splitMixedWord() plus the plain letter and digit runs; also for pure words.
VEFINDER_EXPORT QStringList splitAlnumWord(const QString& word);
/// True when @p text holds a character that is neither a digit nor ".".
VEFINDER_EXPORT bool hasNonNumericChar(const QString& text);

/** @file replacewords_p.h @brief Reading the segmenter's replacement table. */
#pragma once

#include <QMap>
#include <QString>

class QIODevice;

/// Reads replacement pairs from @p device into @p table, line by line: a line
/// whose first byte is "#" is a comment; otherwise its first two words
/// (separated by white space) map the text to find to its replacement, more
/// words are ignored and a line of fewer is skipped. A later pair with the same
/// first word replaces the earlier one.
void readReplaceWords(QIODevice& device, QMap<QString, QString>& table);

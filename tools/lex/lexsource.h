/** @file lexsource.h @brief The plain-text source form of lexicons: parsing and canonical formatting. */
#pragma once

#include "lexicon/lexiconrecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

/// Parses the UTF-8 source text @p data of a @p kind lexicon into its records,
/// in source order. On malformed input returns false with the 1-based line
/// number in @p errorLine and what is wrong in @p errorText.
[[nodiscard]] bool parseLexiconSource(const QByteArray& data, LexiconKind kind,
                                      QList<LexiconRecord>& records, int& errorLine,
                                      QString& errorText);

/// The canonical source line of @p record (without the line break). Returns
/// false with the reason in @p problem when the record has no source form
/// that reads back as the same record (an empty word, a word holding white
/// space or "|", a first word that would read as a comment, a record without
/// words).
[[nodiscard]] bool formatLexiconRecord(LexiconKind kind, const LexiconRecord& record, QString& line,
                                       QString& problem);

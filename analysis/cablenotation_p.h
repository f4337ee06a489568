/** @file cablenotation_p.h @brief Internal rewriting helpers of cable notation. */
#pragma once

#include <QRegExp>
#include <QString>

/// For each match of @p outer in the text as it was on entry (searched left to
/// right, each search starting at the end of the previous match): rewrites the
/// matched piece by replacing every @p pattern in it with @p replacement, then
/// replaces every occurrence of the piece in @p text with the rewritten one.
void replaceWithinMatches(QString& text, QRegExp outer, const QString& pattern,
                          const QString& replacement);
/// As above, with every match of the expression @p pattern replaced.
void replaceWithinMatches(QString& text, QRegExp outer, const QRegExp& pattern,
                          const QString& replacement);

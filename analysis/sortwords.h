/** @file sortwords.h @brief Core words and the weighted sort words of a search text. */
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

/// The lexicon lookups the weighting reads: the synonyms and the material
/// equivalents of a word.
struct SortWordLookups {
    std::function<QStringList(const QString&)> synonyms;
    std::function<QStringList(const QString&)> equivalents;
};

/// The words of @p coreWords (a core-word list, in its order) that @p text
/// contains, grouped by length.
QMap<int, QStringList> coreWordMap(const QString& text, const QStringList& coreWords);
/// Appends the map of the text itself (99.9), its synonyms and its equivalents.
void appendSourceSortWords(const QString& text, const SortWordLookups& lookups,
                           QList<QMap<QString, double>>& sortMaps);
/// Appends one map per length of @p coreWords, longest first (89.9 - 0.3 for
/// the core words, lowered by 10 per map, synonyms 0.1 and equivalents 0.2
/// lower); a word weighted before keeps its weight.
void appendCoreSortWords(const QMap<int, QStringList>& coreWords, const SortWordLookups& lookups,
                         QList<QMap<QString, double>>& sortMaps);

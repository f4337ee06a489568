/** @file corewordindex.h @brief The core words a text contains, looked up by its pieces instead of scanning the list. */
#pragma once

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

/// A core-word list indexed by word: coreWordMap's answer for a text costs
/// a lookup per piece of the text as long as some word (the text's length
/// times the number of word lengths), not a search per word of the list.
class CoreWordIndex
{
public:
    CoreWordIndex() = default;
    /// Indexes @p coreWords (a core-word list, in its order).
    explicit CoreWordIndex(const QStringList& coreWords);

    /// coreWordMap(text, coreWords) of the list indexed: the words @p text
    /// contains, grouped by length, in list order inside a group.
    QMap<int, QStringList> match(const QString& text) const;
    /// Whether @p text contains any word of the list.
    bool containsAny(const QString& text) const;

private:
    /// Calls @p found with the place of every word @p text contains, as
    /// often as it occurs, until it returns false; false then.
    template <typename Found>
    bool forEachPlace(const QString& text, Found found) const;

    QStringList m_words;         ///< the list, as given
    QHash<QString, int> m_place; ///< each word's first place in the list
    QVector<int> m_lengths;      ///< the lengths of the words, ascending, 0 left out
    int m_emptyAt = -1;          ///< place of an empty word: in every text
};

/** @file searchutil_coreword.cpp @brief SearchUtil: the core words a text contains. */
#include "lexicon/searchutil.h"

QMap<int, QStringList> SearchUtil::coreWord(const QString& text) const
{
    QStringList matches;
    for (const QString& word : m_coreData) {
        if (text.indexOf(word) != -1)
            matches.append(word);
    }
    matches.removeDuplicates();

    // Grouped by length; inside a group the words keep the order of the
    // core-word list (the same as a stable longest-first sort would give).
    QMap<int, QStringList> byLength;
    for (const QString& word : qAsConst(matches))
        byLength[word.size()].append(word);
    return byLength;
}

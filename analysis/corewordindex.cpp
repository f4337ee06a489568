/** @file corewordindex.cpp @brief The core words a text contains, looked up by its pieces instead of scanning the list. */
#include "analysis/corewordindex.h"

#include <QVarLengthArray>

#include <algorithm>

CoreWordIndex::CoreWordIndex(const QStringList& coreWords) : m_words(coreWords)
{
    for (int i = 0; i < m_words.size(); ++i) {
        const QString& word = m_words.at(i);
        if (m_place.contains(word))
            continue; // a repeated word counts at its first place
        m_place.insert(word, i);
        if (word.isEmpty())
            m_emptyAt = i;
        else if (!m_lengths.contains(word.size()))
            m_lengths.append(word.size());
    }
    std::sort(m_lengths.begin(), m_lengths.end());
}

template <typename Found>
bool CoreWordIndex::forEachPlace(const QString& text, Found found) const
{
    if (m_emptyAt >= 0 && !found(m_emptyAt))
        return false;
    QString piece; // points into text: looked up without a copy
    for (int at = 0; at < text.size(); ++at) {
        for (const int length : m_lengths) {
            if (length > text.size() - at)
                break;
            piece.setRawData(text.constData() + at, length);
            const auto place = m_place.constFind(piece);
            if (place != m_place.constEnd() && !found(place.value()))
                return false;
        }
    }
    return true;
}

bool CoreWordIndex::containsAny(const QString& text) const
{
    return !forEachPlace(text, [](int) { return false; });
}

QMap<int, QStringList> CoreWordIndex::match(const QString& text) const
{
    QVarLengthArray<int, 32> found;
    forEachPlace(text, [&](int place) {
        found.append(place);
        return true;
    });
    // In list order, each word once, as a scan of the list finds them.
    std::sort(found.begin(), found.end());
    QMap<int, QStringList> byLength;
    for (int i = 0; i < found.size(); ++i) {
        if (i > 0 && found[i] == found[i - 1])
            continue;
        const QString& word = m_words.at(found[i]);
        byLength[word.size()].append(word);
    }
    return byLength;
}

/** @file searchutil_analysis.cpp @brief SearchUtil's text analysis: its lexicon data handed to the analysis functions. */
#include "lexicon/searchutil.h"

#include "analysis/cableparse.h"
#include "analysis/sortwords.h"
#include "lexicon/lexiconindex_p.h"

#include <mutex>
#include <shared_mutex>

QMap<int, QStringList> SearchUtil::coreWord(const QString& text) const
{
    if (const LexiconIndex* index = lexiconIndex())
        return index->core.match(text);
    return coreWordMap(text, m_coreData);
}

QList<QMap<QString, double>> SearchUtil::getSortWordMap(const QString& text) const
{
    QList<QMap<QString, double>> sortMaps;
    QMap<int, QStringList> coreWords;
    GetSortWordMapAndCoreWord(text, sortMaps, coreWords);
    return sortMaps;
}

void SearchUtil::GetSortWordMapAndCoreWord(const QString& text,
                                           QList<QMap<QString, double>>& sortMaps,
                                           QMap<int, QStringList>& coreWords) const
{
    // Maps already there weigh in on the core words' maps: only a fresh
    // answer is kept.
    const LexiconIndex* index = sortMaps.isEmpty() ? lexiconIndex() : nullptr;
    if (index) {
        const std::shared_lock<std::shared_mutex> reading(index->sortWordsLock);
        const auto it = index->sortWords.constFind(text);
        if (it != index->sortWords.constEnd()) {
            sortMaps = it->maps;
            coreWords = it->coreWords;
            return;
        }
    }
    GetSortWordMapBySrcWord(text, sortMaps);
    coreWords = coreWord(text);
    GetSortWordMapByCoreWord(coreWords, sortMaps);
    if (index) {
        const std::unique_lock<std::shared_mutex> writing(index->sortWordsLock);
        if (index->sortWords.size() >= LexiconIndex::kSortWordsCap)
            index->sortWords.clear();
        index->sortWords.insert(text, LexiconIndex::SortWords{sortMaps, coreWords});
    }
}

void SearchUtil::GetSortWordMapBySrcWord(const QString& text,
                                         QList<QMap<QString, double>>& sortMaps) const
{
    appendSourceSortWords(text,
                          {[this](const QString& w) { return getSynonyms(w); },
                           [this](const QString& w) { return getMatEquivals(w); }},
                          sortMaps);
}

void SearchUtil::GetSortWordMapByCoreWord(const QMap<int, QStringList>& coreWords,
                                          QList<QMap<QString, double>>& sortMaps) const
{
    appendCoreSortWords(coreWords,
                        {[this](const QString& w) { return getSynonyms(w); },
                         [this](const QString& w) { return getMatEquivals(w); }},
                        sortMaps);
}

QString SearchUtil::cableFormReplace(const QString& text) const
{
    return ::cableFormReplace(text);
}

QString SearchUtil::getCabelMainAttr(const QString& text) const
{
    if (const LexiconIndex* index = lexiconIndex())
        return cableMainAttr(text, index->cableCore);
    return cableMainAttr(text, m_cableCoreData);
}

bool SearchUtil::isCable(const QString& text) const
{
    return !getCabelMainAttr(::cableFormReplace(text)).isEmpty();
}

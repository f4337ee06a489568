/** @file searchutil_analysis.cpp @brief SearchUtil's text analysis: its lexicon data handed to the analysis functions. */
#include "lexicon/searchutil.h"

#include "analysis/cableparse.h"
#include "analysis/sortwords.h"
#include "lexicon/lexiconindex_p.h"

QMap<int, QStringList> SearchUtil::coreWord(const QString& text) const
{
    if (const LexiconIndex* index = lexiconIndex())
        return index->core.match(text);
    return coreWordMap(text, m_coreData);
}

QList<QMap<QString, double>> SearchUtil::getSortWordMap(const QString& text) const
{
    QList<QMap<QString, double>> sortMaps;
    GetSortWordMapBySrcWord(text, sortMaps);
    GetSortWordMapByCoreWord(coreWord(text), sortMaps);
    return sortMaps;
}

void SearchUtil::GetSortWordMapAndCoreWord(const QString& text,
                                           QList<QMap<QString, double>>& sortMaps,
                                           QMap<int, QStringList>& coreWords) const
{
    GetSortWordMapBySrcWord(text, sortMaps);
    coreWords = coreWord(text);
    GetSortWordMapByCoreWord(coreWords, sortMaps);
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

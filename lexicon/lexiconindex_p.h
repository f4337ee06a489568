/** @file lexiconindex_p.h @brief Word lookups over the lexicon store, built once when it is loaded. */
#pragma once

#include "analysis/corewordindex.h"
#include "lexicon/matsetentry.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <shared_mutex>

/// Which synonym groups and material-set entries hold a word, which core
/// words a text holds and which words are cable models, so a lookup costs
/// the same whatever the size of the lexicons. The indexes list positions in
/// ascending order: walking them visits the holders in the order a scan of
/// the whole store would. The index keeps shared copies of the containers it
/// was built from; a store changed afterwards (only tests do that) no longer
/// shares them, and its queries scan instead.
struct LexiconIndex {
    QList<QSet<QString>> synData;       ///< the store's groups when indexed
    QList<MatSetEntry> setData;         ///< the store's entries when indexed
    QStringList enCoreData;             ///< the store's English core words when indexed
    QStringList coreData;               ///< the store's core words when indexed
    QStringList cableCoreData;          ///< the store's cable models when indexed
    QHash<QString, QVector<int>> synOf; ///< word to the groups holding it
    QHash<QString, QVector<int>> setOf; ///< word to the entries whose members hold it
    QSet<QString> enCore;               ///< the English core words
    CoreWordIndex enCoreWords;          ///< the English core words, looked up by word
    CoreWordIndex core;                 ///< the core words, looked up by word
    QSet<QString> cableCore;            ///< the cable models

    /// getMatEquivalsPPL's answers so far: a search asks for the same
    /// words' equivalent names again and again. Bounded; starts again when
    /// full.
    mutable std::shared_mutex pplLock;
    mutable QHash<QString, QMap<QString, QStringList>> ppl;
    static constexpr int kPplCap = 20000;

    /// GetSortWordMapAndCoreWord's answers so far, by text, as for ppl.
    struct SortWords {
        QList<QMap<QString, double>> maps;
        QMap<int, QStringList> coreWords;
    };
    mutable std::shared_mutex sortWordsLock;
    mutable QHash<QString, SortWords> sortWords;
    static constexpr int kSortWordsCap = 4096;
};

/** @file searchutiltestaccess.h @brief Read access to the loaded lexicon store, for the tests that load compiled lexicon files. */
#pragma once

#include "lexicon/searchutil.h"

/// The members the lexicon loaders fill, read from the process's store.
class SearchUtilTestAccess
{
public:
    static const SearchUtil& store() { return *SearchUtil::instance(); }
    static QList<QSet<QString>> synData() { return store().m_synData; }
    static QList<MatSetEntry> setData() { return store().m_setData; }
    static QStringList coreData() { return store().m_coreData; }
    static QStringList cableCoreData() { return store().m_cableCoreData; }
    static QStringList enCoreData() { return store().m_enCoreData; }
    static int equivalCount() { return store().m_equivalWords.size(); }
    static QStringList getSynonyms(const QString& w) { return store().getSynonyms(w); }
};

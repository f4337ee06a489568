/** @file searchutiltestaccess.h @brief Test access to SearchUtil: a store filled by the test. */
#pragma once

#include "lexicon/searchutil.h"

#include <QStringList>

#include <memory>

/// Builds a SearchUtil through its private constructor (with no lexicon files
/// beside the test it loads empty) and fills its lexicon members directly.
class SearchUtilTestAccess
{
public:
    static std::unique_ptr<SearchUtil> emptyStore()
    {
        std::unique_ptr<SearchUtil> store(new SearchUtil);
        store->m_synData.clear();
        store->m_setData.clear();
        store->m_coreData.clear();
        store->m_cableCoreData.clear();
        store->m_enCoreData.clear();
        return store;
    }

    static void setCoreData(SearchUtil& store, const QStringList& words)
    {
        store.m_coreData = words;
    }

    static void setCableCoreData(SearchUtil& store, const QStringList& words)
    {
        store.m_cableCoreData = words;
    }

    /// Synonym groups, one per string, words separated by spaces.
    static void setSynonyms(SearchUtil& store, const QStringList& groups)
    {
        store.m_synData.clear();
        for (const QString& group : groups) {
            const QStringList words = group.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            store.m_synData.append(QSet<QString>(words.begin(), words.end()));
        }
    }

    /// Material sets, one per string: "members | sub-sets", words separated by spaces.
    static void setMaterialSets(SearchUtil& store, const QStringList& sets)
    {
        store.m_setData.clear();
        for (const QString& set : sets) {
            const int bar = set.indexOf(QLatin1Char('|'));
            const QStringList members =
                set.left(bar < 0 ? set.size() : bar).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            MatSetEntry entry;
            entry.members = QSet<QString>(members.begin(), members.end());
            if (bar >= 0)
                entry.subSets = set.mid(bar + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            store.m_setData.append(entry);
        }
    }
};

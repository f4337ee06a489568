/** @file matsetentry.h @brief One material-set or smart-match entry of the lexicon store. */
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

/// A material set: its member words and the words whose own sets merge into it.
struct MatSetEntry {
    QSet<QString> members; ///< a query word that is one of these selects the entry
    QStringList subSets;   ///< words whose material sets are merged in (getMaterialSet)
};

/** @file searchreport.h @brief SearchReport, one search's result ready to print, and its two formats. */
#pragma once

#include "entrylookup.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

/// The result of one search with what the index stores about each entry and,
/// when asked for, how each entry was delivered.
struct SearchReport {
    struct Entry {
        QString matId;
        CatalogueEntry stored;
        bool explained = false; ///< step and sortValue are known
        QString step;
        double sortValue = 0.0;
    };
    struct Group {
        QString kind; ///< "precise", "fuzzy" or "code"
        QList<Entry> entries;
    };

    QString command; ///< quota, segment or code
    QList<QPair<QString, QString>>
        input;         ///< the arguments searched, in order (code, name, spec / text / code)
    QString indexPath; ///< absolute path of the index
    bool deepSearch = true;
    bool explain = false;
    bool hasFoundCount = false; ///< the engine wrote foundCount
    int foundCount = 0;
    QList<Group> groups;
    QList<QPair<QString, QString>> queries; ///< (step, query) with explain

    /// Number of entries in all groups.
    int entryCount() const;
};

namespace ReportFormat {
/// The readable table: a header naming the search, one row per entry
/// (group number, kind, mat id, code, name, specification; step and sort
/// value with explain), "(none)" for an empty group, then a summary.
/// With @p fuzzyGroups above 0 the rows stop after the fuzzy group that is
/// the fuzzyGroups-th to hold entries (precise and code groups still show)
/// and a line counts the groups and entries left out; the summary and the
/// queries still cover the whole result.
QString table(const SearchReport& report, int fuzzyGroups = 0);
/// The JSON document described in docs/cli.md (schema "vefinder-result/1").
QByteArray json(const SearchReport& report);
/// Columns a text takes on a terminal (East Asian wide characters count two).
int displayWidth(const QString& text);
/// The widest a table cell gets, in display columns; longer texts end in "…".
constexpr int MaxCellWidth = 40;
/// @p text cut to at most @p width display columns, its last one "…" when cut.
QString elided(const QString& text, int width);
} // namespace ReportFormat

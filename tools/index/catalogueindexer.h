/** @file catalogueindexer.h @brief CatalogueIndexer, builds a catalogue index from a CSV file. */
#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

/// Builds the catalogue index the searches read from a catalogue CSV file
/// (columns named in a header row: mat_id, code, name, spec, optionally brand
/// and position). The index is written into a temporary directory beside the
/// target and moved into place only when the build succeeds, so a failed
/// build leaves an existing index as it was. Damaged rows are reported with
/// their line numbers and left out; they do not stop the build unless
/// strict is set.
class CatalogueIndexer
{
public:
    struct Options {
        QString csvPath;      ///< the catalogue
        QString indexPath;    ///< the index directory to create or replace
        int jobs = 1;         ///< threads that work out the entries' words
        bool strict = false;  ///< any rejected row fails the build
        bool progress = true; ///< show progress on a terminal
    };

    struct Result {
        bool ok = false; ///< the index is in place
        qint64 rowsIndexed = 0;
        qint64 rowsRejected = 0;
        qint64 warnings = 0;
        double seconds = 0.0;
        qint64 indexBytes = 0; ///< size of the finished index
        QString error;         ///< why the build failed
    };

    explicit CatalogueIndexer(const Options& options, FILE* messages = stderr);

    /// Runs the whole build; problems with rows go to the message stream as
    /// "FILE:LINE: ..." lines as they are found.
    Result run();

private:
    void report(qint64 line, const QString& message);

    Options m_options;
    FILE* m_messages;
};

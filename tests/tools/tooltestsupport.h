/** @file tooltestsupport.h @brief Running the command-line tools from tests, with the test's own data. */
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// What a tool run left behind.
struct ToolResult {
    bool started = false;
    bool crashed = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
    /// One line for failure messages: exit code and standard error.
    QString describe() const;
};

namespace ToolTest {
/// Copies the built tools (vefinder, vefinder-index, vefinder-lex) into the
/// test's application directory, where dict/ holds the test's lexicons, so
/// that they run with the same data as the test itself.
bool installTools(QString* error);
/// Path of an installed tool.
QString tool(const QString& name);
/// Runs an installed tool and waits for it.
ToolResult run(const QString& name, const QStringList& arguments, const QString& workingDirectory = QString());
/// Builds @p indexDir from @p csv with the installed vefinder-index (quiet).
ToolResult buildIndex(const QString& csv, const QString& indexDir, const QStringList& extra = {});
/// Writes @p bytes to @p path.
bool writeFile(const QString& path, const QByteArray& bytes);
/// Every term of the index at @p indexDir as "matId field:term", sorted.
QStringList indexTerms(const QString& indexDir);
/// Relative path, size and modification time of every file under @p dir.
QStringList snapshot(const QString& dir);

/// One catalogue row of a test CSV.
struct CatalogueRow {
    QString matId, code, name, spec;
};
/// The rows of a catalogue CSV (header mat_id,code,name,spec,...), as text.
QList<CatalogueRow> readCatalogue(const QString& csv);

/// Whether any of @p groups holds @p id.
bool anyGroupContains(const QList<QStringList>& groups, const QString& id);
/// Adds one data row (id, code, name, spec) per entry of @p csv, which must
/// hold more than @p moreThan entries.
void addCatalogueRows(const QString& csv, int moreThan);
/// Checks that the entry is found in @p indexDir by its own name and
/// specification: by segmentSearch, in the fuzzy groups of a code-less
/// quotaSearch, and in the precise group of a quotaSearch with its code (or
/// in a later group when its specification is blank).
void checkEntryFindsItself(const QString& indexDir, const QString& id, const QString& code,
                           const QString& name, const QString& spec);
} // namespace ToolTest

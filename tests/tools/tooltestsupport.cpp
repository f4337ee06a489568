/** @file tooltestsupport.cpp @brief Running the command-line tools from tests. */
#include "tooltestsupport.h"

#include "csvreader.h"

#include "engine/vefinder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <algorithm>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

QString ToolResult::describe() const
{
    return QStringLiteral("started %1, crashed %2, exit %3, stderr: %4")
        .arg(started)
        .arg(crashed)
        .arg(exitCode)
        .arg(errText().left(2000));
}

namespace ToolTest {

namespace {
struct BuiltTool {
    const char* name;
    const char* path;
};

const BuiltTool BuiltTools[] = {
    {"vefinder", VEFINDER_CLI_TOOL},
    {"vefinder-index", VEFINDER_INDEX_TOOL},
    {"vefinder-lex", VEFINDER_LEX_TOOL},
};
} // namespace

bool installTools(QString* error)
{
    for (const BuiltTool& built : BuiltTools) {
        const QString source = QString::fromUtf8(built.path);
        const QString target = tool(QString::fromLatin1(built.name));
        if (!QFileInfo(source).isExecutable()) {
            *error = QStringLiteral("%1: not built").arg(source);
            return false;
        }
        QFile::remove(target);
        if (!QFile::copy(source, target)) {
            *error = QStringLiteral("cannot copy %1 to %2").arg(source, target);
            return false;
        }
        QFile::setPermissions(target, QFile::permissions(source));
    }
    return true;
}

QString tool(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

ToolResult run(const QString& name, const QStringList& arguments, const QString& workingDirectory)
{
    ToolResult result;
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(name.contains(QLatin1Char('/')) ? name : tool(name), arguments);
    result.started = process.waitForStarted(30000);
    if (!result.started)
        return result;
    process.closeWriteChannel();
    process.waitForFinished(600000);
    result.crashed = process.exitStatus() != QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

ToolResult buildIndex(const QString& csv, const QString& indexDir, const QStringList& extra)
{
    return run(QStringLiteral("vefinder-index"), QStringList{QStringLiteral("--quiet")} + extra + QStringList{csv, indexDir});
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList indexTerms(const QString& indexDir)
{
    using namespace lucene::index;
    IndexReader* reader = IndexReader::open(QFile::encodeName(indexDir).constData());
    QStringList ids;
    for (int n = 0; n < reader->maxDoc(); ++n) {
        lucene::document::Document doc;
        reader->document(n, doc);
        const wchar_t* id = doc.get(L"mat_id");
        ids << (id ? QString::fromWCharArray(id) : QStringLiteral("(no id)"));
    }
    QStringList lines;
    TermEnum* termEnum = reader->terms();
    while (termEnum->next()) {
        Term* term = termEnum->term(false);
        TermDocs* termDocs = reader->termDocs(term);
        while (termDocs->next())
            lines << ids.value(termDocs->doc()) + QLatin1Char(' ') + QString::fromWCharArray(term->field())
                         + QLatin1Char(':') + QString::fromWCharArray(term->text());
        termDocs->close();
        _CLDELETE(termDocs);
    }
    termEnum->close();
    _CLDELETE(termEnum);
    reader->close();
    _CLDELETE(reader);
    std::sort(lines.begin(), lines.end());
    return lines;
}

QStringList snapshot(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files << QStringLiteral("%1 %2 %3")
                     .arg(QDir(dir).relativeFilePath(it.filePath()))
                     .arg(it.fileInfo().size())
                     .arg(it.fileInfo().lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
}

QList<CatalogueRow> readCatalogue(const QString& csv)
{
    QList<CatalogueRow> rows;
    for (const auto& row : readCsvTable(csv)) {
        rows << CatalogueRow{row.value(QStringLiteral("mat_id")).trimmed(),
                             row.value(QStringLiteral("code")), row.value(QStringLiteral("name")),
                             row.value(QStringLiteral("spec"))};
    }
    return rows;
}

bool anyGroupContains(const QList<QStringList>& groups, const QString& id)
{
    for (const QStringList& group : groups)
        if (group.contains(id))
            return true;
    return false;
}

void addCatalogueRows(const QString& csv, int moreThan)
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("spec");
    const auto rows = readCatalogue(csv);
    QVERIFY(rows.size() > moreThan);
    for (const CatalogueRow& row : rows)
        QTest::newRow(qPrintable(row.matId + QLatin1Char(' ') + row.name + QLatin1Char(' ') + row.spec))
            << row.matId << row.code << row.name << row.spec;
}

void checkEntryFindsItself(const QString& indexDir, const QString& id, const QString& code,
                           const QString& name, const QString& spec)
{
    VeFinder finder;
    QList<QStringList> result;
    finder.segmentSearch(result, name + QLatin1Char(' ') + spec, indexDir, true);
    QVERIFY2(anyGroupContains(result, id), "segmentSearch of name and spec");
    finder.quotaSearch(result, QString(), name, spec, indexDir, nullptr, true);
    QVERIFY2(anyGroupContains(result.mid(1, result.size() - 2), id), "fuzzy groups of quotaSearch without a code");
    finder.quotaSearch(result, code, name, spec, indexDir, nullptr, true);
    if (spec.trimmed().isEmpty())
        QVERIFY2(anyGroupContains(result.mid(1), id), "later groups of quotaSearch, blank spec");
    else
        QVERIFY2(result.first().contains(id), "precise group of quotaSearch");
}

} // namespace ToolTest

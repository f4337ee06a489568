/** @file catalogueindexer.cpp @brief Reading the catalogue, writing the index, moving it into place. */
#include "catalogueindexer.h"

#include "analysis/indexfields.h"
#include "csvcolumns.h"
#include "csvreader.h"
#include "datalayout.h"
#include "entryterms.h"
#include "progressmeter.h"

#include "analysis/widthfold.h"
#include "engine/searchtext.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QVector>

#include <QCoreApplication>

#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

namespace {

using lucene::document::Document;
using lucene::document::Field;

// CLucene keeps a term in one block of its buffers; longer values
// cannot be indexed as one exact term.
constexpr int MaxFieldLength = 16000;
// Rows analysed together; the threads share a batch, the writer adds it in order.
constexpr int BatchSize = 512;

/// One valid row, in the catalogue's own text.
struct CatalogueRow {
    qint64 line = 0;
    QString matId;
    QString code;
    QString name;
    QString spec;
    QString brand;
    QList<WordTerm> terms;
};

/// Column positions taken from the header row.
struct Columns {
    int matId = -1;
    int code = -1;
    int name = -1;
    int spec = -1;
    int brand = -1;
    int position = -1;
    int count = 0;
};

std::wstring wide(const QString& text)
{
    return text.toStdWString();
}

void addField(Document& doc, const wchar_t* field, const QString& value, int config)
{
    const std::wstring text = wide(value);
    doc.add(*_CLNEW Field(field, text.c_str(), config));
}

qint64 directorySize(const QString& path)
{
    qint64 total = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

/// Moves @p built into the place of @p target. An existing target is first
/// moved aside and only removed once the new index is in place; if the second
/// move fails the old index is moved back.
bool replaceDirectory(const QString& built, const QString& target, QString* error)
{
    QDir parent = QFileInfo(target).absoluteDir();
    const QString name = QFileInfo(target).fileName();
    if (!QFileInfo::exists(target)) {
        if (parent.rename(built, target))
            return true;
        *error = QStringLiteral("%1: could not move the new index into place").arg(target);
        return false;
    }
    QString aside;
    for (int attempt = 0; attempt < 100; ++attempt) {
        aside = parent.filePath(QStringLiteral(".%1.old-%2-%3")
                                    .arg(name)
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(attempt));
        if (!QFileInfo::exists(aside))
            break;
    }
    if (!parent.rename(target, aside)) {
        *error = QStringLiteral("%1: could not move the old index aside").arg(target);
        return false;
    }
    if (!parent.rename(built, target)) {
        parent.rename(aside, target);
        *error = QStringLiteral("%1: could not move the new index into place; the old one is kept")
                     .arg(target);
        return false;
    }
    QDir(aside).removeRecursively();
    return true;
}

bool readHeader(const CsvRecord& header, Columns& columns, QString* error, QStringList* ignored)
{
    CsvColumns named({QStringLiteral("mat_id"), QStringLiteral("code"), QStringLiteral("name"),
                      QStringLiteral("spec"), QStringLiteral("brand"), QStringLiteral("position")});
    if (!named.read(header)) {
        *error = QStringLiteral("the header row is not valid UTF-8");
        return false;
    }
    if (!named.duplicate().isEmpty()) {
        *error = QStringLiteral("the header names the column \"%1\" twice").arg(named.duplicate());
        return false;
    }
    columns.count = named.count();
    columns.matId = named.column(QStringLiteral("mat_id"));
    columns.code = named.column(QStringLiteral("code"));
    columns.name = named.column(QStringLiteral("name"));
    columns.spec = named.column(QStringLiteral("spec"));
    columns.brand = named.column(QStringLiteral("brand"));
    columns.position = named.column(QStringLiteral("position"));
    *ignored << named.unknown();
    const QStringList missing = named.missing({QStringLiteral("mat_id"), QStringLiteral("code"),
                                               QStringLiteral("name"), QStringLiteral("spec")});
    if (!missing.isEmpty()) {
        *error =
            QStringLiteral(
                "the header row lacks the column(s) %1; expected mat_id,code,name,spec,brand[,position]")
                .arg(missing.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

bool isHexadecimal(const QString& text)
{
    bool ok = false;
    text.toLongLong(&ok, 16);
    return ok;
}

/// Why the index directory @p target (given as @p given) must not be
/// replaced, or an empty string: only a missing or empty directory or one
/// holding an index is, so a mistyped path never costs other files.
QString replaceableProblem(const QString& target, const QString& given)
{
    const QFileInfo info(target);
    if (!info.exists())
        return QString();
    if (!info.isDir())
        return QStringLiteral("%1: exists and is not a directory; refusing to replace it")
            .arg(given);
    const bool empty =
        QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty();
    if (!empty && !DataLayout::holdsIndex(target))
        return QStringLiteral(
                   "%1: exists, is not empty and holds no catalogue index; refusing to replace it")
            .arg(given);
    return QString();
}

/// Reads one record into @p row; returns why it is rejected, or an empty
/// string. @p warning describes a problem that does not reject the row.
QString readRow(const CsvRecord& record, const Columns& columns, CatalogueRow* row,
                QString* warning)
{
    if (!record.error.isEmpty())
        return record.error;
    if (record.fields.size() != columns.count)
        return QStringLiteral("%1 field(s), expected %2")
            .arg(record.fields.size())
            .arg(columns.count);
    QVector<QString> fields(record.fields.size());
    for (int i = 0; i < record.fields.size(); ++i) {
        if (!decodeUtf8Strict(record.fields.at(i), &fields[i]))
            return QStringLiteral("invalid UTF-8 in column %1").arg(i + 1);
    }
    for (const QString& value : qAsConst(fields)) {
        // CLucene holds an exact term in one buffer block and
        // takes values as zero-terminated strings.
        if (value.size() > MaxFieldLength)
            return QStringLiteral("a field is longer than %1 characters").arg(MaxFieldLength);
        if (value.contains(QChar(0)))
            return QStringLiteral("a field holds a NUL character");
        // CLucene stores characters beyond U+FFFF as U+0000, which
        // breaks the order of its term list: other entries' codes could then
        // no longer be found.
        for (const QChar c : value) {
            if (c.isSurrogate())
                return QStringLiteral(
                    "a field holds a character beyond U+FFFF, which the index cannot store");
        }
    }
    row->line = record.line;
    row->matId = fields.at(columns.matId).trimmed();
    row->code = fields.at(columns.code).trimmed();
    row->name = fields.at(columns.name);
    row->spec = fields.at(columns.spec);
    if (columns.brand >= 0)
        row->brand = fields.at(columns.brand).trimmed();
    if (row->matId.isEmpty())
        return QStringLiteral("missing mat_id");
    if (columns.position >= 0) {
        const QString position = fields.at(columns.position).trimmed();
        if (!position.isEmpty() && !isHexadecimal(position))
            *warning = QStringLiteral("position \"%1\" is not hexadecimal").arg(position);
    }
    return QString();
}

/// Writes the document of one entry (see docs/index.md for the fields).
void addEntry(lucene::index::IndexWriter& writer, const CatalogueRow& row)
{
    Document doc;
    // Full-width forms are folded as the searches fold them, before the norm
    // key is taken, so a full-width code and specification find their entry.
    const QString code = foldWidth(row.code);
    const QString rawSpec = foldWidth(row.spec);
    addField(doc, IndexFields::MatId, row.matId, Field::STORE_YES | Field::INDEX_UNTOKENIZED);
    if (!code.isEmpty())
        addField(doc, IndexFields::Code, code, Field::STORE_YES | Field::INDEX_UNTOKENIZED);
    const QString normKey = normKeyHash(code, rawSpec);
    if (!normKey.isEmpty())
        addField(doc, IndexFields::Code, normKey, Field::STORE_NO | Field::INDEX_UNTOKENIZED);
    const QString title = normalizeSearchText(foldWidth(row.name));
    if (!title.isEmpty())
        addField(doc, IndexFields::Title, title, Field::STORE_YES | Field::INDEX_UNTOKENIZED);
    const QString spec = normalizeSearchText(rawSpec);
    if (!spec.isEmpty())
        addField(doc, IndexFields::Spec, spec, Field::STORE_YES | Field::INDEX_UNTOKENIZED);
    if (!row.brand.isEmpty())
        addField(doc, IndexFields::Brand, row.brand, Field::STORE_YES | Field::INDEX_UNTOKENIZED);
    for (const WordTerm& term : row.terms)
        addField(doc, IndexFields::wordField(term.first), term.second,
                 Field::STORE_NO | Field::INDEX_UNTOKENIZED);
    writer.addDocument(&doc);
}

} // namespace

CatalogueIndexer::CatalogueIndexer(const Options& options, FILE* messages)
    : m_options(options), m_messages(messages)
{}

void CatalogueIndexer::report(qint64 line, const QString& message)
{
    const QString text = line > 0
        ? QStringLiteral("%1:%2: %3\n").arg(m_options.csvPath).arg(line).arg(message)
        : QStringLiteral("%1: %2\n").arg(m_options.csvPath, message);
    std::fputs(text.toLocal8Bit().constData(), m_messages);
}

CatalogueIndexer::Result CatalogueIndexer::run()
{
    Result result;
    QElapsedTimer clock;
    clock.start();

    QFile csv(m_options.csvPath);
    if (!csv.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("%1: cannot open the catalogue: %2")
                           .arg(m_options.csvPath, csv.errorString());
        return result;
    }

    const QString target = QFileInfo(m_options.indexPath).absoluteFilePath();
    const QFileInfo targetInfo(target);
    result.error = replaceableProblem(target, m_options.indexPath);
    if (!result.error.isEmpty())
        return result;
    const QString parentPath = targetInfo.absolutePath();
    if (!QDir().mkpath(parentPath)) {
        result.error = QStringLiteral("%1: cannot create the directory").arg(parentPath);
        return result;
    }
    QTemporaryDir building(parentPath + QStringLiteral("/.") + targetInfo.fileName()
                           + QStringLiteral(".building-XXXXXX"));
    if (!building.isValid()) {
        result.error =
            QStringLiteral("%1: cannot create a temporary directory to build in").arg(parentPath);
        return result;
    }

    CsvReader reader(&csv);
    CsvRecord record;
    if (!reader.next(record)) {
        result.error =
            QStringLiteral(
                "%1: empty file; expected a header row mat_id,code,name,spec,brand[,position]")
                .arg(m_options.csvPath);
        return result;
    }
    Columns columns;
    QString headerError;
    QStringList ignored;
    if (!record.error.isEmpty() || !readHeader(record, columns, &headerError, &ignored)) {
        result.error = QStringLiteral("%1:%2: %3")
                           .arg(m_options.csvPath)
                           .arg(record.line)
                           .arg(record.error.isEmpty() ? headerError : record.error);
        return result;
    }
    if (!ignored.isEmpty())
        report(record.line,
               QStringLiteral("warning: ignoring column(s) %1")
                   .arg(ignored.join(QStringLiteral(", "))));

    const int jobs = qBound(1, m_options.jobs, 8);
    std::vector<std::unique_ptr<EntryTermBuilder>> builders;
    for (int i = 0; i < jobs; ++i)
        builders.emplace_back(new EntryTermBuilder);

    ProgressMeter progress(QStringLiteral("indexing"), QStringLiteral("rows"),
                           ProgressMeter::TerminalOnly);
    const bool showProgress = m_options.progress && progress.enabled();
    const qint64 fileSize = csv.size();

    QHash<QString, qint64> firstLineOfId;
    qint64 duplicates = 0;
    try {
        const std::string path = QFile::encodeName(building.path()).toStdString();
        lucene::analysis::WhitespaceAnalyzer analyzer;
        lucene::index::IndexWriter writer(path.c_str(), &analyzer, true);
        writer.setMaxFieldLength(0x7FFFFFFF);
        writer.setRAMBufferSizeMB(48);
        writer.setMergeFactor(20);

        bool atEnd = false;
        QVector<CatalogueRow> batch;
        batch.reserve(BatchSize);
        while (!atEnd) {
            batch.clear();
            while (batch.size() < BatchSize) {
                if (!reader.next(record)) {
                    atEnd = true;
                    break;
                }
                CatalogueRow row;
                QString warning;
                const QString problem = readRow(record, columns, &row, &warning);
                if (!problem.isEmpty()) {
                    report(record.line, QStringLiteral("rejected: %1").arg(problem));
                    ++result.rowsRejected;
                    continue;
                }
                if (!warning.isEmpty()) {
                    report(record.line, QStringLiteral("warning: %1").arg(warning));
                    ++result.warnings;
                }
                auto seen = firstLineOfId.constFind(row.matId);
                if (seen != firstLineOfId.constEnd()) {
                    ++duplicates;
                    ++result.warnings;
                    report(record.line,
                           QStringLiteral(
                               "warning: mat_id \"%1\" repeats line %2; both entries are indexed")
                               .arg(row.matId)
                               .arg(*seen));
                } else {
                    firstLineOfId.insert(row.matId, record.line);
                }
                batch.append(row);
            }

            // Work out the words of the batch on all threads, every thread
            // taking every jobs-th row with a builder of its own.
            const int count = batch.size();
            auto work = [&batch, count, jobs](EntryTermBuilder* builder, int slot) {
                for (int i = slot; i < count; i += jobs)
                    batch[i].terms = builder->build(batch[i].name, batch[i].spec);
            };
            std::vector<std::thread> threads;
            for (int slot = 1; slot < jobs && slot < count; ++slot)
                threads.emplace_back(work, builders[slot].get(), slot);
            work(builders[0].get(), 0);
            for (std::thread& thread : threads)
                thread.join();

            for (const CatalogueRow& row : qAsConst(batch)) {
                addEntry(writer, row);
                ++result.rowsIndexed;
            }
            if (showProgress)
                progress.update(reader.bytesRead(), fileSize, result.rowsIndexed);
        }
        if (!reader.deviceError().isEmpty())
            throw std::runtime_error(QStringLiteral("%1: read error: %2")
                                         .arg(m_options.csvPath, reader.deviceError())
                                         .toStdString());
        if (m_options.strict && result.rowsRejected > 0) {
            writer.close();
            result.error =
                QStringLiteral("%1 row(s) rejected and --strict given; the index was not replaced")
                    .arg(result.rowsRejected);
            return result;
        }
        if (result.rowsIndexed == 0) {
            writer.close();
            result.error = QStringLiteral("%1: no row could be indexed; the index was not replaced")
                               .arg(m_options.csvPath);
            return result;
        }
        writer.optimize();
        writer.close();
    } catch (CLuceneError& e) {
        if (showProgress)
            progress.finish(result.rowsIndexed);
        result.error = QStringLiteral("%1: writing the index failed: %2")
                           .arg(building.path(), QString::fromLocal8Bit(e.what()));
        return result;
    } catch (std::exception& e) {
        if (showProgress)
            progress.finish(result.rowsIndexed);
        result.error = QString::fromLocal8Bit(e.what());
        return result;
    }
    if (showProgress)
        progress.finish(result.rowsIndexed);

    result.indexBytes = directorySize(building.path());
    if (!replaceDirectory(building.path(), target, &result.error))
        return result;
    if (duplicates > 0)
        report(0,
               QStringLiteral("warning: %1 row(s) repeat the mat_id of an earlier row")
                   .arg(duplicates));
    result.seconds = clock.elapsed() / 1000.0;
    result.ok = true;
    return result;
}

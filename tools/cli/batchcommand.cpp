/** @file batchcommand.cpp @brief The batch command: a CSV of descriptions matched on several threads. */
#include "commands.h"

#include "batchrunner.h"
#include "commandparser.h"
#include "csvreader.h"
#include "entrylookup.h"
#include "progressmeter.h"
#include "searchsetup.h"
#include "workbookwriter.h"

#include "lexicon/searchutil.h"
#include "segment/wordsegment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QThread>

#include <memory>

namespace {

enum class Format {
    Csv,
    JsonLines,
    Workbook
};

int distinctIds(const QList<QStringList>& groups)
{
    QSet<QString> ids;
    for (const QStringList& group : groups)
        for (const QString& id : group)
            ids.insert(id);
    return ids.size();
}

QString firstFilledGroup(const QList<QStringList>& groups)
{
    for (const QStringList& group : groups)
        if (!group.isEmpty())
            return group.join(QLatin1Char(' '));
    return QString();
}

QByteArray csvLine(const BatchRunner::Row& row, const BatchRunner::Outcome& outcome)
{
    QStringList cells;
    cells << QString::number(row.line) << csvQuote(row.id);
    if (!row.error.isEmpty()) {
        cells << QString() << QString() << QString() << QString() << csvQuote(row.error);
    } else {
        QStringList groups;
        for (const QStringList& group : outcome.groups)
            groups << group.join(QLatin1Char(' '));
        const int found = distinctIds(outcome.groups);
        cells << (found > 0 ? QStringLiteral("1") : QStringLiteral("0")) << QString::number(found)
              << csvQuote(firstFilledGroup(outcome.groups))
              << csvQuote(groups.join(QLatin1Char('|'))) << QString();
    }
    return (cells.join(QLatin1Char(',')) + QLatin1Char('\n')).toUtf8();
}

QByteArray jsonLine(const BatchRunner::Row& row, const BatchRunner::Outcome& outcome)
{
    QJsonArray groups;
    for (const QStringList& group : outcome.groups)
        groups.append(QJsonArray::fromStringList(group));
    const int found = distinctIds(outcome.groups);
    QJsonObject object{
        {QStringLiteral("schema"), QStringLiteral("vefinder-batch/1")},
        {QStringLiteral("line"), row.line},
        {QStringLiteral("id"), row.id},
        {QStringLiteral("code"), row.code},
        {QStringLiteral("name"), row.name},
        {QStringLiteral("spec"), row.spec},
        {QStringLiteral("matched"), row.error.isEmpty() ? QJsonValue(found > 0) : QJsonValue()},
        {QStringLiteral("found"), found},
        {QStringLiteral("foundCount"),
         outcome.hasFoundCount ? QJsonValue(outcome.foundCount) : QJsonValue()},
        {QStringLiteral("groups"), groups},
        {QStringLiteral("error"), row.error.isEmpty() ? QJsonValue() : QJsonValue(row.error)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

/// The workbook form of the results: sheet "results" holds the input columns
/// of each row, then the found count, the best group's mat ids and the stored
/// code, name and spec of its first entry; sheet "groups" every group of every row.
class ResultWorkbook
{
public:
    ResultWorkbook(const QString& path, const QString& indexPath)
        : m_writer(path), m_lookup(indexPath)
    {}

    bool open(const QStringList& inputHeader, QString* error)
    {
        if (!m_lookup.error().isEmpty()) {
            *error = m_lookup.error();
            return false;
        }
        if (!m_writer.open(error))
            return false;
        m_inputColumns = inputHeader.size();
        QStringList header = inputHeader;
        header << QStringLiteral("found") << QStringLiteral("best mat ids")
               << QStringLiteral("best code") << QStringLiteral("best name")
               << QStringLiteral("best spec") << QStringLiteral("error");
        m_results = m_writer.addSheet(QStringLiteral("results"), header);
        m_groups = m_writer.addSheet(QStringLiteral("groups"),
                                     {QStringLiteral("id"), QStringLiteral("group"),
                                      QStringLiteral("kind"), QStringLiteral("mat id"),
                                      QStringLiteral("code"), QStringLiteral("name"),
                                      QStringLiteral("spec")});
        return true;
    }

    void add(const BatchRunner::Row& row, const BatchRunner::Outcome& outcome)
    {
        QVector<QVariant> cells;
        for (int c = 0; c < qMax(m_inputColumns, row.cells.size()); ++c)
            cells << row.cells.value(c);
        cells.resize(qMax(m_inputColumns, row.cells.size()));
        if (row.error.isEmpty()) {
            const QString best = firstFilledGroup(outcome.groups);
            const CatalogueEntry entry = best.isEmpty()
                ? CatalogueEntry()
                : m_lookup.entry(best.section(QLatin1Char(' '), 0, 0));
            cells << distinctIds(outcome.groups) << best << entry.code << entry.name << entry.spec
                  << QString();
        } else {
            cells << QString() << QString() << QString() << QString() << QString() << row.error;
        }
        // The input may hold more columns in some rows than in its header.
        m_writer.addRow(m_results, cells);
        for (int g = 0; g < outcome.groups.size(); ++g) {
            const QString kind = g == 0          ? QStringLiteral("precise")
                : g == outcome.groups.size() - 1 ? QStringLiteral("code")
                                                 : QStringLiteral("fuzzy");
            if (outcome.groups.at(g).isEmpty())
                m_writer.addRow(m_groups, {row.id, g + 1, kind});
            for (const QString& matId : outcome.groups.at(g)) {
                const CatalogueEntry entry = m_lookup.entry(matId);
                m_writer.addRow(m_groups,
                                {row.id, g + 1, kind, matId, entry.code, entry.name, entry.spec});
            }
        }
    }

    bool commit(QString* error) { return m_writer.commit(error); }

private:
    WorkbookWriter m_writer;
    EntryLookup m_lookup;
    int m_inputColumns = 0;
    int m_results = 0;
    int m_groups = 0;
};

} // namespace

int runBatch(const QStringList& arguments)
{
    CommandParser command(
        QStringLiteral("batch"),
        QStringLiteral(
            "Matches every row of a bill, a CSV file or an xlsx sheet whose header names\n"
            "the columns id, code, name, spec (or their Chinese names, see docs/cli.md),\n"
            "against the index with quota searches on several threads. The results\n"
            "come out in the input's order, as CSV, JSON Lines or an xlsx workbook;\n"
            "progress and a summary go to standard error."));
    command.addPositional(QStringLiteral("FILE"),
                          QStringLiteral("The rows to match: FILE.csv or FILE.xlsx."));
    command.addIndexOptions(true);
    QCommandLineParser& parser = command.parser();
    const QCommandLineOption jobsOption(
        {QStringLiteral("j"), QStringLiteral("jobs")},
        QStringLiteral("Worker threads (default: the number of cores, %1 here).")
            .arg(QThread::idealThreadCount()),
        QStringLiteral("N"));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the results to FILE (default: standard output)."),
        QStringLiteral("FILE"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("csv, jsonl or xlsx (default: jsonl for a FILE ending in .jsonl "
                       "or .json, xlsx for one ending in .xlsx, else csv)."),
        QStringLiteral("FORMAT"));
    const QCommandLineOption sheetOption(
        QStringLiteral("sheet"),
        QStringLiteral("The sheet of an xlsx input, by name or number from 1 "
                       "(default: the first)."),
        QStringLiteral("NAME|N"));
    const QCommandLineOption columnsOption(
        QStringLiteral("columns"),
        QStringLiteral("Which columns hold the fields, overriding the header: "
                       "e.g. name=C,spec=D,code=B (column letters or header texts)."),
        QStringLiteral("LIST"));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                                         QStringLiteral("No progress and no summary."));
    parser.addOption(jobsOption);
    parser.addOption(outputOption);
    parser.addOption(formatOption);
    parser.addOption(sheetOption);
    parser.addOption(columnsOption);
    parser.addOption(quietOption);
    int exitCode = ExitOk;
    if (!command.parse(arguments, 1, 1, &exitCode))
        return exitCode;

    int jobs = QThread::idealThreadCount();
    if (parser.isSet(jobsOption)) {
        bool ok = false;
        jobs = parser.value(jobsOption).toInt(&ok);
        if (!ok || jobs < 1 || jobs > 256)
            return command.usageError(
                QStringLiteral("--jobs expects a whole number from 1 to 256, got \"%1\"")
                    .arg(parser.value(jobsOption)));
    }
    const QString outputPath = parser.value(outputOption);
    Format format =
        outputPath.endsWith(QLatin1String(".jsonl")) || outputPath.endsWith(QLatin1String(".json"))
        ? Format::JsonLines
        : Bill::isWorkbook(outputPath) ? Format::Workbook
                                       : Format::Csv;
    if (parser.isSet(formatOption)) {
        const QString name = parser.value(formatOption).toLower();
        if (name == QLatin1String("csv"))
            format = Format::Csv;
        else if (name == QLatin1String("jsonl"))
            format = Format::JsonLines;
        else if (name == QLatin1String("xlsx"))
            format = Format::Workbook;
        else
            return command.usageError(
                QStringLiteral("--format expects csv, jsonl or xlsx, got \"%1\"").arg(name));
    }
    if (format == Format::Workbook && outputPath.isEmpty())
        return command.usageError(
            QStringLiteral("xlsx output needs a file: give --output FILE.xlsx"));
    BillOptions billOptions;
    billOptions.sheet = parser.value(sheetOption);
    QString error;
    if (parser.isSet(columnsOption)
        && !Bill::parseColumns(parser.value(columnsOption), &billOptions.columns, &error))
        return command.usageError(error);
    const bool quiet = parser.isSet(quietOption);

    const SearchSettings settings = command.searchSettings();
    QHash<QString, QString> positions;
    if (const int rc = SearchSetup::prepare(settings, &positions))
        return rc;

    const QString inputPath = command.positional().at(0);
    BillTable bill;
    if (!Bill::read(inputPath, billOptions, &bill, &error)) {
        Console::error(error);
        return ExitDataError;
    }
    const QVector<BatchRunner::Row>& rows = bill.rows;

    QFile standardOutput;
    QSaveFile outputFile(outputPath);
    QIODevice* output = &outputFile;
    std::unique_ptr<ResultWorkbook> workbook;
    if (format == Format::Workbook) {
        workbook.reset(new ResultWorkbook(outputPath, settings.indexPath));
        if (!workbook->open(bill.header, &error)) {
            Console::error(error);
            return ExitDataError;
        }
    } else if (outputPath.isEmpty()) {
        standardOutput.open(stdout, QIODevice::WriteOnly);
        output = &standardOutput;
    } else if (!outputFile.open(QIODevice::WriteOnly)) {
        Console::error(
            QStringLiteral("%1: cannot write: %2").arg(outputPath, outputFile.errorString()));
        return ExitDataError;
    }
    if (format == Format::Csv)
        output->write("line,id,matched,found,best,groups,error\n");

    const QString where = bill.sheet.isEmpty()
        ? inputPath + QLatin1Char(':')
        : QStringLiteral("%1: sheet \"%2\", row ").arg(inputPath, bill.sheet);
    int matched = 0;
    int rejected = 0;
    for (const BatchRunner::Row& row : rows) {
        if (!row.error.isEmpty()) {
            ++rejected;
            Console::error(QStringLiteral("%1%2: row not searched: %3")
                               .arg(where)
                               .arg(row.line)
                               .arg(row.error));
        }
    }

    // Load lexicons and segmenter dictionaries before the clock starts, so
    // that the rate measures matching.
    SearchUtil::instance();
    WordSegment::segmentText(QString(), true);

    ProgressMeter meter(QStringLiteral("batch"), QStringLiteral("rows"), ProgressMeter::Always);
    QElapsedTimer clock;
    clock.start();
    BatchRunner runner(settings.indexPath, positions, settings.deepSearch, jobs);
    runner.run(
        rows,
        [&](int index, const BatchRunner::Outcome& outcome) {
            BatchRunner::Row row = rows.at(index);
            if (row.error.isEmpty() && !outcome.error.isEmpty()) {
                row.error = outcome.error;
                ++rejected;
                Console::error(QStringLiteral("%1:%2: row not searched: %3")
                                   .arg(inputPath)
                                   .arg(row.line)
                                   .arg(row.error));
            }
            if (row.error.isEmpty() && distinctIds(outcome.groups) > 0)
                ++matched;
            if (workbook)
                workbook->add(row, outcome);
            else
                output->write(format == Format::Csv ? csvLine(row, outcome)
                                                    : jsonLine(row, outcome));
        },
        [&](int finished) {
            if (!quiet)
                meter.update(finished, rows.size(), finished);
        });
    if (!quiet)
        meter.finish(rows.size());
    const double seconds = clock.elapsed() / 1000.0;

    if (workbook) {
        if (!workbook->commit(&error)) {
            Console::error(error);
            return ExitDataError;
        }
    } else if (outputPath.isEmpty()) {
        standardOutput.flush();
    } else if (!outputFile.commit()) {
        Console::error(
            QStringLiteral("%1: writing failed: %2").arg(outputPath, outputFile.errorString()));
        return ExitDataError;
    }
    if (!quiet) {
        const int searched = rows.size() - rejected;
        const QString input = bill.sheet.isEmpty() ? QStringLiteral("read as %1").arg(bill.encoding)
                                                   : QStringLiteral("sheet \"%1\"").arg(bill.sheet);
        std::fputs(
            QStringLiteral(
                "batch: %1 rows, %2 matched, %3 unmatched, %4 rejected; %5 s, %6 rows/s with %7 job(s); input %8\n")
                .arg(rows.size())
                .arg(matched)
                .arg(searched - matched)
                .arg(rejected)
                .arg(seconds, 0, 'f', 2)
                .arg(seconds > 0 ? searched / seconds : 0.0, 0, 'f', 1)
                .arg(jobs)
                .arg(input)
                .toLocal8Bit()
                .constData(),
            stderr);
    }
    return rejected > 0 ? ExitDataError : ExitOk;
}

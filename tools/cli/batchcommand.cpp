/** @file batchcommand.cpp @brief The batch command: a CSV of descriptions matched on several threads. */
#include "commands.h"

#include "batchrunner.h"
#include "commandparser.h"
#include "csvcolumns.h"
#include "csvreader.h"
#include "progressmeter.h"
#include "searchsetup.h"

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

namespace {

enum class Format { Csv, JsonLines };

/// Reads the rows to match: a header naming id, code, name and spec (name is
/// required, the others may be missing; other columns are ignored).
bool readRows(const QString& path, QVector<BatchRunner::Row>* rows, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot open: %2").arg(path, file.errorString());
        return false;
    }
    CsvReader reader(&file);
    CsvRecord record;
    if (!reader.next(record)) {
        *error = QStringLiteral("%1: empty file; expected a header row id,code,name,spec").arg(path);
        return false;
    }
    CsvColumns named({QStringLiteral("id"), QStringLiteral("code"), QStringLiteral("name"), QStringLiteral("spec")});
    named.read(record);
    const int id = named.column(QStringLiteral("id"));
    const int code = named.column(QStringLiteral("code"));
    const int name = named.column(QStringLiteral("name"));
    const int spec = named.column(QStringLiteral("spec"));
    if (name < 0 || !record.error.isEmpty()) {
        *error = QStringLiteral("%1:%2: the header row names no \"name\" column; expected id,code,name,spec")
                     .arg(path)
                     .arg(record.line);
        return false;
    }
    const int columns = record.fields.size();
    while (reader.next(record)) {
        BatchRunner::Row row;
        row.line = record.line;
        QVector<QString> fields(record.fields.size());
        QVector<bool> decoded(record.fields.size());
        bool valid = true;
        for (int i = 0; i < record.fields.size(); ++i) {
            decoded[i] = decodeUtf8Strict(record.fields.at(i), &fields[i]);
            valid = valid && decoded[i];
        }
        auto field = [&](int column) {
            return column >= 0 && column < fields.size() && decoded.at(column) ? fields.at(column) : QString();
        };
        if (!record.error.isEmpty())
            row.error = record.error;
        else if (record.fields.size() != columns)
            row.error = QStringLiteral("%1 field(s), expected %2").arg(record.fields.size()).arg(columns);
        else if (!valid)
            row.error = QStringLiteral("invalid UTF-8");
        // A row that is not searched still shows what could be read of it.
        row.id = field(id).trimmed();
        row.code = field(code);
        row.name = field(name);
        row.spec = field(spec);
        if (row.id.isEmpty())
            row.id = QString::number(row.line);
        rows->append(row);
    }
    if (!reader.deviceError().isEmpty()) {
        *error = QStringLiteral("%1: read error: %2").arg(path, reader.deviceError());
        return false;
    }
    return true;
}

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
              << csvQuote(firstFilledGroup(outcome.groups)) << csvQuote(groups.join(QLatin1Char('|'))) << QString();
    }
    return (cells.join(QLatin1Char(',')) + QLatin1Char('\n')).toUtf8();
}

QByteArray jsonLine(const BatchRunner::Row& row, const BatchRunner::Outcome& outcome)
{
    QJsonArray groups;
    for (const QStringList& group : outcome.groups)
        groups.append(QJsonArray::fromStringList(group));
    const int found = distinctIds(outcome.groups);
    QJsonObject object{{QStringLiteral("schema"), QStringLiteral("vefinder-batch/1")},
                       {QStringLiteral("line"), row.line},
                       {QStringLiteral("id"), row.id},
                       {QStringLiteral("code"), row.code},
                       {QStringLiteral("name"), row.name},
                       {QStringLiteral("spec"), row.spec},
                       {QStringLiteral("matched"), row.error.isEmpty() ? QJsonValue(found > 0) : QJsonValue()},
                       {QStringLiteral("found"), found},
                       {QStringLiteral("foundCount"), outcome.hasFoundCount ? QJsonValue(outcome.foundCount) : QJsonValue()},
                       {QStringLiteral("groups"), groups},
                       {QStringLiteral("error"), row.error.isEmpty() ? QJsonValue() : QJsonValue(row.error)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

int runBatch(const QStringList& arguments)
{
    CommandParser command(QStringLiteral("batch"),
                          QStringLiteral("Matches every row of a CSV file (a header naming id, code, name, spec)\n"
                                         "against the index with quota searches on several threads. The results\n"
                                         "come out in the input's order, as CSV or JSON Lines; progress and a\n"
                                         "summary go to standard error."));
    command.addPositional(QStringLiteral("FILE.csv"), QStringLiteral("The rows to match."));
    command.addIndexOptions(true);
    QCommandLineParser& parser = command.parser();
    const QCommandLineOption jobsOption({QStringLiteral("j"), QStringLiteral("jobs")},
                                        QStringLiteral("Worker threads (default: the number of cores, %1 here).")
                                            .arg(QThread::idealThreadCount()),
                                        QStringLiteral("N"));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("Write the results to FILE (default: standard output)."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("csv or jsonl (default: jsonl for a FILE ending in .jsonl "
                                                         "or .json, else csv)."),
                                          QStringLiteral("FORMAT"));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                                         QStringLiteral("No progress and no summary."));
    parser.addOption(jobsOption);
    parser.addOption(outputOption);
    parser.addOption(formatOption);
    parser.addOption(quietOption);
    int exitCode = ExitOk;
    if (!command.parse(arguments, 1, 1, &exitCode))
        return exitCode;

    int jobs = QThread::idealThreadCount();
    if (parser.isSet(jobsOption)) {
        bool ok = false;
        jobs = parser.value(jobsOption).toInt(&ok);
        if (!ok || jobs < 1 || jobs > 256)
            return command.usageError(QStringLiteral("--jobs expects a whole number from 1 to 256, got \"%1\"")
                                          .arg(parser.value(jobsOption)));
    }
    const QString outputPath = parser.value(outputOption);
    Format format = outputPath.endsWith(QLatin1String(".jsonl")) || outputPath.endsWith(QLatin1String(".json"))
        ? Format::JsonLines
        : Format::Csv;
    if (parser.isSet(formatOption)) {
        const QString name = parser.value(formatOption).toLower();
        if (name == QLatin1String("csv"))
            format = Format::Csv;
        else if (name == QLatin1String("jsonl"))
            format = Format::JsonLines;
        else
            return command.usageError(QStringLiteral("--format expects csv or jsonl, got \"%1\"").arg(name));
    }
    const bool quiet = parser.isSet(quietOption);

    const SearchSettings settings = command.searchSettings();
    QHash<QString, QString> positions;
    if (const int rc = SearchSetup::prepare(settings, &positions))
        return rc;

    const QString inputPath = command.positional().at(0);
    QVector<BatchRunner::Row> rows;
    QString error;
    if (!readRows(inputPath, &rows, &error)) {
        Console::error(error);
        return ExitDataError;
    }

    QFile standardOutput;
    QSaveFile outputFile(outputPath);
    QIODevice* output = &outputFile;
    if (outputPath.isEmpty()) {
        standardOutput.open(stdout, QIODevice::WriteOnly);
        output = &standardOutput;
    } else if (!outputFile.open(QIODevice::WriteOnly)) {
        Console::error(QStringLiteral("%1: cannot write: %2").arg(outputPath, outputFile.errorString()));
        return ExitDataError;
    }
    if (format == Format::Csv)
        output->write("line,id,matched,found,best,groups,error\n");

    int matched = 0;
    int rejected = 0;
    for (const BatchRunner::Row& row : qAsConst(rows)) {
        if (!row.error.isEmpty()) {
            ++rejected;
            Console::error(QStringLiteral("%1:%2: row not searched: %3").arg(inputPath).arg(row.line).arg(row.error));
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
            const BatchRunner::Row& row = rows.at(index);
            if (row.error.isEmpty() && distinctIds(outcome.groups) > 0)
                ++matched;
            output->write(format == Format::Csv ? csvLine(row, outcome) : jsonLine(row, outcome));
        },
        [&](int finished) {
            if (!quiet)
                meter.update(finished, rows.size(), finished);
        });
    if (!quiet)
        meter.finish(rows.size());
    const double seconds = clock.elapsed() / 1000.0;

    if (outputPath.isEmpty()) {
        standardOutput.flush();
    } else if (!outputFile.commit()) {
        Console::error(QStringLiteral("%1: writing failed: %2").arg(outputPath, outputFile.errorString()));
        return ExitDataError;
    }
    if (!quiet) {
        const int searched = rows.size() - rejected;
        std::fputs(QStringLiteral("batch: %1 rows, %2 matched, %3 unmatched, %4 rejected; %5 s, %6 rows/s with %7 job(s)\n")
                       .arg(rows.size())
                       .arg(matched)
                       .arg(searched - matched)
                       .arg(rejected)
                       .arg(seconds, 0, 'f', 2)
                       .arg(seconds > 0 ? searched / seconds : 0.0, 0, 'f', 1)
                       .arg(jobs)
                       .toLocal8Bit()
                       .constData(),
                   stderr);
    }
    return rejected > 0 ? ExitDataError : ExitOk;
}

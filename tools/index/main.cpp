/** @file main.cpp @brief vefinder-index: builds a catalogue index from a CSV file. */
#include "catalogueindexer.h"
#include "console.h"
#include "datalayout.h"

#include "engine/vefinder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vefinder-index"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEFINDER_TOOLS_VERSION));
    Console::setProgram(QStringLiteral("vefinder-index"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Builds a catalogue index for the VeFinder searches from a CSV file.\n"
        "\n"
        "The CSV is UTF-8 with a header row naming the columns mat_id, code, name, spec\n"
        "and optionally brand and position (any order). Rows with a missing mat_id, a wrong\n"
        "number of fields or invalid UTF-8 are reported as FILE:LINE and left out.\n"
        "The index is built beside INDEX_DIR and moved into place only when the build\n"
        "succeeds; a failed build leaves an existing index as it was.\n"
        "\n"
        "Exit codes: 0 index built, 1 error in the input or data (nothing replaced),\n"
        "2 wrong usage."));
    parser.addPositionalArgument(QStringLiteral("CATALOGUE.csv"),
                                 QStringLiteral("The catalogue to index."));
    parser.addPositionalArgument(QStringLiteral("INDEX_DIR"),
                                 QStringLiteral("The index directory to create or replace."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption strictOption(
        QStringLiteral("strict"),
        QStringLiteral("Fail (and keep the old index) if any row is rejected."));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                                         QStringLiteral("No progress bar and no summary line."));
    const QCommandLineOption jobsOption(
        {QStringLiteral("j"), QStringLiteral("jobs")},
        QStringLiteral(
            "Threads that analyse the entries (default: the number of cores, at most 3)."),
        QStringLiteral("N"));
    parser.addOption(strictOption);
    parser.addOption(quietOption);
    parser.addOption(jobsOption);

    if (!parser.parse(QCoreApplication::arguments()))
        return Console::usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        Console::out(Console::helpText(parser, QStringLiteral("vefinder-index")));
        return ExitOk;
    }
    if (parser.isSet(versionOption)) {
        Console::out(
            QStringLiteral("vefinder-index %1\n").arg(QCoreApplication::applicationVersion()));
        return ExitOk;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2)
        return Console::usageError(
            QStringLiteral("expected CATALOGUE.csv and INDEX_DIR, got %1 argument(s)")
                .arg(args.size()));

    CatalogueIndexer::Options options;
    options.csvPath = args.at(0);
    options.indexPath = args.at(1);
    options.strict = parser.isSet(strictOption);
    options.progress = !parser.isSet(quietOption);
    options.jobs = qBound(1, QThread::idealThreadCount(), 3);
    if (parser.isSet(jobsOption)) {
        bool ok = false;
        options.jobs = parser.value(jobsOption).toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > 64)
            return Console::usageError(
                QStringLiteral("--jobs expects a whole number from 1 to 64, got \"%1\"")
                    .arg(parser.value(jobsOption)));
    }

    const QStringList missing = DataLayout::missingData();
    if (!missing.isEmpty()) {
        for (const QString& problem : missing)
            Console::error(problem);
        return ExitDataError;
    }
    for (const QString& warning : DataLayout::dataWarnings())
        Console::warning(warning);

    int code = ExitOk;
    {
        CatalogueIndexer indexer(options);
        const CatalogueIndexer::Result result = indexer.run();
        if (!result.ok) {
            Console::error(result.error);
            Console::error(QStringLiteral("%1 row(s) read, %2 rejected; %3 left as it was")
                               .arg(result.rowsIndexed + result.rowsRejected)
                               .arg(result.rowsRejected)
                               .arg(options.indexPath));
            code = ExitDataError;
        } else if (!parser.isSet(quietOption)) {
            Console::info(QStringLiteral("indexed %1 row(s), rejected %2, into %3 (%4 MB, %5 s)")
                              .arg(result.rowsIndexed)
                              .arg(result.rowsRejected)
                              .arg(options.indexPath)
                              .arg(result.indexBytes / 1048576.0, 0, 'f', 1)
                              .arg(result.seconds, 0, 'f', 1));
        }
    }
    cluceneShutdown();
    return code;
}

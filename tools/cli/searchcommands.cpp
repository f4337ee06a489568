/** @file searchcommands.cpp @brief The single searches: quota, segment and code. */
#include "commands.h"

#include "commandparser.h"
#include "entrylookup.h"
#include "explainobserver.h"
#include "searchreport.h"
#include "searchsetup.h"

#include "engine/vefinder.h"

#include <QFileInfo>

#include <climits>
#include <functional>

namespace {

/// Fills the report's groups from @p result with the stored fields and, with
/// explain, the deliveries; then prints it. @p kindOf names group g of n.
int finish(SearchReport& report, const QList<QStringList>& result, const SearchSettings& settings,
           const ExplainObserver& observer, QString (*kindOf)(int g, int n))
{
    EntryLookup lookup(settings.indexPath);
    if (!lookup.error().isEmpty()) {
        Console::error(lookup.error());
        return ExitDataError;
    }
    for (int g = 0; g < result.size(); ++g) {
        SearchReport::Group group;
        group.kind = kindOf(g, result.size());
        for (const QString& matId : result.at(g)) {
            SearchReport::Entry entry;
            entry.matId = matId;
            entry.stored = lookup.entry(matId);
            if (settings.explain) {
                const ExplainObserver::Delivery delivery =
                    observer.delivery(matId, &entry.explained);
                entry.step = delivery.step;
                entry.sortValue = delivery.sortValue;
            }
            group.entries << entry;
        }
        report.groups << group;
    }
    report.queries = observer.queries();
    if (settings.json)
        Console::outBytes(ReportFormat::json(report));
    else
        Console::out(ReportFormat::table(report, settings.tableGroups));
    return ExitOk;
}

SearchReport newReport(const QString& command, const SearchSettings& settings)
{
    SearchReport report;
    report.command = command;
    report.indexPath = QFileInfo(settings.indexPath).absoluteFilePath();
    report.deepSearch = settings.deepSearch;
    report.explain = settings.explain;
    return report;
}

QString quotaKind(int g, int n)
{
    if (g == 0)
        return QStringLiteral("precise");
    return g == n - 1 ? QStringLiteral("code") : QStringLiteral("fuzzy");
}

QString fuzzyKind(int, int)
{
    return QStringLiteral("fuzzy");
}

QString codeKind(int, int)
{
    return QStringLiteral("code");
}

/// What a search command does with its engine: fills the groups and, for
/// quota, the found count in the report.
using SearchCall =
    std::function<void(VeFinder& finder, const QStringList& args, const SearchSettings& settings,
                       QList<QStringList>& result, SearchReport& report)>;

/// The common run of the search commands: parses the arguments (one per name
/// in @p inputNames), checks index and data, searches on a fresh engine with
/// the location table and, with explain, the observer, and prints the report.
int runSearch(CommandParser& command, const QStringList& arguments, const QString& name,
              const QStringList& inputNames, const SearchCall& search, QString (*kindOf)(int, int))
{
    int exitCode = ExitOk;
    if (!command.parse(arguments, inputNames.size(), inputNames.size(), &exitCode))
        return exitCode;
    const SearchSettings settings = command.searchSettings();
    QHash<QString, QString> positions;
    if (const int rc = SearchSetup::prepare(settings, &positions))
        return rc;

    const QStringList args = command.positional();
    SearchReport report = newReport(name, settings);
    for (int i = 0; i < inputNames.size(); ++i)
        report.input.append({inputNames.at(i), args.at(i)});

    ExplainObserver observer;
    QList<QStringList> result;
    {
        VeFinder finder;
        finder.setPosIndex(positions);
        if (settings.explain)
            finder.setObserver(&observer);
        search(finder, args, settings, result, report);
    }
    return finish(report, result, settings, observer, kindOf);
}

} // namespace

int runQuota(const QStringList& arguments)
{
    CommandParser command(
        QStringLiteral("quota"),
        QStringLiteral("Looks a catalogue entry up by code, name and specification: the precise\n"
                       "group (all three exactly) first, then the fuzzy groups of the name and\n"
                       "specification, best first, then the group of the code. Give \"\" for an\n"
                       "unknown code or specification."));
    command.addPositional(QStringLiteral("CODE"),
                          QStringLiteral("The entry's code (may be empty)."));
    command.addPositional(QStringLiteral("NAME"), QStringLiteral("The material name."));
    command.addPositional(QStringLiteral("SPEC"),
                          QStringLiteral("The specification (may be empty)."));
    command.addIndexOptions(true);
    command.addOutputOptions();
    const auto search = [](VeFinder& finder, const QStringList& args,
                           const SearchSettings& settings, QList<QStringList>& result,
                           SearchReport& report) {
        int foundCount = INT_MIN; // tells whether the engine wrote it
        finder.quotaSearch(result, args.at(0), args.at(1), args.at(2), settings.indexPath,
                           &foundCount, settings.deepSearch);
        report.hasFoundCount = foundCount != INT_MIN;
        report.foundCount = report.hasFoundCount ? foundCount : 0;
    };
    return runSearch(command, arguments, QStringLiteral("quota"),
                     {QStringLiteral("code"), QStringLiteral("name"), QStringLiteral("spec")},
                     search, quotaKind);
}

int runSegment(const QStringList& arguments)
{
    CommandParser command(
        QStringLiteral("segment"),
        QStringLiteral("Searches one free-text description (the fuzzy search alone, without\n"
                       "precise and code groups): groups of entries, best first."));
    command.addPositional(QStringLiteral("TEXT"),
                          QStringLiteral("The description, e.g. \"电力电缆YJV 三芯 2.5\"."));
    command.addIndexOptions(true);
    command.addOutputOptions();
    const auto search = [](VeFinder& finder, const QStringList& args,
                           const SearchSettings& settings, QList<QStringList>& result,
                           SearchReport&) {
        finder.segmentSearch(result, args.at(0), settings.indexPath, settings.deepSearch);
    };
    return runSearch(command, arguments, QStringLiteral("segment"), {QStringLiteral("text")},
                     search, fuzzyKind);
}

int runCode(const QStringList& arguments)
{
    CommandParser command(
        QStringLiteral("code"),
        QStringLiteral(
            "Lists the entries whose code is exactly CODE (letter case and spaces count)."));
    command.addPositional(QStringLiteral("CODE"), QStringLiteral("The code."));
    command.addIndexOptions(false);
    command.addOutputOptions();
    const auto search = [](VeFinder& finder, const QStringList& args,
                           const SearchSettings& settings, QList<QStringList>& result,
                           SearchReport&) {
        QStringList ids;
        finder.normCodeSearch(ids, args.at(0), settings.indexPath);
        result = {ids};
    };
    return runSearch(command, arguments, QStringLiteral("code"), {QStringLiteral("code")}, search,
                     codeKind);
}

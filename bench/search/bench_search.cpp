/** @file bench_search.cpp @brief Times quotaSearch per description on the sample catalogue and bill, warm and cold. */
#include "csvreader.h"

#include "engine/vefinder.h"
#include "engine/vesearchobserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

/// One line of the bill.
struct Line {
    QString id;
    QString code;
    QString name;
    QString spec;
    bool cable = false; ///< searched by the cable steps (seen by the observer)
};

/// Notes whether any cable step ran.
class CableStepSeen : public VeSearchObserver
{
public:
    void queryRun(const QString& step, const QString& query) override
    {
        Q_UNUSED(query)
        if (step.startsWith(QLatin1String("cable")))
            seen = true;
    }
    bool seen = false;
};

qint64 timedQuota(VeFinder& finder, const Line& line, const QString& index, int* groups = nullptr)
{
    QList<QStringList> result;
    QElapsedTimer timer;
    timer.start();
    finder.quotaSearch(result, line.code, line.name, line.spec, index, nullptr, true);
    const qint64 ns = timer.nsecsElapsed();
    if (groups)
        *groups = result.size();
    return ns;
}

/// Median, 90th percentile (nearest rank) and maximum of @p ns, in milliseconds.
struct Summary {
    double median = 0;
    double p90 = 0;
    double max = 0;
};

Summary summarize(std::vector<qint64> ns)
{
    Summary s;
    if (ns.empty())
        return s;
    std::sort(ns.begin(), ns.end());
    const size_t n = ns.size();
    s.median = (n % 2 ? ns[n / 2] : (ns[n / 2 - 1] + ns[n / 2]) / 2) / 1e6;
    s.p90 = ns[size_t(std::ceil(0.9 * double(n))) - 1] / 1e6;
    s.max = ns.back() / 1e6;
    return s;
}

QString ms(double value)
{
    return QString::number(value, 'f', 2);
}

int usage(QTextStream& err)
{
    err << "usage: bench_search [--index DIR] [--rounds N] [--cold-runs N] [--cold-line ID]\n"
           "  --index DIR      search this index instead of building one from the sample catalogue\n"
           "  --rounds N       timed passes over the bill after the warm-up pass (default 5)\n"
           "  --cold-runs N    fresh processes timing the first call (default 5)\n"
           "  --cold-line ID   the bill line of the first call (default B107)\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");

    QStringList args = QCoreApplication::arguments().mid(1);
    QString index;
    QString coldLine = QStringLiteral("B107");
    int rounds = 5;
    int coldRuns = 5;
    bool coldOnly = false;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--cold-only")) {
            coldOnly = true;
            continue;
        }
        if (args.isEmpty())
            return usage(err);
        const QString value = args.takeFirst();
        bool ok = true;
        if (option == QLatin1String("--index"))
            index = value;
        else if (option == QLatin1String("--cold-line"))
            coldLine = value;
        else if (option == QLatin1String("--rounds"))
            rounds = value.toInt(&ok);
        else if (option == QLatin1String("--cold-runs"))
            coldRuns = value.toInt(&ok);
        else
            return usage(err);
        if (!ok || rounds < 1 || coldRuns < 0)
            return usage(err);
    }

    QList<Line> lines;
    for (const auto& row : readCsvTable(QStringLiteral(SAMPLE_BILL)))
        lines << Line{row.value(QStringLiteral("id")), row.value(QStringLiteral("code")),
                      row.value(QStringLiteral("name")), row.value(QStringLiteral("spec"))};
    const auto cold =
        std::find_if(lines.cbegin(), lines.cend(), [&](const Line& l) { return l.id == coldLine; });
    if (lines.isEmpty() || cold == lines.cend()) {
        err << "bench_search: cannot read " << SAMPLE_BILL << " or no line " << coldLine << '\n';
        return 1;
    }

    QHash<QString, QString> positions;
    for (const auto& row : readCsvTable(QStringLiteral(SAMPLE_CATALOGUE)))
        positions.insert(row.value(QStringLiteral("mat_id")),
                         row.value(QStringLiteral("position")));
    VeFinder finder;
    finder.setPosIndex(positions);

    // A child process: time the first call of the process and nothing else.
    if (coldOnly) {
        out << timedQuota(finder, *cold, index) << '\n';
        return 0;
    }

    QTemporaryDir dir;
    if (index.isEmpty()) {
        index = dir.filePath(QStringLiteral("index"));
        QElapsedTimer timer;
        timer.start();
        QProcess indexer;
        indexer.start(QStringLiteral(VEFINDER_INDEX_TOOL),
                      {QStringLiteral("--quiet"), QStringLiteral(SAMPLE_CATALOGUE), index});
        if (!indexer.waitForFinished(600000) || indexer.exitStatus() != QProcess::NormalExit
            || indexer.exitCode() != 0) {
            err << "bench_search: vefinder-index failed: " << indexer.readAllStandardError()
                << '\n';
            return 1;
        }
        out << "index of " << positions.size() << " entries built in "
            << ms(timer.nsecsElapsed() / 1e6) << " ms\n";
    }

    // Cold: the first quotaSearch of a process, which builds the lexicon
    // store and the segmenter pool (each fresh process pays it once).
    std::vector<qint64> coldNs;
    for (int run = 0; run < coldRuns; ++run) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--cold-only"), QStringLiteral("--index"), index,
                     QStringLiteral("--cold-line"), coldLine});
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            err << "bench_search: cold run " << run + 1 << " failed\n";
            return 1;
        }
        coldNs.push_back(child.readAllStandardOutput().trimmed().toLongLong());
    }

    // Warm-up pass, untimed; it also tells the cable lines from the ordinary ones.
    int found = 0;
    for (Line& line : lines) {
        CableStepSeen observer;
        finder.setObserver(&observer);
        QList<QStringList> result;
        finder.quotaSearch(result, line.code, line.name, line.spec, index, nullptr, true);
        finder.setObserver(nullptr);
        line.cable = observer.seen;
        for (const QStringList& group : qAsConst(result)) {
            if (!group.isEmpty()) {
                ++found;
                break;
            }
        }
    }

    // Timed passes: each line's median over the rounds.
    std::vector<std::vector<qint64>> perLine(size_t(lines.size()));
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < lines.size(); ++i)
            perLine[size_t(i)].push_back(timedQuota(finder, lines.at(i), index));
    }
    std::vector<qint64> ordinary;
    std::vector<qint64> cable;
    std::vector<qint64> all;
    for (int i = 0; i < lines.size(); ++i) {
        std::vector<qint64>& times = perLine[size_t(i)];
        std::sort(times.begin(), times.end());
        const qint64 median = times[times.size() / 2];
        (lines.at(i).cable ? cable : ordinary).push_back(median);
        all.push_back(median);
    }

    out << "quotaSearch on the sample catalogue, " << lines.size() << " bill lines (" << found
        << " with a match), deep search, one engine, " << rounds
        << " timed passes after one untimed pass; per line the median of its passes\n\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("lines"), -10)
               .arg(QStringLiteral("count"), 6)
               .arg(QStringLiteral("median ms"), 10)
               .arg(QStringLiteral("p90 ms"), 8)
               .arg(QStringLiteral("max ms"), 8);
    const auto row = [&](const char* label, const std::vector<qint64>& ns) {
        const Summary s = summarize(ns);
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(QString::fromLatin1(label), -10)
                   .arg(int(ns.size()), 6)
                   .arg(ms(s.median), 10)
                   .arg(ms(s.p90), 8)
                   .arg(ms(s.max), 8);
    };
    row("ordinary", ordinary);
    row("cable", cable);
    row("all", all);
    if (!coldNs.empty()) {
        const Summary s = summarize(coldNs);
        const QString described = QStringList{cold->id, cold->code, cold->name, cold->spec}
                                      .join(QLatin1Char(' '))
                                      .simplified();
        out << "\ncold first call (" << described
            << ", builds the lexicon store and the segmenter pool), " << coldNs.size()
            << " fresh processes: median " << ms(s.median) << " ms, max " << ms(s.max) << " ms\n";
    }
    return 0;
}

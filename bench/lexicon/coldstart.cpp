/** @file coldstart.cpp @brief Times the first SearchUtil::instance() call (deciphering and loading the lexicons). */
#include "lexicon/searchutil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

/// One cold start in this process: microseconds of the first instance() call.
qint64 coldStartMicros()
{
    QElapsedTimer timer;
    timer.start();
    SearchUtil* store = SearchUtil::instance();
    const qint64 us = timer.nsecsElapsed() / 1000;
    // Touch the store so the call cannot be dropped.
    return store->wordFlag(QStringLiteral("水")) == SearchUtil::FlagEquivalName ? us : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = QCoreApplication::arguments();

    const int runsAt = args.indexOf(QStringLiteral("--runs"));
    if (runsAt < 0) {
        out << coldStartMicros() << '\n';
        return 0;
    }

    // Every run is a fresh process: the store is built once per process.
    const int runs = qMax(1, args.value(runsAt + 1).toInt());
    std::vector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        if (!child.waitForFinished(60000) || child.exitCode() != 0) {
            out << "run " << i + 1 << " failed\n";
            return 1;
        }
        const qint64 us = child.readAllStandardOutput().trimmed().toLongLong();
        if (us < 0) {
            out << "run " << i + 1 << ": store not built\n";
            return 1;
        }
        times.push_back(us);
    }
    std::sort(times.begin(), times.end());
    const auto ms = [](qint64 us) { return QString::number(us / 1000.0, 'f', 2); };
    out << "SearchUtil::instance() cold start over " << runs << " processes: median "
        << ms(times[times.size() / 2]) << " ms, min " << ms(times.front()) << " ms, max "
        << ms(times.back()) << " ms\n";
    return 0;
}

/** @file batchrunner.cpp @brief Worker threads for batch matching, outcomes in input order. */
#include "batchrunner.h"

#include "engine/vefinder.h"

#include <QMutex>
#include <QMutexLocker>
#include <QWaitCondition>

#include <atomic>
#include <climits>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

BatchRunner::BatchRunner(const QString& indexPath, const QHash<QString, QString>& positions,
                         bool deepSearch, int jobs)
    : m_indexPath(indexPath),
      m_positions(positions),
      m_deepSearch(deepSearch),
      m_jobs(qMax(1, jobs))
{}

void BatchRunner::run(const QVector<Row>& rows, const Sink& sink, const Progress& progress)
{
    const int count = rows.size();
    std::vector<Outcome> outcomes(static_cast<size_t>(count));
    std::unique_ptr<std::atomic<bool>[]> done(new std::atomic<bool>[static_cast<size_t>(count)]);
    for (int i = 0; i < count; ++i)
        done[i].store(false);
    std::atomic<int> next{0};
    std::atomic<int> finished{0};
    QMutex mutex;
    QWaitCondition rowDone;

    auto work = [&]() {
        VeFinder finder;
        finder.setPosIndex(m_positions);
        for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            const Row& row = rows.at(i);
            Outcome& outcome = outcomes[static_cast<size_t>(i)];
            if (row.error.isEmpty()) {
                // An exception must not leave a worker thread: that ends the
                // process. The row carries it instead.
                int foundCount = INT_MIN;
                try {
                    finder.quotaSearch(outcome.groups, row.code, row.name, row.spec, m_indexPath,
                                       &foundCount, m_deepSearch);
                } catch (CLuceneError& e) {
                    outcome.error =
                        QStringLiteral("index error: %1").arg(QString::fromLocal8Bit(e.what()));
                } catch (std::exception& e) {
                    outcome.error =
                        QStringLiteral("search failed: %1").arg(QString::fromLocal8Bit(e.what()));
                }
                if (!outcome.error.isEmpty())
                    outcome.groups.clear();
                outcome.hasFoundCount = outcome.error.isEmpty() && foundCount != INT_MIN;
                outcome.foundCount = outcome.hasFoundCount ? foundCount : 0;
            }
            done[i].store(true, std::memory_order_release);
            finished.fetch_add(1);
            QMutexLocker lock(&mutex);
            rowDone.wakeAll();
        }
    };

    // One search here, before the workers start, opens the index once and
    // builds the lexicon store, so the workers start from a warm process.
    // A failure here shows again in the rows, which report it.
    try {
        QStringList ids;
        VeFinder().normCodeSearch(ids, QString(), m_indexPath);
    } catch (...) {}

    const int threadCount = qMin(m_jobs, qMax(1, count));
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(threadCount));
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back(work);

    // Hand on the outcomes in order from this thread while the workers run.
    int emitted = 0;
    while (emitted < count) {
        {
            QMutexLocker lock(&mutex);
            if (!done[emitted].load(std::memory_order_acquire))
                rowDone.wait(&mutex, 200);
        }
        while (emitted < count && done[emitted].load(std::memory_order_acquire)) {
            sink(emitted, outcomes[static_cast<size_t>(emitted)]);
            outcomes[static_cast<size_t>(emitted)] = Outcome(); // free what has been written
            ++emitted;
        }
        if (progress)
            progress(finished.load());
    }
    for (std::thread& thread : threads)
        thread.join();
}

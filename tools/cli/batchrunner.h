/** @file batchrunner.h @brief BatchRunner, quota searches of many rows on several threads. */
#pragma once

#include "billtable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

/// Runs quotaSearch for every row of a list on N worker threads, one VeFinder
/// per thread, and hands the outcomes back on the calling thread in the
/// rows' order as soon as each is complete with all rows before it. The
/// outcome of a row does not depend on the number of threads or on which
/// thread ran it: each row is one quotaSearch, as a single call would make.
class BatchRunner
{
public:
    /// A row to match (its error set: not searched).
    using Row = BillRow;
    struct Outcome {
        QList<QStringList> groups;
        bool hasFoundCount = false;
        int foundCount = 0;
        QString error; ///< the search failed (CLucene threw); no groups
    };

    /// Called with each row's index and outcome, in row order.
    using Sink = std::function<void(int row, const Outcome& outcome)>;
    /// Called now and then with the number of rows finished.
    using Progress = std::function<void(int finished)>;

    BatchRunner(const QString& indexPath, const QHash<QString, QString>& positions, bool deepSearch,
                int jobs);

    /// Searches all @p rows; returns when every outcome has been handed on.
    void run(const QVector<Row>& rows, const Sink& sink, const Progress& progress);

private:
    QString m_indexPath;
    QHash<QString, QString> m_positions;
    bool m_deepSearch;
    int m_jobs;
};

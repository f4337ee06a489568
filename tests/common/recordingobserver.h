/** @file recordingobserver.h @brief A search observer for tests that records what it is told. */
#pragma once

#include "engine/vesearchobserver.h"

#include <QStringList>

#include <functional>

/// Records "step: query text" per query and "step: matId sortValue" per
/// delivered id. onQuery runs before a query is recorded, so a test can act at
/// a chosen moment of a search (damage the index, or throw).
class RecordingObserver : public VeSearchObserver
{
public:
    void queryRun(const QString& step, const QString& query) override
    {
        if (onQuery)
            onQuery(step, query);
        queries << step + QStringLiteral(": ") + query;
    }
    void delivered(const QString& step, const QString& matId, double sortValue) override
    {
        deliveries << QStringLiteral("%1: %2 %3").arg(step, matId).arg(sortValue, 0, 'g', 17);
    }
    /// The step names of the queries, repeats of one step merged.
    QString steps() const
    {
        QStringList steps;
        for (const QString& entry : queries) {
            const QString step = entry.section(QStringLiteral(": "), 0, 0);
            if (steps.isEmpty() || steps.last() != step)
                steps << step;
        }
        return steps.join(QLatin1Char(' '));
    }

    QStringList queries, deliveries;
    std::function<void(const QString& step, const QString& query)> onQuery;
};

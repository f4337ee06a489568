/** @file recordingobserver.h @brief A search observer for tests that records what it is told. */
#pragma once

#include "engine/vesearchobserver.h"

#include <QStringList>

#include <functional>

/// Records each query as "step: query text" in queries() and each delivered
/// id as "step: matId sortValue" in deliveries(). An optional hook runs before
/// a query is recorded, so a test can act at a chosen moment of a search
/// (for example damage the index, or throw).
class RecordingObserver : public VeSearchObserver
{
public:
    void queryRun(const QString& step, const QString& query) override
    {
        if (onQuery)
            onQuery(step, query);
        m_queries << step + QStringLiteral(": ") + query;
    }
    void delivered(const QString& step, const QString& matId, double sortValue) override
    {
        m_deliveries << step + QStringLiteral(": ") + matId + QLatin1Char(' ')
                + QString::number(sortValue, 'g', 17);
    }

    const QStringList& queries() const { return m_queries; }
    const QStringList& deliveries() const { return m_deliveries; }
    /// Only the queries of @p step ("step: " removed).
    QStringList queriesOf(const QString& step) const { return only(m_queries, step); }
    void clear()
    {
        m_queries.clear();
        m_deliveries.clear();
    }

    std::function<void(const QString& step, const QString& query)> onQuery;

private:
    static QStringList only(const QStringList& entries, const QString& step)
    {
        const QString prefix = step + QStringLiteral(": ");
        QStringList out;
        for (const QString& e : entries) {
            if (e.startsWith(prefix))
                out << e.mid(prefix.size());
        }
        return out;
    }

    QStringList m_queries;
    QStringList m_deliveries;
};

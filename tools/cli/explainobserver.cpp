/** @file explainobserver.cpp @brief Recording deliveries and queries of one search. */
#include "explainobserver.h"

void ExplainObserver::queryRun(const QString& step, const QString& query)
{
    m_queries.append(qMakePair(step, query));
}

void ExplainObserver::delivered(const QString& step, const QString& matId, double sortValue)
{
    if (!m_deliveries.contains(matId))
        m_deliveries.insert(matId, Delivery{step, sortValue});
}

void ExplainObserver::clear()
{
    m_deliveries.clear();
    m_queries.clear();
}

ExplainObserver::Delivery ExplainObserver::delivery(const QString& matId, bool* found) const
{
    auto it = m_deliveries.constFind(matId);
    *found = it != m_deliveries.constEnd();
    return *found ? *it : Delivery();
}

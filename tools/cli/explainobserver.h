/** @file explainobserver.h @brief ExplainObserver, records which step delivered what. */
#pragma once

#include "engine/vesearchobserver.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

/// A search observer that keeps, for one search, the step and sort value of
/// every delivered mat id (the first delivery counts) and the queries run.
class ExplainObserver : public VeSearchObserver
{
public:
    struct Delivery {
        QString step;
        double sortValue = 0.0;
    };

    void queryRun(const QString& step, const QString& query) override;
    void delivered(const QString& step, const QString& matId, double sortValue) override;

    /// Forgets everything seen so far.
    void clear();
    /// How @p matId was delivered; found is false if it was not.
    Delivery delivery(const QString& matId, bool* found) const;
    /// (step, query text) in the order the queries ran.
    const QList<QPair<QString, QString>>& queries() const { return m_queries; }

private:
    QHash<QString, Delivery> m_deliveries;
    QList<QPair<QString, QString>> m_queries;
};

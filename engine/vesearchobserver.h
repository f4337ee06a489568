/** @file vesearchobserver.h @brief Optional observer of a search: which step delivered what. */
#pragma once

#include "vefinder_export.h"

#include <QString>

/// Receives, while a VeFinder searches, each query a step runs and each mat id
/// a step delivers with the sort value it was ranked by. Install one with
/// VeFinder::setObserver(); the engine does not own it, and a copy of an
/// engine shares the same observer pointer. Without an observer the engine
/// does no extra work. Called on the searching thread.
class VEFINDER_EXPORT VeSearchObserver
{
public:
    virtual ~VeSearchObserver();

    /// A step is about to run a query; @p query is the query's text form.
    virtual void queryRun(const QString& step, const QString& query);
    /// @p step delivered @p matId, ranked with @p sortValue (1.0 for unranked steps).
    virtual void delivered(const QString& step, const QString& matId, double sortValue);
};

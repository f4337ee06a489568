/** @file vesearchobserver.cpp @brief Default (empty) reactions of the search observer. */
#include "engine/vesearchobserver.h"

VeSearchObserver::~VeSearchObserver() = default;

void VeSearchObserver::queryRun(const QString& step, const QString& query)
{
    Q_UNUSED(step)
    Q_UNUSED(query)
}

void VeSearchObserver::delivered(const QString& step, const QString& matId, double sortValue)
{
    Q_UNUSED(step)
    Q_UNUSED(matId)
    Q_UNUSED(sortValue)
}

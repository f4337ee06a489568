/** @file vedocinfo.h @brief One index hit while it is being ranked. */
#pragma once

#include <QString>
#include <QtGlobal>

/// One hit: made from mat id, name and score; the ranking sets sortValue and
/// the location table sets position. A plain value type.
struct VeDocInfo {
    QString matId;          ///< stored "mat_id"
    QString name;           ///< stored title (normal path) or specification (cable path)
    double score = 0.0;     ///< CLucene's hit score
    double sortValue = 1.0; ///< ranking value, higher is better
    qint64 position = 0;    ///< catalogue position, lower first among equals

    VeDocInfo() = default;
    VeDocInfo(const QString& id, const QString& docName, double docScore)
        : matId(id), name(docName), score(docScore)
    {}
};

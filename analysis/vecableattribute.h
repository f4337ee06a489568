/** @file vecableattribute.h @brief A parsed cable description. */
#pragma once

#include <QList>
#include <QPair>
#include <QString>

/// The attributes of one cable description, filled once per cable search and
/// read by the cable queries and the cable ranking. Texts keep the upper case
/// of the normalised description.
struct VeCableAttribute {
    QString prefixCode; ///< last model prefix code taken (ZR, NH, WDZ, ...)
    QString model;      ///< the cable model, when a part contains it
    QString cores;      ///< core-count texts, separated by spaces
    QString sections;   ///< section texts, separated by spaces
    QString voltage;    ///< voltage without the units KV and V
    QList<QPair<QString, QString>> coreSections; ///< (core count, section) per part
};

/** @file positiontable.h @brief Loading the location table (mat id to catalogue position). */
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace PositionTable {
/// Reads mat id to hexadecimal position from @p path: a CSV whose header
/// names the columns mat_id and position (the catalogue itself), or a file of
/// two columns, mat id and position, separated by a comma, a tab or spaces.
/// Rows without a usable position are skipped and described in @p warnings.
/// False, with @p error naming the file, when the file cannot be read or
/// yields nothing at all.
bool load(const QString& path, QHash<QString, QString>* table, QStringList* warnings,
          QString* error);
} // namespace PositionTable

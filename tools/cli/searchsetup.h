/** @file searchsetup.h @brief Checks and preparations every search command makes first. */
#pragma once

#include "commandparser.h"

#include <QHash>
#include <QString>

namespace SearchSetup {
/// Checks dict/ beside the program and the index directory of @p settings
/// and loads the positions file if one is given. Problems are printed, each
/// naming the path at fault; the result is ExitOk or ExitDataError.
int prepare(const SearchSettings& settings, QHash<QString, QString>* positions);
} // namespace SearchSetup

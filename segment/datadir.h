/** @file datadir.h @brief The directory the library reads its data (dict/) from. */
#pragma once

#include "vefinder_export.h"

#include <QString>

/// Names the directory that holds the library's data, dict/MATLEX/ (the
/// lexicons) and dict/UTF-8/ (the friso dictionary and word-replace.txt),
/// in place of the application directory. For hosts whose application
/// directory is not theirs, such as a script interpreter. Call it before the
/// first search: the data are read once per process, on first use. An empty
/// @p dir goes back to the application directory. False, changing nothing,
/// when the data have already been read from another directory.
VEFINDER_EXPORT bool setVeFinderDataDir(const QString& dir);

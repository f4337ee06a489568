/** @file datadir_p.h @brief Where the library's data are read from (library internal). */
#pragma once

#include <QString>

/// The directory holding dict/: the one given to setVeFinderDataDir(), else
/// the application directory. Once called, the directory is fixed for the
/// process: the data are read from it.
QString veFinderDataDir();

/** @file datadir.cpp @brief The data directory: given by the host or the application directory. */
#include "segment/datadir.h"
#include "segment/datadir_p.h"

#include <QCoreApplication>

#include <mutex>

namespace {

std::mutex s_mutex;
QString s_dataDir;   ///< given by the host; empty: the application directory
bool s_read = false; ///< the library has looked its data up

} // namespace

bool setVeFinderDataDir(const QString& dir)
{
    const std::lock_guard<std::mutex> lock(s_mutex);
    // The lexicon store and the segmenters are built once; a new directory
    // after that would apply to neither, so it is refused rather than ignored.
    if (s_read && dir != s_dataDir)
        return false;
    s_dataDir = dir;
    return true;
}

QString veFinderDataDir()
{
    const std::lock_guard<std::mutex> lock(s_mutex);
    s_read = true;
    return s_dataDir.isEmpty() ? QCoreApplication::applicationDirPath() : s_dataDir;
}

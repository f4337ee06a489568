/** @file indexdirectory.cpp @brief Listing an index directory and opening a reader on it. */
#include "engine/indexdirectory_p.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vefinder {

ListingDirectory::ListingDirectory(const char* path)
{
    init(path);
}

bool ListingDirectory::list(std::vector<std::string>* names) const
{
    const int dir = ::open(getDirName(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    alignas(struct dirent64) char block[8192];
    for (;;) {
        const long filled = ::syscall(SYS_getdents64, dir, block, sizeof block);
        if (filled <= 0) {
            ::close(dir);
            return filled == 0;
        }
        for (long at = 0; at < filled;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(block + at);
            at += entry->d_reclen;
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0
                || entry->d_type == DT_DIR)
                continue;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat info;
                if (::fstatat(dir, entry->d_name, &info, 0) != 0 || S_ISDIR(info.st_mode))
                    continue;
            }
            names->push_back(entry->d_name);
        }
    }
}

lucene::index::IndexReader* openIndexReader(const char* path)
{
    auto* directory = new ListingDirectory(path);
    lucene::index::IndexReader* reader = nullptr;
    try {
        // The reader takes a reference of its own and drops it on close.
        reader = lucene::index::IndexReader::open(directory, true, nullptr);
    } catch (...) {
        _CLDECDELETE(directory);
        throw;
    }
    _CLDECDELETE(directory);
    return reader;
}

} // namespace vefinder

/** @file indexdirectory_p.h @brief An index directory on disk, listed without stat calls, opened per search. */
#pragma once

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <CLucene.h>
#pragma GCC diagnostic pop

#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

namespace vefinder {

/// What tells one file's contents from another's without reading them: a
/// file rewritten or replaced differs in one of these, unless the change
/// falls within the same tick of the file system's clock as the stamp.
struct FileStamp {
    std::string name;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modified = 0; ///< nanoseconds since the epoch
    int64_t changed = 0;  ///< status change, nanoseconds since the epoch

    bool operator==(const FileStamp& o) const
    {
        return name == o.name && device == o.device && inode == o.inode && size == o.size
            && modified == o.modified && changed == o.changed;
    }
};

/// @p t in nanoseconds since the epoch.
inline int64_t nanoseconds(const struct timespec& t)
{
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

/// CLucene's FSDirectory for one index directory, made for one reader and
/// gone with it. Opening an index lists its directory to find the newest
/// segments file; this listing asks the kernel for the entries' types
/// instead of calling stat on each, and needs no directory stream, whose
/// buffer is large enough to make the allocator tidy up its free lists on
/// every search. The directory is not shared through CLucene's table of
/// directories, so closing it touches no one else's.
class ListingDirectory final : public lucene::store::FSDirectory
{
public:
    /// Throws CLuceneError when @p path is no directory.
    explicit ListingDirectory(const char* path);

    /// The names of the entries that are not directories (symbolic links
    /// followed), in the order the file system gives them.
    bool list(std::vector<std::string>* names) const override;
    /// Opens @p name for reading with positioned reads (see FileInput in
    /// the source): no seek calls, no lock per read, and none of the 4 KiB
    /// path buffer CLucene's own input allocates per file, a request large
    /// enough to make the allocator tidy up its free lists.
    bool openInput(const char* name, lucene::store::IndexInput*& ret, CLuceneError& err,
                   int32_t bufferSize = -1) override;
    /// Nothing to release: the last reference deletes the object.
    void close() override {}

    /// The stamps of the files opened so far, in the order they were opened.
    std::vector<FileStamp> openedFiles() const;

private:
    mutable std::mutex m_openedLock; // guards m_opened
    std::vector<FileStamp> m_opened;
};

/// Opens the index at @p path (in the local 8-bit encoding) for reading;
/// the reader owns its directory. Throws CLuceneError as
/// IndexReader::open does.
lucene::index::IndexReader* openIndexReader(const char* path);

} // namespace vefinder

/** @file indexdirectory.cpp @brief Listing an index directory and opening a reader on it. */
#include "engine/indexdirectory_p.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vefinder {
namespace {

/// An open file shared by an input and its clones; closed with the last.
struct OpenFile {
    OpenFile(int descriptor, int64_t bytes) : fd(descriptor), size(bytes) {}
    ~OpenFile() { ::close(fd); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    const int fd;
    const int64_t size;
};

/// A file read with pread at the input's own position: clones share the
/// descriptor and nothing else, so no read needs a lock or a seek call.
class FileInput final : public lucene::store::BufferedIndexInput
{
public:
    FileInput(std::shared_ptr<const OpenFile> file, int32_t bufferSize)
        : BufferedIndexInput(bufferSize), m_file(std::move(file))
    {}

    lucene::store::IndexInput* clone() const override { return new FileInput(*this); }
    void close() override
    {
        BufferedIndexInput::close();
        m_file.reset();
    }
    int64_t length() const override { return m_file ? m_file->size : 0; }
    const char* getDirectoryType() const override
    {
        return lucene::store::FSDirectory::getClassName();
    }
    const char* getObjectName() const override { return "vefinder::FileInput"; }

protected:
    void readInternal(uint8_t* b, const int32_t len) override
    {
        if (!m_file)
            _CLTHROWA(CL_ERR_IO, "read from a closed file");
        int64_t at = getFilePointer();
        for (int32_t done = 0; done < len;) {
            const ssize_t got = ::pread(m_file->fd, b + done, size_t(len - done), at);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                _CLTHROWA(CL_ERR_IO, "read error");
            if (got == 0)
                _CLTHROWA(CL_ERR_IO, "read past EOF");
            done += int32_t(got);
            at += got;
        }
    }
    // Every read starts at getFilePointer(): nothing to move.
    void seekInternal(const int64_t) override {}

private:
    FileInput(const FileInput& other) = default;

    std::shared_ptr<const OpenFile> m_file;
};

} // namespace

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

bool ListingDirectory::openInput(const char* name, lucene::store::IndexInput*& ret,
                                 CLuceneError& err, int32_t bufferSize)
{
    const std::string path = std::string(getDirName()) + '/' + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // The messages of CLucene's own input.
        switch (errno) {
        case ENOENT:
            err.set(CL_ERR_IO, "File does not exist");
            break;
        case EACCES:
            err.set(CL_ERR_IO, "File Access denied");
            break;
        case EMFILE:
            err.set(CL_ERR_IO, "Too many open files");
            break;
        default:
            err.set(CL_ERR_IO, "Could not open file");
            break;
        }
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        err.set(CL_ERR_IO, "fileStat error");
        return false;
    }
    // No buffer larger than the file: the segments files, a few dozen bytes,
    // are opened without a size, for which CLucene's own input takes 16 KiB.
    const int64_t size = int64_t(info.st_size);
    if (bufferSize < 0)
        bufferSize = lucene::store::BufferedIndexInput::BUFFER_SIZE;
    bufferSize = int32_t(std::max<int64_t>(1, std::min<int64_t>(bufferSize, size)));
    std::shared_ptr<const OpenFile> file;
    try {
        file = std::make_shared<const OpenFile>(fd, size);
        const std::lock_guard<std::mutex> lock(m_openedLock);
        m_opened.push_back(FileStamp{name, uint64_t(info.st_dev), uint64_t(info.st_ino), size,
                                     nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)});
    } catch (...) {
        if (!file)
            ::close(fd);
        throw;
    }
    ret = new FileInput(std::move(file), bufferSize); // the file closes with it
    return true;
}

std::vector<FileStamp> ListingDirectory::openedFiles() const
{
    const std::lock_guard<std::mutex> lock(m_openedLock);
    return m_opened;
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

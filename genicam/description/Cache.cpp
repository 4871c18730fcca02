#include "Cache.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace genicam {

namespace {

const char kFolderBelowCache[] = "/visionaccess/genicam";
const char kCachedSuffix[] = ".xml";
const size_t kSha1HexLength = 40;
const char kIncomingPrefix[] = ".incoming-";
const mode_t kFileMode = 0600;
const size_t kReadChunkSize = 64 * 1024;
// Names tried for a new temporary file before giving up.
const int kIncomingAttempts = 100;
// A temporary file this old was left by a run that died.
const time_t kStaleIncomingSeconds = 60 * 60;

bool absolute(const char *path)
{
    return path != nullptr && path[0] == '/';
}

std::string hex(const uint8_t *bytes, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t k = 0; k < size; k++) {
        text += digits[bytes[k] >> 4];
        text += digits[bytes[k] & 0xF];
    }
    return text;
}

bool endsWith(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A name cacheFileName gives.
bool cachedName(const std::string &name)
{
    if (name.size() != kSha1HexLength + sizeof kCachedSuffix - 1 || !endsWith(name, kCachedSuffix))
        return false;
    return std::all_of(name.begin(), name.begin() + kSha1HexLength,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool writeAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += (size_t)written;
    }
    return true;
}

// Creates a new temporary file in folder, never an existing one nor
// through a link; its name in *name.  -1 when none can be made.
int createIncoming(int folder, std::string *name)
{
    static unsigned counter = 0;
    for (int attempt = 0; attempt < kIncomingAttempts; attempt++) {
        *name = kIncomingPrefix + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
                std::to_string((long long)time(nullptr));
        int fd = openat(folder, name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

struct CachedFile {
    std::string name;
    struct timespec used;
    uint64_t size;
};

bool newerFirst(const CachedFile &a, const CachedFile &b)
{
    if (a.used.tv_sec != b.used.tv_sec)
        return a.used.tv_sec > b.used.tv_sec;
    if (a.used.tv_nsec != b.used.tv_nsec)
        return a.used.tv_nsec > b.used.tv_nsec;
    return a.name < b.name;
}

} // namespace

std::string cacheFolderFrom(const char *xdgCacheHome, const char *home)
{
    if (absolute(xdgCacheHome))
        return std::string(xdgCacheHome) + kFolderBelowCache;
    if (absolute(home))
        return std::string(home) + "/.cache" + kFolderBelowCache;
    return "";
}

std::string cacheFileName(const ManifestEntry &entry)
{
    if (!entry.hasSha1())
        return "";
    return hex(entry.sha1.data(), entry.sha1.size()) + kCachedSuffix;
}

FileRead readFileAt(int folder, const std::string &name, size_t maxSize, bool followLinks, std::string *text)
{
    text->clear();
    // Non-blocking, so that a FIFO put in its place cannot hold the open.
    int fd = openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return FileRead::Unreadable;
    struct stat status;
    FileRead result = FileRead::Done;
    if (fstat(fd, &status) != 0)
        result = FileRead::Unreadable;
    else if (!S_ISREG(status.st_mode))
        result = FileRead::NotAFile;
    else if ((uint64_t)status.st_size > maxSize)
        result = FileRead::TooLarge;
    else
        text->reserve((size_t)status.st_size);
    std::vector<char> chunk(kReadChunkSize);
    ssize_t count;
    // Read to the end, whatever the size said: the file may have grown.
    while (result == FileRead::Done && (count = ::read(fd, chunk.data(), chunk.size())) != 0) {
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            result = FileRead::Unreadable;
        else if ((size_t)count > maxSize - text->size())
            result = FileRead::TooLarge;
        else
            text->append(chunk.data(), (size_t)count);
    }
    int error = errno;
    close(fd);
    errno = error;
    if (result != FileRead::Done)
        text->clear();
    return result;
}

DescriptionCache::~DescriptionCache()
{
    close(fd_);
}

bool DescriptionCache::read(const std::string &name, size_t maxSize, std::string *text) const
{
    if (readFileAt(fd_, name, maxSize, false, text) != FileRead::Done)
        return false;
    utimensat(fd_, name.c_str(), nullptr, AT_SYMLINK_NOFOLLOW);  // used now: the last to go
    return true;
}

void DescriptionCache::remove(const std::string &name) const
{
    unlinkat(fd_, name.c_str(), 0);
}

bool DescriptionCache::store(const std::string &name, const std::string &text) const
{
    std::string incoming;
    int fd = createIncoming(fd_, &incoming);
    if (fd < 0)
        return false;
    // Not synced: a copy cut short by a crash is refused by the caller's
    // check when next read, removed, and fetched again.
    bool written = writeAll(fd, text);
    written = close(fd) == 0 && written;
    if (!written || renameat(fd_, incoming.c_str(), fd_, name.c_str()) != 0) {
        unlinkat(fd_, incoming.c_str(), 0);
        return false;
    }
    trim(kMaxCachedFiles, kMaxCacheBytes);
    return true;
}

void DescriptionCache::trim(size_t maxFiles, uint64_t maxBytes) const
{
    int fd = openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *folder = fd < 0 ? nullptr : fdopendir(fd);
    if (folder == nullptr) {
        if (fd >= 0)
            close(fd);
        return;
    }
    std::vector<CachedFile> cached;
    std::vector<std::string> leftovers;
    time_t now = time(nullptr);
    while (const struct dirent *entry = readdir(folder)) {
        std::string name = entry->d_name;
        struct stat status;
        if (fstatat(fd_, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode))
            continue;
        if (cachedName(name))
            cached.push_back({name, status.st_mtim, (uint64_t)status.st_size});
        else if (endsWith(name, kCachedSuffix) ||
                 (name.compare(0, sizeof kIncomingPrefix - 1, kIncomingPrefix) == 0 &&
                  now - status.st_mtim.tv_sec >= kStaleIncomingSeconds))
            leftovers.push_back(name);
    }
    closedir(folder);
    std::sort(cached.begin(), cached.end(), newerFirst);
    // The newest that fit stay; from the first that does not, all go.
    size_t kept = 0;
    uint64_t bytes = 0;
    while (kept < cached.size() && kept < maxFiles && cached[kept].size <= maxBytes - bytes)
        bytes += cached[kept++].size;
    for (size_t k = kept; k < cached.size(); k++)
        leftovers.push_back(cached[k].name);
    for (const std::string &name : leftovers)
        unlinkat(fd_, name.c_str(), 0);
}

} // namespace genicam

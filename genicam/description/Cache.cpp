#include "Cache.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace genicam {

namespace {

const char kFolderBelowCache[] = "/visionaccess/genicam";
const size_t kMaxIdentityLength = 64;  // the size of the bootstrap string fields
const mode_t kFolderMode = 0700;
const size_t kReadChunkSize = 64 * 1024;

bool absolute(const char *path)
{
    return path != nullptr && path[0] == '/';
}

std::string safeText(const std::string &text)
{
    std::string safe;
    for (char c : text.substr(0, kMaxIdentityLength)) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '_' || c == '.';
        safe += plain ? c : '_';
    }
    return safe;
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

} // namespace

std::string cacheFolderFrom(const char *xdgCacheHome, const char *home)
{
    if (absolute(xdgCacheHome))
        return std::string(xdgCacheHome) + kFolderBelowCache;
    if (absolute(home))
        return std::string(home) + "/.cache" + kFolderBelowCache;
    return "";
}

std::string cacheFileName(const ManifestEntry &entry, const std::string &vendor, const std::string &model)
{
    if (entry.hasSha1())
        return hex(entry.sha1.data(), entry.sha1.size()) + ".xml";
    std::string name = safeText(vendor) + "_" + safeText(model) + "_" + entry.versionText() + "_" +
                       std::to_string(entry.size) + ".xml";
    if (name[0] == '.')
        name[0] = '_';
    return name;
}

FileRead readFile(const std::string &path, size_t maxSize, bool followLinks, std::string *text)
{
    text->clear();
    // Non-blocking, so that a FIFO put in its place cannot hold the open.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
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
    while (result == FileRead::Done && (count = read(fd, chunk.data(), chunk.size())) != 0) {
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

bool readCachedFile(const std::string &path, size_t maxSize, std::string *text)
{
    return readFile(path, maxSize, false, text) == FileRead::Done;
}

void removeCachedFile(const std::string &path)
{
    unlink(path.c_str());
}

bool prepareCacheFolder(const std::string &folder)
{
    for (size_t end = 1; end <= folder.size(); end++) {
        if (end < folder.size() && folder[end] != '/')
            continue;
        if (mkdir(folder.substr(0, end).c_str(), kFolderMode) != 0 && errno != EEXIST)
            return false;
    }
    struct stat status;
    return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool storeCachedFile(const std::string &folder, const std::string &name, const std::string &text)
{
    std::string temporary = folder + "/.incoming-XXXXXX";
    int fd = mkostemp(&temporary[0], O_CLOEXEC);  // O_EXCL, mode 0600
    if (fd < 0)
        return false;
    // Not synced: a copy cut short by a crash is refused by the caller's
    // check when next read, removed, and fetched again.
    bool written = writeAll(fd, text);
    written = close(fd) == 0 && written;
    if (written && rename(temporary.c_str(), (folder + "/" + name).c_str()) == 0)
        return true;
    unlink(temporary.c_str());
    return false;
}

} // namespace genicam

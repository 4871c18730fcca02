// The cache of GenICam descriptions: one file of unpacked XML per
// description, named by the SHA-1 its manifest entry gives, in a folder of
// the user's own.  The folder is opened and checked once; every file is then
// reached through that descriptor, never through its path again, and never
// through a link.  A cached file is as untrusted as a camera: read with a
// size cap.
#ifndef GENICAM_DESCRIPTION_CACHE_H
#define GENICAM_DESCRIPTION_CACHE_H

#include "Manifest.h"

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>

namespace genicam {

// The cache keeps at most this many descriptions and bytes; past either,
// the least recently used go first.  Real descriptions are 0.2 to 1.3 MB,
// so this holds every model of a large lab, and at least 16 of the largest
// descriptions read (8 MiB).
const size_t kMaxCachedFiles = 64;
const uint64_t kMaxCacheBytes = 128 * 1024 * 1024;

// The cache folder for these values of XDG_CACHE_HOME and HOME (either may
// be null): "$XDG_CACHE_HOME/visionaccess/genicam" when that is an absolute
// path, else "$HOME/.cache/visionaccess/genicam" when HOME is one, else "".
std::string cacheFolderFrom(const char *xdgCacheHome, const char *home);

// The file name of entry's description in the cache: "<SHA-1 in
// hexadecimal>.xml", or "" when the entry gives no SHA-1.  A description
// without one is never cached: nothing would tell one camera's copy from
// another's of the same name.
std::string cacheFileName(const ManifestEntry &entry);

// How readFileAt went.
enum class FileRead { Done, Unreadable, NotAFile, TooLarge };

// Reads the regular file name, relative to the folder descriptor folder
// (AT_FDCWD: the current folder), of at most maxSize bytes, into text (left
// empty on failure), following a link only when followLinks.  Never waits
// on a FIFO.  On Unreadable, errno says why.
FileRead readFileAt(int folder, const std::string &name, size_t maxSize, bool followLinks, std::string *text);

// An open cache folder.
class DescriptionCache {
public:
    // Opens folder (an absolute path), making what is missing of it with
    // mode 0700, and checks it: it and each folder above it, up to the
    // user's home (home, when absolute) or a folder of root's that no one
    // else can change (not writable by group or others, or sticky), must be
    // the user's own and writable by no one else.  A link on the way is
    // followed only when it and its folder are the user's or root's and no
    // one else can change that folder; a link planted by anyone else, as the
    // cache folder or above it, is not.  Null when the folder cannot be
    // made or fails a check: then there is no cache.
    static std::unique_ptr<DescriptionCache> open(const std::string &folder, const char *home);

    ~DescriptionCache();
    DescriptionCache(const DescriptionCache &) = delete;
    DescriptionCache &operator=(const DescriptionCache &) = delete;

    // The folder's path as it was given, for messages only.
    const std::string &folder() const { return folder_; }

    // Reads the cached file name of at most maxSize bytes, and marks it
    // used.  False when it is missing, a link or anything but a regular
    // file, larger, or cannot be read.
    bool read(const std::string &name, size_t maxSize, std::string *text) const;

    // Removes the cached file name, if any.
    void remove(const std::string &name) const;

    // Writes text as name through a new file of mode 0600 (never an
    // existing one, never through a link) renamed into place, then trims
    // the cache to its bounds.  False, leaving nothing behind, when it
    // cannot.
    bool store(const std::string &name, const std::string &text) const;

    // Removes the least recently used descriptions until at most maxFiles
    // of at most maxBytes in all remain, files of an older naming that are
    // never read, and temporary files left by a run that died an hour ago
    // or more.
    void trim(size_t maxFiles, uint64_t maxBytes) const;

private:
    DescriptionCache(int fd, const std::string &folder) : fd_(fd), folder_(folder) {}

    int fd_;
    std::string folder_;
};

} // namespace genicam

#endif

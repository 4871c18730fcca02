// The cache of GenICam descriptions: one file of unpacked XML per
// description, in a folder of the user's own.  A cached file is as
// untrusted as a camera: read with a size cap, never through a link.
#ifndef GENICAM_DESCRIPTION_CACHE_H
#define GENICAM_DESCRIPTION_CACHE_H

#include "Manifest.h"

#include <stddef.h>

#include <string>

namespace genicam {

// The cache folder for these values of XDG_CACHE_HOME and HOME (either may
// be null): "$XDG_CACHE_HOME/visionaccess/genicam" when that is an absolute
// path, else "$HOME/.cache/visionaccess/genicam" when HOME is one, else "".
std::string cacheFolderFrom(const char *xdgCacheHome, const char *home);

// The file name of entry's description in the cache: "<SHA-1 in
// hexadecimal>.xml" when the entry gives a SHA-1, else
// "<vendor>_<model>_<version>_<size>.xml".  Only letters, digits, '-', '_'
// and '.' (others become '_'), no leading dot, at most 168 characters.
std::string cacheFileName(const ManifestEntry &entry, const std::string &vendor, const std::string &model);

// How readFile went.
enum class FileRead { Done, Unreadable, NotAFile, TooLarge };

// Reads the regular file at path, of at most maxSize bytes, into text (left
// empty on failure), following a link only when followLinks.  On
// Unreadable, errno says why.
FileRead readFile(const std::string &path, size_t maxSize, bool followLinks, std::string *text);

// Reads a cached file: readFile, never through a link.  False when it is
// missing, is a link or anything but a regular file, is larger, or cannot
// be read.
bool readCachedFile(const std::string &path, size_t maxSize, std::string *text);

// Removes the file at path, if any.
void removeCachedFile(const std::string &path);

// Creates folder (mode 0700, with any missing parents) when it is missing.
// False when it cannot, or when it is not a folder of this user's that no
// one else may write to: a cache others can write to is no cache.
bool prepareCacheFolder(const std::string &folder);

// Writes text as name in folder (prepared) through a temporary file of
// mode 0600 renamed into place.  False, leaving nothing behind, when it
// cannot.
bool storeCachedFile(const std::string &folder, const std::string &name, const std::string &text);

} // namespace genicam

#endif

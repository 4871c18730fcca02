// A camera's GenICam description, found through its manifest (a GigE
// Vision camera's through its URL register, GigeDescription.h), fetched
// through a Port, checked against its SHA-1, unpacked when zipped, and
// cached.  Everything the camera or the cache gives is untrusted: bounded
// in size, and every failure is one of the reasons in Reasons.h.
#ifndef GENICAM_DESCRIPTION_DESCRIPTION_H
#define GENICAM_DESCRIPTION_DESCRIPTION_H

#include "DeviceReader.h"
#include "Manifest.h"
#include "Port.h"
#include "Reasons.h"

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <memory>
#include <string>

namespace genicam {

class DescriptionCache;

// The largest description accepted, unpacked: what the engine parses.
const uint64_t kMaxDescriptionSize = 8 * 1024 * 1024;
// The largest ZIP file accepted as the camera stores it: the description
// stored uncompressed, with room for the archive's headers and small files
// beside it.
const uint64_t kMaxZipFileSize = kMaxDescriptionSize + 1024 * 1024;

// How a description is fetched.
struct FetchOptions {
    // The open cache folder (openDefaultCache()), or null to fetch without
    // a cache.
    const DescriptionCache *cache = nullptr;
    // The largest piece read from the port at once; 0 or more than 64 KiB
    // means 64 KiB.  A slow port gets progress more often with less.
    size_t pieceSize = 0;
    // Told, when set, after each piece of the file is read from the camera.
    Progress progress;
    // When set, judges an XML text before it is used: a cached one it
    // rejects is removed and fetched again; a fetched one it rejects is
    // still given, but not cached.
    std::function<bool(const std::string &xml)> accept;
};

enum class Source { Camera, Cache };

// A fetched description, and where it came from.
struct Description {
    std::string xml;        // the description, unpacked
    Source source = Source::Camera;
    std::string cacheFile;  // the path of its cached copy, "" when none was read or written
    ManifestEntry entry;    // the manifest entry it was found through
    std::string detail;     // on failure, the port's own words for a read that failed
};

// Fetches the description of the camera behind port, through the cache
// when options give one; only a description whose manifest entry (or URL)
// gives a SHA-1 is read from or written to the cache.  A camera without a
// USB3 Vision manifest is asked for a GigE Vision URL register.  A file larger than can be
// parsed is refused before it is read: an XML of more than
// kMaxDescriptionSize bytes, a ZIP of more than kMaxZipFileSize, or one
// whose directory claims more (read first, alone).  False with reason set
// to one of the reasons of Reasons.h when there is none to have.
bool fetchDescription(Port &port, const FetchOptions &options, Description *out, std::string *reason);

// The cache folder that the environment gives (cacheFolderFrom with
// XDG_CACHE_HOME and HOME); "" when neither is usable.
std::string defaultCacheFolder();

// The cache folder of defaultCacheFolder(), opened and checked; null when
// there is none or it fails a check.
std::unique_ptr<DescriptionCache> openDefaultCache();

} // namespace genicam

#endif

#include "Description.h"

#include "Cache.h"
#include "Unzip.h"

#include <sha1.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace genicam {

namespace {

const uint64_t kVendorNameRegister = 0x0004;
const uint64_t kModelNameRegister = 0x0044;
const uint64_t kEntryCountSize = 8;

bool fail(const DeviceReader &device, Description *out, std::string *reason)
{
    *reason = device.reason();
    out->detail = device.detail();
    return false;
}

// Finds the manifest entry of the description to fetch.
bool findEntry(DeviceReader &device, Description *out, std::string *reason)
{
    uint64_t table = 0;
    uint64_t count = 0;
    if (!device.readU64(kManifestTableRegister, &table))
        return fail(device, out, reason);
    if (table == 0) {
        *reason = kNoManifest;
        return false;
    }
    if (!device.readU64(table, &count))
        return fail(device, out, reason);
    uint64_t entriesAt = table + kEntryCountSize;
    if (entriesAt < table) {
        *reason = unreadableRegister(table);  // the table runs off the end of the address space
        return false;
    }
    if (count > kMaxManifestEntries)
        count = kMaxManifestEntries;
    std::vector<uint8_t> entries;
    if (!device.read(entriesAt, count * kManifestEntrySize, &entries))
        return fail(device, out, reason);
    if (!chooseManifestEntry(entries.data(), (size_t)count, &out->entry)) {
        *reason = kNoUsableEntry;
        return false;
    }
    return true;
}

bool sha1Matches(const std::vector<uint8_t> &bytes, const ManifestEntry &entry)
{
    SHA1_CTX context;
    uint8_t digest[SHA1_DIGEST_LENGTH];
    SHA1Init(&context);
    SHA1Update(&context, bytes.data(), bytes.size());
    SHA1Final(digest, &context);
    static_assert(sizeof digest == sizeof entry.sha1, "a SHA-1 is 20 bytes");
    return memcmp(digest, entry.sha1.data(), sizeof digest) == 0;
}

// Reads the entry's file from the camera, checks it, and unpacks it.
bool fetchFile(DeviceReader &device, const FetchOptions &options, Description *out, std::string *reason)
{
    const ManifestEntry &entry = out->entry;
    std::vector<uint8_t> file;
    if (!device.read(entry.address, entry.size, &file, options.progress))
        return fail(device, out, reason);
    if (entry.hasSha1() && !sha1Matches(file, entry)) {
        *reason = kSha1Mismatch;
        return false;
    }
    if (entry.compression() == (unsigned)Compression::Zip)
        return unzipOneXml(file.data(), file.size(), kMaxDescriptionSize, &out->xml, reason);
    out->xml.assign(file.begin(), file.end());
    return true;
}

bool acceptable(const FetchOptions &options, const std::string &xml)
{
    return !options.accept || options.accept(xml);
}

} // namespace

bool fetchDescription(Port &port, const FetchOptions &options, Description *out, std::string *reason)
{
    *out = Description();
    reason->clear();
    DeviceReader device(port, options.pieceSize);
    if (!findEntry(device, out, reason))
        return false;
    const ManifestEntry &entry = out->entry;
    if (entry.size > kMaxDescriptionSize) {
        *reason = kTooLarge;
        return false;
    }

    // The cache, when there is one and the description can be named: a
    // camera whose name strings cannot be read is fetched without it.
    std::string name;
    std::string vendor;
    std::string model;
    if (!options.cacheFolder.empty() && prepareCacheFolder(options.cacheFolder) &&
        (entry.hasSha1() || (device.readString(kVendorNameRegister, &vendor) &&
                             device.readString(kModelNameRegister, &model))))
        name = cacheFileName(entry, vendor, model);
    std::string path = name.empty() ? "" : options.cacheFolder + "/" + name;
    if (!path.empty()) {
        if (readCachedFile(path, kMaxDescriptionSize, &out->xml) && acceptable(options, out->xml)) {
            out->source = Source::Cache;
            out->cacheFile = path;
            return true;
        }
        removeCachedFile(path);
    }

    if (!fetchFile(device, options, out, reason)) {
        out->xml.clear();
        return false;
    }
    if (!path.empty() && acceptable(options, out->xml) && storeCachedFile(options.cacheFolder, name, out->xml))
        out->cacheFile = path;
    return true;
}

std::string defaultCacheFolder()
{
    return cacheFolderFrom(getenv("XDG_CACHE_HOME"), getenv("HOME"));
}

} // namespace genicam

#include "Description.h"

#include "CameraRegisters.h"
#include "Cache.h"
#include "GigeDescription.h"
#include "Unzip.h"

#include <sha1.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <vector>

namespace genicam {

namespace {

const uint64_t kEntryCountSize = 8;
// A ZIP is read from the camera in blocks of this size, each once, first
// those of its directory: minizip reads that a few bytes at a time, and
// looks back up to 64 KiB from the end.  As large as the largest piece, so
// that the blocks cost no more reads than one read of the whole file.
const uint64_t kDirectoryBlockSize = kMaxPieceSize;

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
    if (!device.readU64(kBootstrapManifestTable, &table))
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

// A GigE Vision camera has no manifest where a USB3 Vision camera keeps one:
// its description is named by a URL register instead.  The reason found
// so far stands when the camera is no GigE Vision camera either.
bool findGigeEntry(DeviceReader &device, Description *out, std::string *reason)
{
    std::string gigeReason;
    switch (findGigeDescription(device, &out->entry, &gigeReason)) {
    case GigeFound::Found:
        reason->clear();
        out->detail.clear();
        return true;
    case GigeFound::Failed:
        *reason = gigeReason;
        out->detail = device.detail();
        return false;
    case GigeFound::NotGige:
        break;
    }
    return false;
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

bool isZip(const ManifestEntry &entry)
{
    return entry.compression() == (unsigned)Compression::Zip;
}

// The entry's ZIP file on the camera, read a block at a time, each block
// once: first what minizip looks at of its directory, then the rest.
// Every byte is read from the camera once, and what is kept is bounded by
// the file's size, itself capped.
class CameraArchive {
public:
    // Tells progress (when set) the bytes read from the camera so far.
    CameraArchive(DeviceReader &device, const ManifestEntry &entry, const Progress &progress)
        : device_(device), entry_(entry), progress_(progress)
    {
    }

    // Reads size bytes at offset of the file, through the blocks.
    bool read(uint64_t offset, uint8_t *bytes, size_t size)
    {
        while (size > 0) {
            uint64_t start = offset - offset % kDirectoryBlockSize;
            const std::vector<uint8_t> *block = blockAt(start);
            if (block == nullptr)
                return false;
            size_t at = (size_t)(offset - start);
            size_t count = std::min(size, block->size() - at);
            memcpy(bytes, block->data() + at, count);
            bytes += count;
            offset += count;
            size -= count;
        }
        return true;
    }

    // The whole file: the blocks read so far, and the rest read now in runs
    // as long as the blocks between allow.
    bool readAll(std::vector<uint8_t> *file)
    {
        uint64_t at = 0;
        while (at < entry_.size) {
            auto next = blocks_.lower_bound(at);
            if (next != blocks_.end() && next->first == at) {
                file->insert(file->end(), next->second.begin(), next->second.end());
                at += next->second.size();
                continue;
            }
            uint64_t end = next == blocks_.end() ? entry_.size : next->first;
            if (!fetch(at, end - at, file))
                return false;
            at = end;
        }
        return true;
    }

    // True when the last read failed on the camera, not in the file.
    bool failed() const { return failed_; }

private:
    const std::vector<uint8_t> *blockAt(uint64_t start)
    {
        auto known = blocks_.find(start);
        if (known != blocks_.end())
            return &known->second;
        std::vector<uint8_t> block;
        // After a failure nothing more is asked of the camera: its reason
        // stays the first failure's.
        if (failed_ || !fetch(start, std::min(kDirectoryBlockSize, entry_.size - start), &block)) {
            failed_ = true;
            return nullptr;
        }
        return &(blocks_[start] = std::move(block));
    }

    // Appends the size bytes at offset, read from the camera, to bytes.
    bool fetch(uint64_t offset, uint64_t size, std::vector<uint8_t> *bytes)
    {
        Progress told;
        uint64_t before = fetched_;
        if (progress_)
            told = [&](uint64_t done, uint64_t) { progress_(before + done, entry_.size); };
        if (!device_.read(entry_.address + offset, size, bytes, told))
            return false;
        fetched_ += size;
        return true;
    }

    DeviceReader &device_;
    const ManifestEntry &entry_;
    const Progress &progress_;
    std::map<uint64_t, std::vector<uint8_t>> blocks_;
    uint64_t fetched_ = 0;
    bool failed_ = false;
};

// Reads the entry's file from the camera, refusing before it is read an
// entry larger than can be parsed, or a ZIP whose directory says that it
// holds no description that can be.
bool readEntryFile(DeviceReader &device, const FetchOptions &options, Description *out, std::vector<uint8_t> *file,
              std::string *reason)
{
    const ManifestEntry &entry = out->entry;
    if (entry.size > (isZip(entry) ? kMaxZipFileSize : kMaxDescriptionSize)) {
        *reason = kTooLarge;
        return false;
    }
    if (!isZip(entry))
        return device.read(entry.address, entry.size, file, options.progress) || fail(device, out, reason);
    // The whole file's range first: the blocks alone would not tell one
    // that runs off the end of the address space.
    if (!device.reaches(entry.address, entry.size))
        return fail(device, out, reason);
    CameraArchive archive(device, entry, options.progress);
    ArchiveRead read = [&archive](uint64_t offset, uint8_t *bytes, size_t size) {
        return archive.read(offset, bytes, size);
    };
    if (!checkZipDirectory(entry.size, read, kMaxDescriptionSize, reason))
        return archive.failed() ? fail(device, out, reason) : false;
    return archive.readAll(file) || fail(device, out, reason);
}

// Reads the entry's file from the camera, checks it, and unpacks it.
bool fetchFile(DeviceReader &device, const FetchOptions &options, Description *out, std::string *reason)
{
    const ManifestEntry &entry = out->entry;
    std::vector<uint8_t> file;
    if (!readEntryFile(device, options, out, &file, reason))
        return false;
    if (entry.hasSha1() && !sha1Matches(file, entry)) {
        *reason = kSha1Mismatch;
        return false;
    }
    if (isZip(entry))
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
    if (!findEntry(device, out, reason) && !findGigeEntry(device, out, reason))
        return false;

    std::string name = options.cache != nullptr ? cacheFileName(out->entry) : "";
    if (!name.empty()) {
        if (options.cache->read(name, kMaxDescriptionSize, &out->xml) && acceptable(options, out->xml)) {
            out->source = Source::Cache;
            out->cacheFile = options.cache->folder() + "/" + name;
            return true;
        }
        options.cache->remove(name);
    }

    if (!fetchFile(device, options, out, reason)) {
        out->xml.clear();
        return false;
    }
    if (!name.empty() && acceptable(options, out->xml) && options.cache->store(name, out->xml))
        out->cacheFile = options.cache->folder() + "/" + name;
    return true;
}

std::string defaultCacheFolder()
{
    return cacheFolderFrom(getenv("XDG_CACHE_HOME"), getenv("HOME"));
}

std::unique_ptr<DescriptionCache> openDefaultCache()
{
    std::string folder = defaultCacheFolder();
    return folder.empty() ? nullptr : DescriptionCache::open(folder, getenv("HOME"));
}

} // namespace genicam

// Fuzzes the GenICam description reader.  The first byte chooses how the
// rest is used:
//   bit 0 set: the rest is a ZIP archive, its directory checked and the
//   archive unpacked directly, the two agreeing;
//   bit 0 clear: the rest is a camera's memory from address 0 (bootstrap
//   registers, manifest or GigE Vision URL register, files), also seen
//   again at 0x100000000; bit 1
//   makes the port reach only 32-bit addresses, bit 2 adds a cache, bit 3
//   has the cache's judge reject everything, bits 4-7 choose the piece size.
// Whatever the bytes, the reader gives a description or one of its
// reasons, and a cached description reads back as it was fetched.  The
// cache folder is opened once, as a run opens it.
#include "Cache.h"
#include "Description.h"
#include "FuzzFile.h"
#include "Unzip.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>

namespace {

using namespace genicam;

const uint64_t kMirrorAt = 0x100000000;
const size_t kPieceStep = 4096;

[[noreturn]] void fault(const char *what, const std::string &detail)
{
    fprintf(stderr, "description reader: %s: %s\n", what, detail.c_str());
    abort();
}

// A camera whose memory is the fuzz input, at 0 and at kMirrorAt.
class ImagePort : public Port {
public:
    ImagePort(const uint8_t *image, size_t size, bool wide) : image_(image), size_(size), wide_(wide) {}

    bool read(uint64_t address, uint8_t *bytes, size_t size, std::string *reason) override
    {
        uint64_t at = address >= kMirrorAt ? address - kMirrorAt : address;
        if (!wide_ && address > 0xFFFFFFFF)
            fault("a narrow port was asked beyond 32 bits", std::to_string(address));
        if (at > size_ || size > size_ - at) {
            *reason = "no memory there";
            return false;
        }
        memcpy(bytes, image_ + at, size);
        return true;
    }
    bool write(uint64_t, const uint8_t *, size_t, std::string *) override { return false; }
    bool reachesAbove32Bits() const override { return wide_; }

private:
    const uint8_t *image_;
    size_t size_;
    bool wide_;
};

bool framed(const std::string &reason, const std::string &prefix, const std::string &suffix)
{
    return reason.size() > prefix.size() + suffix.size() && reason.compare(0, prefix.size(), prefix) == 0 &&
           reason.compare(reason.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool zipReason(const std::string &reason)
{
    return reason == kNotZipWithOneXml || reason == kTooLarge ||
           framed(reason, "ZIP compression method ", " is neither stored nor deflate");
}

bool knownReason(const std::string &reason)
{
    for (const char *known : {kNoManifest, kNoUsableEntry, kBeyond32Bits, kSha1Mismatch})
        if (reason == known)
            return true;
    return zipReason(reason) || framed(reason, "register 0x", " could not be read") ||
           framed(reason, "URL register 0x", " holds no terminated URL") ||
           framed(reason, "its URL ", " names a file outside the camera: give the description with -g") ||
           reason.rfind("unusable URL ", 0) == 0;
}

// An archive unpacked has a directory that passes the check, and a
// directory refused for its method or size cannot be unpacked.
void fuzzUnzip(const uint8_t *data, size_t size)
{
    std::string xml, reason, directoryReason;
    bool unpacked = unzipOneXml(data, size, kMaxDescriptionSize, &xml, &reason);
    if (!unpacked && !zipReason(reason))
        fault("unknown reason", reason);
    ArchiveRead read = [data](uint64_t offset, uint8_t *bytes, size_t count) {
        memcpy(bytes, data + offset, count);
        return true;
    };
    bool checked = checkZipDirectory(size, read, kMaxDescriptionSize, &directoryReason);
    if (!checked && !zipReason(directoryReason))
        fault("unknown reason", directoryReason);
    if (unpacked && !checked)
        fault("unpacked, but its directory was refused", directoryReason);
    if (!checked && directoryReason != kNotZipWithOneXml && (unpacked || reason != directoryReason))
        fault("the directory and the unpacking disagree", reason + " / " + directoryReason);
}

const DescriptionCache *fuzzCache()
{
    static std::unique_ptr<DescriptionCache> cache = DescriptionCache::open(fuzzFolder() + "/cache", nullptr);
    if (cache == nullptr)
        fault("the cache folder cannot be opened", fuzzFolder());
    return cache.get();
}

void fuzzFetch(uint8_t mode, const uint8_t *data, size_t size)
{
    ImagePort port(data, size, (mode & 2) == 0);
    FetchOptions options;
    options.pieceSize = 1 + (mode >> 4) * kPieceStep;
    if (mode & 4)
        options.cache = fuzzCache();
    if (mode & 8)
        options.accept = [](const std::string &) { return false; };

    Description fetched;
    std::string reason;
    if (!fetchDescription(port, options, &fetched, &reason)) {
        if (!knownReason(reason))
            fault("unknown reason", reason);
        return;
    }
    if (fetched.xml.size() > kMaxDescriptionSize)
        fault("larger than the cap", std::to_string(fetched.xml.size()));
    if (fetched.cacheFile.empty())
        return;
    Description cached;
    if (!fetchDescription(port, options, &cached, &reason) || cached.source != Source::Cache ||
        cached.xml != fetched.xml)
        fault("the cache did not give back what was fetched", fetched.cacheFile);
    fuzzCache()->remove(fetched.cacheFile.substr(fetched.cacheFile.rfind('/') + 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 1)
        fuzzUnzip(data + 1, size - 1);
    else
        fuzzFetch(data[0], data + 1, size - 1);
    return 0;
}

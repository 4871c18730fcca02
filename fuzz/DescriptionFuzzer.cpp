// Fuzzes the GenICam description reader.  The first byte chooses how the
// rest is used:
//   bit 0 set: the rest is a ZIP archive, unpacked directly;
//   bit 0 clear: the rest is a camera's memory from address 0 (bootstrap
//   registers, manifest, files), also seen again at 0x100000000; bit 1
//   makes the port reach only 32-bit addresses, bit 2 adds a cache, bit 3
//   has the cache's judge reject everything, bits 4-7 choose the piece size.
// Whatever the bytes, the reader gives a description or one of its
// reasons, and a cached description reads back as it was fetched.
#include "Cache.h"
#include "Description.h"
#include "FuzzFile.h"
#include "Unzip.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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

bool knownReason(const std::string &reason)
{
    for (const char *known : {kNoManifest, kNoUsableEntry, kBeyond32Bits, kNotZipWithOneXml, kSha1Mismatch, kTooLarge})
        if (reason == known)
            return true;
    const std::string prefix = "register 0x", suffix = " could not be read";
    return reason.size() > prefix.size() + suffix.size() && reason.compare(0, prefix.size(), prefix) == 0 &&
           reason.compare(reason.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void fuzzUnzip(const uint8_t *data, size_t size)
{
    std::string xml, reason;
    if (!unzipOneXml(data, size, kMaxDescriptionSize, &xml, &reason) && reason != kNotZipWithOneXml &&
        reason != kTooLarge)
        fault("unknown reason", reason);
}

void fuzzFetch(uint8_t mode, const uint8_t *data, size_t size)
{
    ImagePort port(data, size, (mode & 2) == 0);
    FetchOptions options;
    options.pieceSize = 1 + (mode >> 4) * kPieceStep;
    if (mode & 4)
        options.cacheFolder = fuzzFolder() + "/cache";
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
    removeCachedFile(fetched.cacheFile);
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

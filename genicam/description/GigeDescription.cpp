#include "GigeDescription.h"

#include "CameraRegisters.h"
#include "GigeUrl.h"

#include <vector>

namespace genicam {

namespace {

const size_t kEntrySize = 8;
const uint64_t kMaxEntries = kGigeUrlSize / kEntrySize - 1;  // the table is 512 bytes, its header 8

uint64_t loadBigEndian(const uint8_t *bytes, size_t size)
{
    uint64_t value = 0;
    for (size_t k = 0; k < size; k++)
        value = value << 8 | bytes[k];
    return value;
}

// The URL register at address, read and parsed.
bool readUrl(DeviceReader &device, uint64_t address, GigeUrl *url, std::string *reason)
{
    std::vector<uint8_t> bytes;
    if (!device.read(address, kGigeUrlSize, &bytes)) {
        *reason = device.reason();
        return false;
    }
    return parseGigeUrl(bytes.data(), bytes.size(), address, url, reason);
}

// The URL of the manifest's newest usable entry, with the entry's
// versions; false when the camera has no manifest or none of it serves.
bool urlFromManifest(DeviceReader &device, GigeUrl *url, GigeManifestEntry *chosen)
{
    std::vector<uint8_t> capability, header;
    if (!device.read(kGigeCapability, 4, &capability) ||
        (loadBigEndian(capability.data(), 4) & kGigeCapabilityManifest) == 0 ||
        !device.read(kGigeManifestTable, kEntrySize, &header))
        return false;
    uint64_t count = loadBigEndian(header.data(), kEntrySize) >> 58;
    count = count > kMaxEntries ? kMaxEntries : count;
    std::vector<uint8_t> entries;
    std::string ignored;
    return count > 0 && device.read(kGigeManifestTable + kEntrySize, count * kEntrySize, &entries) &&
           chooseGigeManifestEntry(entries.data(), (size_t)count, chosen) &&
           readUrl(device, chosen->urlAddress, url, &ignored);
}

} // namespace

GigeManifestEntry parseGigeManifestEntry(uint64_t word)
{
    GigeManifestEntry entry;
    entry.major = (unsigned)(word >> 58);
    entry.minor = (unsigned)(word >> 52) & 0x3F;
    entry.subminor = (unsigned)(word >> 46) & 0x3F;
    entry.schemaMajor = (unsigned)(word >> 40) & 0x3F;
    entry.schemaMinor = (unsigned)(word >> 34) & 0x3F;
    entry.urlAddress = (uint32_t)word;
    return entry;
}

bool chooseGigeManifestEntry(const uint8_t *bytes, size_t count, GigeManifestEntry *chosen)
{
    bool found = false;
    uint32_t best = 0;
    for (size_t k = 0; k < count; k++) {
        GigeManifestEntry entry = parseGigeManifestEntry(loadBigEndian(bytes + k * kEntrySize, kEntrySize));
        uint32_t version = entry.major << 16 | entry.minor << 8 | entry.subminor;
        if (entry.schemaMajor != 1 || (found && version <= best))
            continue;
        found = true;
        best = version;
        *chosen = entry;
    }
    return found;
}

GigeFound findGigeDescription(DeviceReader &device, ManifestEntry *entry, std::string *reason)
{
    std::vector<uint8_t> first;
    if (!device.read(kGigeFirstUrl, kGigeUrlSize, &first) || !startsWithGigeUrl(first.data(), first.size()))
        return GigeFound::NotGige;
    GigeUrl url;
    GigeManifestEntry chosen;
    chosen.schemaMajor = 1;
    if (!urlFromManifest(device, &url, &chosen)) {
        chosen = GigeManifestEntry();
        chosen.schemaMajor = 1;
        if (!parseGigeUrl(first.data(), first.size(), kGigeFirstUrl, &url, reason))
            return GigeFound::Failed;
    }
    *entry = ManifestEntry();
    entry->fileVersion = chosen.major << 24 | chosen.minor << 16 | chosen.subminor;
    entry->fileFormat = chosen.schemaMajor << 24 | chosen.schemaMinor << 16 |
                        (unsigned)(url.zip ? Compression::Zip : Compression::Xml) << 10;
    entry->address = url.address;
    entry->size = url.size;
    entry->sha1 = url.sha1;
    return GigeFound::Found;
}

} // namespace genicam

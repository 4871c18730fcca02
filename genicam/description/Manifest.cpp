#include "Manifest.h"

#include <string.h>

#include "CameraRegisters.h"

namespace genicam {

namespace {

const size_t kFileVersionAt = 0x00;
const size_t kFileFormatAt = 0x04;
const size_t kAddressAt = 0x08;
const size_t kSizeAt = 0x10;
const size_t kSha1At = 0x18;
const unsigned kDeviceDescription = 0;  // file type: not a buffer (chunk) description
const unsigned kSchemaMajor = 1;

} // namespace

bool ManifestEntry::hasSha1() const
{
    for (uint8_t byte : sha1)
        if (byte != 0)
            return true;
    return false;
}

std::string ManifestEntry::versionText() const
{
    return std::to_string(major()) + "." + std::to_string(minor()) + "." + std::to_string(subminor());
}

ManifestEntry parseManifestEntry(const uint8_t *bytes)
{
    ManifestEntry entry;
    entry.fileVersion = (uint32_t)loadLittleEndian(bytes + kFileVersionAt, 4);
    entry.fileFormat = (uint32_t)loadLittleEndian(bytes + kFileFormatAt, 4);
    entry.address = loadLittleEndian(bytes + kAddressAt, 8);
    entry.size = loadLittleEndian(bytes + kSizeAt, 8);
    memcpy(entry.sha1.data(), bytes + kSha1At, entry.sha1.size());
    return entry;
}

bool usableEntry(const ManifestEntry &entry)
{
    unsigned compression = entry.compression();
    return entry.fileType() == kDeviceDescription && entry.schemaMajor() == kSchemaMajor &&
           (compression == (unsigned)Compression::Xml || compression == (unsigned)Compression::Zip) &&
           entry.size > 0;
}

bool chooseManifestEntry(const uint8_t *bytes, size_t count, ManifestEntry *chosen)
{
    bool found = false;
    for (size_t k = 0; k < count; k++) {
        ManifestEntry entry = parseManifestEntry(bytes + k * kManifestEntrySize);
        if (!usableEntry(entry) || (found && entry.fileVersion <= chosen->fileVersion))
            continue;
        *chosen = entry;
        found = true;
    }
    return found;
}

} // namespace genicam

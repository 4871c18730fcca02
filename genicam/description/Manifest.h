// A USB3 Vision camera's manifest: the table, found through bootstrap
// register 0x1D0, that lists where the camera keeps its GenICam
// description.  Parsing and choosing only; no I/O here.
//
// The table is an entry count (64-bit) followed by 64-byte entries, all
// little-endian:
//   +0x00  file version, 32-bit: subminor in bits 0-15, minor 16-23, major 24-31
//   +0x04  file format, 32-bit: file type in bits 0-2 (0: the device's
//          description), compression in bits 10-15 (0: XML, 1: ZIP),
//          schema minor in bits 16-23, schema major in bits 24-31
//   +0x08  address of the file, 64-bit
//   +0x10  size of the file in bytes, 64-bit
//   +0x18  SHA-1 of the file as the camera stores it, 20 bytes, all zero when not given
//   +0x2C  reserved, 20 bytes
#ifndef GENICAM_DESCRIPTION_MANIFEST_H
#define GENICAM_DESCRIPTION_MANIFEST_H

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <string>

namespace genicam {

const uint64_t kManifestEntrySize = 64;
// Entries read from a table at most: cameras list one or two; a table that
// claims more is read no further than this, and the rest are ignored.
const uint64_t kMaxManifestEntries = 64;

enum class Compression { Xml = 0, Zip = 1 };

// One manifest entry, as the camera gives it.
struct ManifestEntry {
    uint32_t fileVersion = 0;  // major << 24 | minor << 16 | subminor
    uint32_t fileFormat = 0;
    uint64_t address = 0;
    uint64_t size = 0;
    std::array<uint8_t, 20> sha1{};  // all zero when the camera gives none

    unsigned major() const { return fileVersion >> 24; }
    unsigned minor() const { return (fileVersion >> 16) & 0xFF; }
    unsigned subminor() const { return fileVersion & 0xFFFF; }
    unsigned fileType() const { return fileFormat & 0x7; }
    unsigned compression() const { return (fileFormat >> 10) & 0x3F; }
    unsigned schemaMajor() const { return fileFormat >> 24; }
    unsigned schemaMinor() const { return (fileFormat >> 16) & 0xFF; }
    // True when the entry gives a SHA-1.
    bool hasSha1() const;
    // "major.minor.subminor".
    std::string versionText() const;
};

// The entry held in the 64 bytes at bytes.
ManifestEntry parseManifestEntry(const uint8_t *bytes);

// True for an entry this reader can fetch: the device's description,
// schema major version 1, uncompressed XML or ZIP, not empty.
bool usableEntry(const ManifestEntry &entry);

// The newest usable entry (highest file version; the first of equals)
// among count entries of 64 bytes at bytes.  False when none is usable.
bool chooseManifestEntry(const uint8_t *bytes, size_t count, ManifestEntry *chosen);

} // namespace genicam

#endif

// Where a GigE Vision camera keeps its GenICam description: named by a URL
// register rather than by a USB3 Vision manifest.  The newest usable entry
// of its manifest table is used where its capability register says it has
// one (and that entry's URL is a usable Local: one), else its first URL
// register (0x200).  The table (0x9000, big-endian) is a 64-bit header
// whose top 6 bits count the entries, then 64-bit entries: file version
// major, minor and subminor and schema major and minor in 6 bits each from
// the top, the address of the entry's URL register in the low 32 bits.
#ifndef GENICAM_DESCRIPTION_GIGEDESCRIPTION_H
#define GENICAM_DESCRIPTION_GIGEDESCRIPTION_H

#include "DeviceReader.h"
#include "Manifest.h"

#include <stdint.h>

#include <string>

namespace genicam {

enum class GigeFound {
    NotGige,  // the first URL register holds no URL, or cannot be read
    Found,
    Failed,   // a GigE Vision camera whose description cannot be had
};

// The manifest entry the description reader fetches through: its address,
// size, compression and SHA-1 as the URL gives them.  On Failed, reason is
// why (and device.detail() the port's words, when the port failed).
GigeFound findGigeDescription(DeviceReader &device, ManifestEntry *entry, std::string *reason);

// A GigE Vision manifest entry, as the camera gives it.
struct GigeManifestEntry {
    unsigned major = 0, minor = 0, subminor = 0;  // the file's version
    unsigned schemaMajor = 0, schemaMinor = 0;
    uint32_t urlAddress = 0;
};

// The entry in a table's 64-bit word.
GigeManifestEntry parseGigeManifestEntry(uint64_t word);

// The newest entry of schema 1 (highest version; the first of equals)
// among count big-endian words at bytes.  False when there is none.
bool chooseGigeManifestEntry(const uint8_t *bytes, size_t count, GigeManifestEntry *chosen);

} // namespace genicam

#endif

// The GenICam description inside a ZIP archive, unpacked by minizip.
// Everything in the archive is untrusted: sizes are checked against a cap
// while unpacking, never believed, and only stored or deflated files are
// taken, their CRC-32 checked.
#ifndef GENICAM_DESCRIPTION_UNZIP_H
#define GENICAM_DESCRIPTION_UNZIP_H

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <string>

namespace genicam {

// Files an archive may list at most.
const size_t kMaxZipEntries = 1024;

// Reads size bytes at offset of an archive into bytes; false when they
// cannot be had.
using ArchiveRead = std::function<bool(uint64_t offset, uint8_t *bytes, size_t size)>;

// Looks at an archive of size bytes through read, reading only what lists
// its files (the end record and the directory), never their data.  True
// when it lists exactly one file named *.xml, unencrypted, stored or
// deflated, claiming at most maxUnpacked bytes.  False with reason
// kNotZipWithOneXml, kTooLarge or unsupportedZipMethod().
bool checkZipDirectory(uint64_t size, const ArchiveRead &read, size_t maxUnpacked, std::string *reason);

// Unpacks the archive's one file named *.xml (any case).  Folders and files
// of other names are ignored; none, or more than one, .xml file is an
// error.  False with reason kNotZipWithOneXml (not an archive, damaged,
// encrypted, CRC-32 wrong, not exactly one .xml), unsupportedZipMethod()
// (neither stored nor deflated) or kTooLarge (the .xml claims or unpacks to
// more than maxUnpacked bytes: it is never unpacked beyond).
bool unzipOneXml(const uint8_t *zip, size_t size, size_t maxUnpacked, std::string *xml, std::string *reason);

} // namespace genicam

#endif

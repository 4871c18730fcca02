// The GenICam description inside a ZIP archive held in memory, unpacked by
// minizip.  Everything in the archive is untrusted: sizes are checked
// against a cap while unpacking, never believed.
#ifndef GENICAM_DESCRIPTION_UNZIP_H
#define GENICAM_DESCRIPTION_UNZIP_H

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace genicam {

// Files an archive may list at most.
const size_t kMaxZipEntries = 1024;

// Unpacks the archive's one file named *.xml (any case).  Folders and files
// of other names are ignored; none, or more than one, .xml file is an
// error.  False with reason kNotZipWithOneXml (not an archive, damaged,
// encrypted, CRC wrong, not exactly one .xml) or kTooLarge (the .xml claims
// or unpacks to more than maxUnpacked bytes: it is never unpacked beyond).
bool unzipOneXml(const uint8_t *zip, size_t size, size_t maxUnpacked, std::string *xml, std::string *reason);

} // namespace genicam

#endif

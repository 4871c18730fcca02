// A GigE Vision camera's URL register: where its GenICam description is.
// Parsing only; no I/O here.  The register holds NUL-terminated text:
//   Local:<file name>;<address>;<length>[?SchemaVersion=<x.y.z>][&SHA1=<hex>]
// (address and length hexadecimal, an optional 0x, the file .xml or .zip),
// or a File: or http: URL, which names a file outside the camera.
#ifndef GENICAM_DESCRIPTION_GIGEURL_H
#define GENICAM_DESCRIPTION_GIGEURL_H

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <string>

namespace genicam {

// A Local: URL, read.
struct GigeUrl {
    std::string fileName;
    uint64_t address = 0;
    uint64_t size = 0;
    bool zip = false;                // the file is a ZIP (by its name)
    std::array<uint8_t, 20> sha1{};  // all zero when the URL gives none
};

// Parses the size bytes of the URL register at registerAddress.  True for
// a Local: URL of a non-empty .xml or .zip file of schema 1 (or of no
// schema given); false with the reason for the user otherwise: the
// register holds no NUL, the URL names a file outside the camera, or it is
// not of that form.  Text from the camera in a reason is escaped (\xNN)
// and shortened.
bool parseGigeUrl(const uint8_t *bytes, size_t size, uint64_t registerAddress, GigeUrl *url, std::string *reason);

} // namespace genicam

#endif

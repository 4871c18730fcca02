// Reads a camera's memory through a Port for the description reader: in
// pieces, within the port's reach, and with the one reason the user sees
// when a read fails.
#ifndef GENICAM_DESCRIPTION_DEVICEREADER_H
#define GENICAM_DESCRIPTION_DEVICEREADER_H

#include "Port.h"

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

namespace genicam {

// Told after each piece of a file is read: bytes read so far, and in all.
using Progress = std::function<void(uint64_t done, uint64_t total)>;

// The largest piece asked of the port in one read.
const size_t kMaxPieceSize = 64 * 1024;

class DeviceReader {
public:
    // Reads through port in pieces of at most pieceSize bytes (0, or more
    // than kMaxPieceSize, means kMaxPieceSize).
    DeviceReader(Port &port, size_t pieceSize);

    // Appends the size bytes at address to bytes, one piece at a time,
    // telling progress (when set) after each.  False with reason() set when
    // the range lies beyond the port's reach or past the end of the
    // address space, or when a piece cannot be read.
    bool read(uint64_t address, uint64_t size, std::vector<uint8_t> *bytes, const Progress &progress = nullptr);

    // True when the size bytes at address lie within the port's reach and
    // the address space; false with reason() set as read() sets it.
    bool reaches(uint64_t address, uint64_t size);

    // Reads the little-endian 64-bit value at address.
    bool readU64(uint64_t address, uint64_t *value);

    // Reads the 64-byte string field at address, up to its first NUL.
    bool readString(uint64_t address, std::string *text);

    // Why the last read failed: one of the reasons in Reasons.h.
    const std::string &reason() const { return reason_; }
    // The port's own words for the last failed read, when the port failed.
    const std::string &detail() const { return detail_; }

private:
    Port &port_;
    size_t pieceSize_;
    std::string reason_;
    std::string detail_;
};

} // namespace genicam

#endif

// Where a GenICam description's registers live: a camera's register space,
// read and written in bytes at 64-bit addresses.  The engine and the
// description reader do no I/O of their own; the caller gives them a Port.
#ifndef GENICAM_PORT_H
#define GENICAM_PORT_H

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace genicam {

class Port {
public:
    virtual ~Port() = default;
    // Reads size bytes at address, as the device holds them.  False with a
    // short reason for the user ("register 0x60018 could not be read
    // (status 0x8000F008)") when it cannot.
    virtual bool read(uint64_t address, uint8_t *bytes, size_t size, std::string *reason) = 0;
    // Writes size bytes at address; false with a reason when it cannot.
    virtual bool write(uint64_t address, const uint8_t *bytes, size_t size, std::string *reason) = 0;
    // False when the port reaches only addresses up to 0xFFFFFFFF (an SDK
    // without block reads): what lies above is then never asked for.
    virtual bool reachesAbove32Bits() const { return true; }
};

} // namespace genicam

#endif

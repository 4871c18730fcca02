// An open camera as the SDK's calls reach it, whichever transport carries
// its commands: its memory in bytes, as the camera holds them, and its
// 32-bit registers as the numbers they hold.  USB3 Vision and GigE Vision
// each give one; the camera list, the handles and the calls are shared.
#ifndef QRVU3V_LINK_H
#define QRVU3V_LINK_H

#include <stddef.h>
#include <stdint.h>

namespace u3v {

class CameraLink {
public:
    virtual ~CameraLink() = default;
    // Reads size bytes at address.  0, or a failure status (Status.h).
    virtual int32_t read(uint64_t address, uint8_t *bytes, size_t size) = 0;
    // Writes size bytes at address.
    virtual int32_t write(uint64_t address, const uint8_t *bytes, size_t size) = 0;
    // The number the 32-bit register at address holds (private command 43).
    virtual int32_t readRegister(uint32_t address, uint32_t *value) = 0;
    // Writes the number to the 32-bit register at address (command 44).
    virtual int32_t writeRegister(uint32_t address, uint32_t value) = 0;
};

} // namespace u3v

#endif

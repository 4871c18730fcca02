// The register command that the SDK's private command carries.
#ifndef REGISTER_H
#define REGISTER_H

#include <stdint.h>

// Three unsigned 32-bit fields in the machine's (little-endian) byte order.
struct RegisterCommand {
    uint32_t opcode;
    uint32_t address;
    uint32_t value;
};
static_assert(sizeof(RegisterCommand) == 12, "RegisterCommand must be 12 bytes");

const uint32_t CMD_READ_REGISTER = 43;
const uint32_t CMD_WRITE_REGISTER = 44;
// A read leaves this in place when the camera stores nothing.
const uint32_t kReadPreset = 0x55555555;

#endif

/* What every part of VisionAccess must agree on about a camera's registers:
 * their byte order, the addresses of the bootstrap registers, and the
 * private command that reads and writes one 32-bit register.  The tool, the
 * simulated SDK, the open SDK, the GenICam description reader, the engine
 * and the benchmark's client include it; it is a header only, for C and
 * C++, with nothing to link. */
#ifndef VISIONACCESS_CAMERAREGISTERS_H
#define VISIONACCESS_CAMERAREGISTERS_H

#include <stddef.h>
#include <stdint.h>

/* ---- Byte order: a camera's registers are little-endian. ---- */

/* The unsigned value of the size bytes at bytes (at most 8), least
 * significant first. */
static inline uint64_t loadLittleEndian(const uint8_t *bytes, size_t size)
{
    uint64_t value = 0;
    for (size_t k = size; k > 0; k--)
        value = value << 8 | bytes[k - 1];
    return value;
}

/* Writes the low size bytes of value (size at most 8) to bytes, least
 * significant first. */
static inline void storeLittleEndian(uint8_t *bytes, size_t size, uint64_t value)
{
    for (size_t k = 0; k < size; k++)
        bytes[k] = (uint8_t)(value >> (8 * k));
}

/* ---- The bootstrap registers of a USB3 Vision camera (its ABRM). ---- */

static const uint64_t kBootstrapGencpVersion = 0x0000;      /* 32-bit: major in the high 16 bits */
static const uint64_t kBootstrapManufacturerName = 0x0004;  /* the vendor, text */
static const uint64_t kBootstrapModelName = 0x0044;         /* text */
static const uint64_t kBootstrapFamilyName = 0x0084;        /* text */
static const uint64_t kBootstrapDeviceVersion = 0x00C4;     /* text */
static const uint64_t kBootstrapManufacturerInfo = 0x0104;  /* text */
static const uint64_t kBootstrapSerialNumber = 0x0144;      /* text */
static const uint64_t kBootstrapUserDefinedName = 0x0184;   /* text */
static const uint64_t kBootstrapMaxResponseTime = 0x01CC;   /* 32-bit, milliseconds */
static const uint64_t kBootstrapManifestTable = 0x01D0;     /* 64-bit address of the manifest table */
static const uint64_t kBootstrapSbrmAddress = 0x01D8;       /* 64-bit address of the SBRM */
/* Each text register: 64 bytes, NUL-terminated when shorter. */
static const size_t kBootstrapTextSize = 64;

/* Registers of the SBRM, from its address. */
static const uint64_t kSbrmMaxCommandLength = 0x14; /* 32-bit */
static const uint64_t kSbrmMaxAckLength = 0x18;     /* 32-bit */

/* ---- The SDK's private command: one 32-bit register read or written. ---- */

/* Its record: three unsigned 32-bit fields in the machine's (little-endian)
 * byte order, 12 bytes. */
struct RegisterCommand {
    uint32_t opcode;  /* kReadRegisterOpcode or kWriteRegisterOpcode */
    uint32_t address;
    uint32_t value;   /* the value written, or read */
};

static const uint32_t kReadRegisterOpcode = 43;
static const uint32_t kWriteRegisterOpcode = 44;
/* The value a read starts with: the camera leaves it in place where it
 * stores nothing. */
static const uint32_t kReadRegisterPreset = 0x55555555;

#ifdef __cplusplus
static_assert(sizeof(RegisterCommand) == 12, "the private command's record is 12 bytes");
#else
_Static_assert(sizeof(struct RegisterCommand) == 12, "the private command's record is 12 bytes");
#endif

#endif

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

/* ---- The bootstrap registers of a GigE Vision camera. ----
 * Its registers are big-endian 32-bit words; its text registers end with a
 * NUL unless full. */

static const uint64_t kGigeDeviceMode = 0x0004;        /* 32-bit: bit 31 big-endian */
static const uint64_t kGigeManufacturerName = 0x0048;  /* 32 bytes */
static const uint64_t kGigeModelName = 0x0068;         /* 32 bytes */
static const uint64_t kGigeDeviceVersion = 0x0088;     /* 32 bytes */
static const uint64_t kGigeManufacturerInfo = 0x00A8;  /* 48 bytes */
static const uint64_t kGigeSerialNumber = 0x00D8;      /* 16 bytes */
static const uint64_t kGigeUserDefinedName = 0x00E8;   /* 16 bytes */
static const uint64_t kGigeFirstUrl = 0x0200;          /* 512 bytes: where the GenICam description is */
static const uint64_t kGigeSecondUrl = 0x0400;         /* 512 bytes */
static const uint64_t kGigeCapability = 0x0934;        /* 32-bit: bit 26 manifest table */
static const uint64_t kGigeManifestTable = 0x9000;     /* 512 bytes */
static const size_t kGigeNameSize = 32;
static const size_t kGigeSerialSize = 16;
static const size_t kGigeUrlSize = 512;
static const uint32_t kGigeCapabilityManifest = (uint32_t)1 << 26;

/* The bytes of a GigE Vision camera's first URL register, which a USB3
 * Vision camera never holds there: a scheme of the standard's (Local:,
 * File:, http:, https:, in any case).  True when the size bytes at bytes
 * begin with one. */
static inline int startsWithGigeUrl(const uint8_t *bytes, size_t size)
{
    static const char *const kSchemes[] = {"local:", "file:", "http:", "https:"};
    for (size_t scheme = 0; scheme < sizeof kSchemes / sizeof kSchemes[0]; scheme++) {
        const char *name = kSchemes[scheme];
        size_t at = 0;
        while (name[at] != '\0' && at < size &&
               (bytes[at] >= 'A' && bytes[at] <= 'Z' ? bytes[at] + 32 : bytes[at]) == (uint8_t)name[at])
            at++;
        if (name[at] == '\0')
            return 1;
    }
    return 0;
}

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

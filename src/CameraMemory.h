// A camera's memory as the tool reaches it through the SDK: the optional
// memory calls where the SDK has them (any address, any length, one call),
// else the 4-byte private command, which reaches only aligned 32-bit words
// at addresses up to 0xFFFFFFFF.
#ifndef CAMERAMEMORY_H
#define CAMERAMEMORY_H

#include <stddef.h>
#include <stdint.h>

// How an access went.
enum MemoryResult {
    MEMORY_DONE,
    MEMORY_FAILED,        // the SDK gave the failure status
    MEMORY_OUT_OF_REACH,  // beyond 0xFFFFFFFF, and the SDK has no memory calls
    MEMORY_NOT_WORDS,     // a write of part of a word through the 4-byte command
};

// The highest address the private command reaches.
const uint64_t kMaxPrivateAddress = 0xFFFFFFFF;

// True when the SDK has the optional memory calls.
bool sdkHasMemoryCalls();

// Reads size bytes at address; on MEMORY_FAILED, *status is the SDK's.
MemoryResult readCameraMemory(void *camera, uint64_t address, uint8_t *bytes, size_t size, int32_t *status);

// Writes size bytes at address.  Through the 4-byte command only whole
// aligned words are written: writing part of one could clobber a neighbour.
MemoryResult writeCameraMemory(void *camera, uint64_t address, const uint8_t *bytes, size_t size, int32_t *status);

// One 32-bit register, as -r and -w reach it: at an address up to
// 0xFFFFFFFF through the private command, as the SDK has always been asked
// (any alignment; a read keeps 0x55555555 where the camera stores nothing),
// above it through the memory calls (MEMORY_OUT_OF_REACH without them).
MemoryResult readRegister(void *camera, uint64_t address, uint32_t *value, int32_t *status);
MemoryResult writeRegister(void *camera, uint64_t address, uint32_t value, int32_t *status);

// A 32-bit register's value from its 4 bytes as the camera holds them
// (little-endian), and back.
uint32_t wordFromBytes(const uint8_t bytes[4]);
void bytesFromWord(uint32_t value, uint8_t bytes[4]);

// A one-line reason for an access that did not go: "register 0x1D0 could
// not be read (status 0x8000F008)".
void describeMemoryFailure(MemoryResult result, bool write, uint64_t address, int32_t status, char *text,
                           size_t size);

#endif

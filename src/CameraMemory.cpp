// A camera's memory through the SDK (CameraMemory.h).
#include "CameraMemory.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "Register.h"
#include "SdkLoader.h"

namespace {

const uint64_t kWordSize = 4;

// Reads the word at address through the private command.
int32_t readWord(void *camera, uint64_t address, uint8_t word[kWordSize])
{
    RegisterCommand command = {CMD_READ_REGISTER, (uint32_t)address, kReadPreset};
    int32_t status = sdk.PrivateCmd(camera, sizeof command, &command);
    bytesFromWord(command.value, word);
    return status;
}

int32_t writeWord(void *camera, uint64_t address, const uint8_t word[kWordSize])
{
    RegisterCommand command = {CMD_WRITE_REGISTER, (uint32_t)address, wordFromBytes(word)};
    return sdk.PrivateCmd(camera, sizeof command, &command);
}

// True when the size bytes at address lie within the private command's reach.
bool withinPrivateReach(uint64_t address, size_t size)
{
    return address <= kMaxPrivateAddress && size <= kMaxPrivateAddress - address + 1;
}

} // namespace

uint32_t wordFromBytes(const uint8_t bytes[4])
{
    return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

void bytesFromWord(uint32_t value, uint8_t bytes[4])
{
    for (int k = 0; k < 4; k++)
        bytes[k] = (uint8_t)(value >> (8 * k));
}

bool sdkHasMemoryCalls()
{
    return sdk.ReadMemory != NULL && sdk.WriteMemory != NULL;
}

MemoryResult readCameraMemory(void *camera, uint64_t address, uint8_t *bytes, size_t size, int32_t *status)
{
    if (sdkHasMemoryCalls() && size <= UINT32_MAX) {
        *status = sdk.ReadMemory(camera, address, bytes, (uint32_t)size);
        return *status < 0 ? MEMORY_FAILED : MEMORY_DONE;
    }
    if (!withinPrivateReach(address, size))
        return MEMORY_OUT_OF_REACH;
    // Every word that holds a byte asked for, each read once.
    uint64_t end = address + size;
    for (uint64_t word = address - address % kWordSize; word < end; word += kWordSize) {
        uint8_t value[kWordSize];
        *status = readWord(camera, word, value);
        if (*status < 0)
            return MEMORY_FAILED;
        uint64_t from = word < address ? address : word;
        uint64_t to = word + kWordSize < end ? word + kWordSize : end;
        memcpy(bytes + (from - address), value + (from - word), (size_t)(to - from));
    }
    return MEMORY_DONE;
}

MemoryResult writeCameraMemory(void *camera, uint64_t address, const uint8_t *bytes, size_t size, int32_t *status)
{
    if (sdkHasMemoryCalls() && size <= UINT32_MAX) {
        *status = sdk.WriteMemory(camera, address, bytes, (uint32_t)size);
        return *status < 0 ? MEMORY_FAILED : MEMORY_DONE;
    }
    if (!withinPrivateReach(address, size))
        return MEMORY_OUT_OF_REACH;
    if (address % kWordSize != 0 || size % kWordSize != 0)
        return MEMORY_NOT_WORDS;
    for (size_t done = 0; done < size; done += kWordSize) {
        *status = writeWord(camera, address + done, bytes + done);
        if (*status < 0)
            return MEMORY_FAILED;
    }
    return MEMORY_DONE;
}

MemoryResult readRegister(void *camera, uint64_t address, uint32_t *value, int32_t *status)
{
    uint8_t bytes[kWordSize];
    MemoryResult result = MEMORY_DONE;
    if (address <= kMaxPrivateAddress) {
        *status = readWord(camera, address, bytes);
        result = *status < 0 ? MEMORY_FAILED : MEMORY_DONE;
    } else {
        result = readCameraMemory(camera, address, bytes, sizeof bytes, status);
    }
    if (result == MEMORY_DONE)
        *value = wordFromBytes(bytes);
    return result;
}

MemoryResult writeRegister(void *camera, uint64_t address, uint32_t value, int32_t *status)
{
    uint8_t bytes[kWordSize];
    bytesFromWord(value, bytes);
    if (address > kMaxPrivateAddress)
        return writeCameraMemory(camera, address, bytes, sizeof bytes, status);
    *status = writeWord(camera, address, bytes);
    return *status < 0 ? MEMORY_FAILED : MEMORY_DONE;
}

void describeMemoryFailure(MemoryResult result, bool write, uint64_t address, int32_t status, char *text,
                           size_t size)
{
    const char *verb = write ? "written" : "read";
    switch (result) {
    case MEMORY_FAILED:
        snprintf(text, size, "register 0x%" PRIX64 " could not be %s (status 0x%08" PRIX32 ")", address, verb,
                 (uint32_t)status);
        break;
    case MEMORY_OUT_OF_REACH:
        snprintf(text, size, "register 0x%" PRIX64 " could not be %s: the SDK reaches only 32-bit addresses",
                 address, verb);
        break;
    case MEMORY_NOT_WORDS:
        snprintf(text, size,
                 "register 0x%" PRIX64 " could not be written: the SDK writes only whole aligned 4-byte words, and "
                 "writing part of one could change its neighbour",
                 address);
        break;
    case MEMORY_DONE:
        snprintf(text, size, "register 0x%" PRIX64 " was %s", address, verb);
        break;
    }
}

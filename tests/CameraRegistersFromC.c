/* The shared register header as a C program sees it: its coding and its
 * record, for CameraRegistersTest.cpp to compare with C++'s. */
#include <stddef.h>

#include "CameraRegisters.h"

uint64_t loadFromC(const uint8_t *bytes, size_t size)
{
    return loadLittleEndian(bytes, size);
}

void storeFromC(uint8_t *bytes, size_t size, uint64_t value)
{
    storeLittleEndian(bytes, size, value);
}

size_t recordSizeFromC(void)
{
    return sizeof(struct RegisterCommand);
}

size_t valueOffsetFromC(void)
{
    return offsetof(struct RegisterCommand, value);
}

void readRecordFromC(struct RegisterCommand *command, uint32_t address)
{
    struct RegisterCommand read = {kReadRegisterOpcode, address, kReadRegisterPreset};
    *command = read;
}

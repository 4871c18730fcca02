// What every part agrees on about a camera's registers (CameraRegisters.h):
// the byte order at each width, the private command's record byte for byte,
// the bootstrap addresses, the same from C as from C++, and what tells a
// GigE Vision camera's URL register.
#include <stddef.h>
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "CameraRegisters.h"

extern "C" {
uint64_t loadFromC(const uint8_t *bytes, size_t size);
void storeFromC(uint8_t *bytes, size_t size, uint64_t value);
size_t recordSizeFromC(void);
size_t valueOffsetFromC(void);
void readRecordFromC(RegisterCommand *command, uint32_t address);
}

namespace {

using Bytes = std::vector<uint8_t>;

struct Coding {
    size_t size;
    uint64_t value;  // stored: its low size bytes
    Bytes bytes;
    uint64_t loaded;  // what the bytes load as
};

TEST(CameraRegisters, LittleEndianAtEachWidthKeepsOnlyTheLowBytes)
{
    const Coding kCases[] = {
        {0, 0xAB, {}, 0},
        {1, 0x1FF, {0xFF}, 0xFF},
        {2, 0x1234, {0x34, 0x12}, 0x1234},
        {3, 0xAABBCCDD, {0xDD, 0xCC, 0xBB}, 0xBBCCDD},
        {4, 0x80000001, {0x01, 0x00, 0x00, 0x80}, 0x80000001},
        {8, 0x0102030405060708, {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}, 0x0102030405060708},
        {8, UINT64_MAX, Bytes(8, 0xFF), UINT64_MAX},
    };
    for (const Coding &c : kCases) {
        SCOPED_TRACE(c.size);
        Bytes stored(c.size + 1, 0xEE), fromC(c.size + 1, 0xEE);
        storeLittleEndian(stored.data(), c.size, c.value);
        storeFromC(fromC.data(), c.size, c.value);
        EXPECT_EQ(Bytes(stored.begin(), stored.begin() + (ptrdiff_t)c.size), c.bytes);
        EXPECT_EQ(stored.back(), 0xEE) << "nothing written beyond size";
        EXPECT_EQ(fromC, stored);
        EXPECT_EQ(loadLittleEndian(c.bytes.data(), c.size), c.loaded);
        EXPECT_EQ(loadFromC(c.bytes.data(), c.size), c.loaded);
    }
}

TEST(CameraRegisters, ThePrivateCommandsRecordIsTwelveBytesInTheMachinesOrder)
{
    EXPECT_EQ(kReadRegisterOpcode, 43u);
    EXPECT_EQ(kWriteRegisterOpcode, 44u);
    EXPECT_EQ(recordSizeFromC(), 12u);
    EXPECT_EQ(valueOffsetFromC(), offsetof(RegisterCommand, value));
    RegisterCommand command;
    readRecordFromC(&command, 0x60018);
    uint8_t bytes[sizeof command];
    memcpy(bytes, &command, sizeof bytes);
    const uint8_t kExpected[12] = {43, 0, 0, 0, 0x18, 0x00, 0x06, 0x00, 0x55, 0x55, 0x55, 0x55};
    EXPECT_EQ(Bytes(bytes, bytes + sizeof bytes), Bytes(kExpected, kExpected + sizeof kExpected));
}

TEST(CameraRegisters, TheBootstrapAddressesAreTheStandardsMap)
{
    const struct {
        const char *name;
        uint64_t address, expected;
    } kRegisters[] = {
        {"GenCP version", kBootstrapGencpVersion, 0x0000},
        {"manufacturer name", kBootstrapManufacturerName, 0x0004},
        {"model name", kBootstrapModelName, 0x0044},
        {"family name", kBootstrapFamilyName, 0x0084},
        {"device version", kBootstrapDeviceVersion, 0x00C4},
        {"manufacturer info", kBootstrapManufacturerInfo, 0x0104},
        {"serial number", kBootstrapSerialNumber, 0x0144},
        {"user-defined name", kBootstrapUserDefinedName, 0x0184},
        {"maximum response time", kBootstrapMaxResponseTime, 0x01CC},
        {"manifest table address", kBootstrapManifestTable, 0x01D0},
        {"SBRM address", kBootstrapSbrmAddress, 0x01D8},
        {"SBRM maximum command length", kSbrmMaxCommandLength, 0x14},
        {"SBRM maximum acknowledge length", kSbrmMaxAckLength, 0x18},
    };
    for (const auto &r : kRegisters)
        EXPECT_EQ(r.address, r.expected) << r.name;
    // Each text register is 64 bytes and ends where the next begins.
    EXPECT_EQ(kBootstrapTextSize, 64u);
    EXPECT_EQ(kBootstrapModelName - kBootstrapManufacturerName, kBootstrapTextSize);
}

// What tells a GigE Vision camera's first URL register from whatever a
// USB3 Vision camera holds there: a scheme of the standard's, in any case,
// whole within the bytes given.
TEST(CameraRegisters, AGigeUrlIsToldByItsScheme)
{
    const struct {
        const char *bytes;
        size_t size;
        bool url;
    } kCases[] = {
        {"Local:a.xml;0;1", 15, true}, {"LOCAL:", 6, true},  {"file:///x", 9, true}, {"HTTP://x", 8, true},
        {"https:", 6, true},           {"Local", 5, false},   {"Local:", 5, false}, {"Locale:", 7, false},
        {"local\x1A", 6, false},       {"\x00ocal:", 6, false}, {"", 0, false},       {"ftp://x", 7, false},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(startsWithGigeUrl(reinterpret_cast<const uint8_t *>(c.bytes), c.size) != 0, c.url)
            << c.bytes << " (" << c.size << " bytes)";
}

} // namespace

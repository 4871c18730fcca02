// How the open SDK recognises a USB3 Vision device and numbers it.
#include "Identity.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace u3v;

// A device-info descriptor with vendor 1, model 2 and serial 3.
std::vector<uint8_t> deviceInfo()
{
    std::vector<uint8_t> bytes(20, 0);
    bytes[0] = 20;
    bytes[1] = 0x24;
    bytes[2] = 0x01;
    bytes[12] = 1;
    bytes[13] = 2;
    bytes[17] = 3;
    return bytes;
}

TEST(DeviceInfo, FoundAmongTheInterfaceExtraDescriptors)
{
    std::vector<uint8_t> other = {5, 0x24, 0x02, 0, 0};  // another class-specific descriptor first
    std::vector<uint8_t> extra = other;
    std::vector<uint8_t> info = deviceInfo();
    extra.insert(extra.end(), info.begin(), info.end());
    std::vector<uint8_t> truncated(info.begin(), info.begin() + 15);
    truncated[0] = 15;
    std::vector<uint8_t> cut = info;
    cut.resize(12);  // bLength says 20

    const struct {
        const char *name;
        std::vector<uint8_t> bytes;
        bool found;
    } cases[] = {
        {"alone", info, true},
        {"after another", extra, true},
        {"absent", other, false},
        {"none at all", {}, false},
        {"shorter than a device-info descriptor", truncated, false},
        {"cut short by the end of the bytes", cut, false},
        {"zero length", {0, 0x24, 0x01}, false},
    };
    for (const auto &c : cases) {
        DeviceInfo found;
        EXPECT_EQ(findDeviceInfo(c.bytes.data(), c.bytes.size(), &found), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(found.vendorName, 1) << c.name;
            EXPECT_EQ(found.modelName, 2) << c.name;
            EXPECT_EQ(found.serialNumber, 3) << c.name;
        }
    }
}

TEST(CameraNumber, FromTheSerialOrThePlaceOnTheBus)
{
    const struct {
        const char *serial;
        uint32_t number;
    } cases[] = {
        {"21330417", 21330417},
        {"1", 1},
        {"2147483647", 2147483647},
        {"2147483648", 651603412},  // beyond a signed heading: hashed
        {"0", 890022063},
        {"007", 1657484814},        // a leading zero: hashed
        {"ABC123", 1166364645},
        {"", 0},                    // no serial
    };
    for (const auto &c : cases)
        EXPECT_EQ(cameraNumberFromSerial(c.serial), c.number) << "'" << c.serial << "'";

    const uint8_t ports[] = {2, 3};
    EXPECT_EQ(portPath(1, ports, 2), "1-2.3");
    EXPECT_EQ(cameraNumberFromPort(1, ports, 2), 1593466976u) << "hash of usb:1-2.3";
    EXPECT_EQ(trimSerial("SN42  \0\0junk", 12), "SN42");
}

} // namespace

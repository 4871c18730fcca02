// How the open SDK recognises a USB3 Vision device, numbers it, and shows
// what it says.
#include "Identity.h"
#include "Trace.h"

#include <libusb.h>

#include <string>
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

// The 31-bit FNV-1a hash, here only to find a serial that hashes to 0.
uint32_t fnv1a(const std::string &text, uint32_t hash = 2166136261u)
{
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

TEST(CameraNumber, AHashOfZeroIsOne)
{
    // The last step multiplies by an odd number, so the hash is 0 or
    // 0x80000000 (0 in 31 bits) only when it multiplies 0 or 0x80000000:
    // a prefix whose hash differs from one of those in its low byte alone,
    // and that byte, printable, as the last character.
    std::string serial;
    for (uint32_t k = 0; serial.empty() && k < 400000000; k++) {
        std::string prefix = "SN" + std::to_string(k);
        uint32_t hash = fnv1a(prefix);
        uint32_t last = hash & 0xFF;
        if ((hash >> 8 == 0 || hash >> 8 == 0x800000) && last > ' ' && last < 0x7F)
            serial = prefix + (char)last;
    }
    ASSERT_FALSE(serial.empty());
    ASSERT_EQ(fnv1a(serial) & 0x7FFFFFFF, 0u) << serial;
    EXPECT_EQ(cameraNumberFromSerial(serial), 1u) << serial;
}

// Devices attached together: an impostor's serial, or a number that another
// device has by its place, takes no camera's number.
TEST(CameraNumber, ANumberClaimedTwiceIsNumberedByPlace)
{
    const struct {
        const char *name;
        std::vector<Claim> claims;  // serial, place number
        std::vector<uint32_t> numbers;
        std::vector<SharedNumber> shared;
    } cases[] = {
        {"each its own serial", {{"1001", 11}, {"1002", 12}}, {1001, 1002}, {}},
        {"no serial", {{"", 11}, {"1002", 12}}, {11, 1002}, {}},
        {"one serial twice", {{"1001", 11}, {"1002", 12}, {"1001", 13}}, {11, 1002, 13}, {{1001, {0, 2}}}},
        {"a serial hashed to another's number", {{"ABC123", 11}, {"1166364645", 12}}, {11, 12},
         {{1166364645, {0, 1}}}},
        {"a number that another has by its place", {{"", 555}, {"555", 12}}, {555, 12}, {{555, {0, 1}}}},
        {"a place number met after moving", {{"1001", 555}, {"1001", 12}, {"555", 13}}, {555, 12, 13},
         {{1001, {0, 1}}, {555, {0, 2}}}},
    };
    for (const auto &c : cases) {
        std::vector<Claim> claims = c.claims;
        std::vector<SharedNumber> shared = numberDevices(claims);
        std::vector<uint32_t> numbers;
        for (const Claim &claim : claims)
            numbers.push_back(claim.number);
        EXPECT_EQ(numbers, c.numbers) << c.name;
        ASSERT_EQ(shared.size(), c.shared.size()) << c.name;
        for (size_t k = 0; k < shared.size(); k++) {
            EXPECT_EQ(shared[k].number, c.shared[k].number) << c.name;
            EXPECT_EQ(shared[k].devices, c.shared[k].devices) << c.name;
        }
    }
}

// A configuration as libusb hands it over, of interfaces with one
// alternate setting each: class, subclass, protocol and endpoints (address,
// attributes); extra bytes on every interface.
struct Config {
    struct Interface {
        uint8_t cls, subclass, protocol;
        std::vector<std::pair<uint8_t, uint8_t>> endpoints;
    };
    explicit Config(const std::vector<Interface> &interfaces, const std::vector<uint8_t> &extra)
        : extra_(extra), endpoints_(interfaces.size()), settings_(interfaces.size()), interfaces_(interfaces.size())
    {
        for (size_t i = 0; i < interfaces.size(); i++) {
            for (const auto &endpoint : interfaces[i].endpoints) {
                libusb_endpoint_descriptor e = {};
                e.bEndpointAddress = endpoint.first;
                e.bmAttributes = endpoint.second;
                endpoints_[i].push_back(e);
            }
            libusb_interface_descriptor &s = settings_[i];
            s = {};
            s.bInterfaceNumber = (uint8_t)i;
            s.bInterfaceClass = interfaces[i].cls;
            s.bInterfaceSubClass = interfaces[i].subclass;
            s.bInterfaceProtocol = interfaces[i].protocol;
            s.bNumEndpoints = (uint8_t)endpoints_[i].size();
            s.endpoint = endpoints_[i].data();
            s.extra = extra_.data();
            s.extra_length = (int)extra_.size();
            interfaces_[i].altsetting = &s;
            interfaces_[i].num_altsetting = 1;
        }
        config.bNumInterfaces = (uint8_t)interfaces.size();
        config.interface = interfaces_.data();
    }
    libusb_config_descriptor config = {};

private:
    std::vector<uint8_t> extra_;
    std::vector<std::vector<libusb_endpoint_descriptor>> endpoints_;
    std::vector<libusb_interface_descriptor> settings_;
    std::vector<libusb_interface> interfaces_;
};

TEST(ControlInterface, FoundAmongTheConfiguration)
{
    const uint8_t kBulk = LIBUSB_TRANSFER_TYPE_BULK, kInterrupt = LIBUSB_TRANSFER_TYPE_INTERRUPT;
    const Config::Interface control = {0xEF, 0x05, 0x00, {{0x81, kBulk}, {0x02, kBulk}}};
    const Config::Interface event = {0xEF, 0x05, 0x01, {{0x83, kBulk}}};
    const Config::Interface vendor = {0xFF, 0x00, 0x00, {{0x84, kBulk}, {0x04, kBulk}}};
    const struct {
        const char *name;
        std::vector<Config::Interface> interfaces;
        bool found;
        int number;
        uint8_t out, in;
    } cases[] = {
        {"alone", {control}, true, 0, 0x02, 0x81},
        {"after others", {vendor, event, control}, true, 2, 0x02, 0x81},
        {"first bulk endpoints only", {{0xEF, 0x05, 0x00, {{0x85, kInterrupt}, {0x81, kBulk}, {0x82, kBulk}, {0x01, kBulk}}}},
         true, 0, 0x01, 0x81},
        {"one without an OUT endpoint, then one with", {{0xEF, 0x05, 0x00, {{0x81, kBulk}}}, control}, true, 1, 0x02, 0x81},
        {"no OUT endpoint", {{0xEF, 0x05, 0x00, {{0x81, kBulk}, {0x02, kInterrupt}}}}, false, 0, 0, 0},
        {"endpoint 0 is no OUT endpoint", {{0xEF, 0x05, 0x00, {{0x81, kBulk}, {0x00, kBulk}}}}, false, 0, 0, 0},
        {"nor an IN endpoint", {{0xEF, 0x05, 0x00, {{0x80, kBulk}, {0x81, kBulk}, {0x01, kBulk}}}}, true, 0, 0x01, 0x81},
        {"no control interface", {vendor, event}, false, 0, 0, 0},
        {"no interface", {}, false, 0, 0, 0},
    };
    for (const auto &c : cases) {
        Config config(c.interfaces, deviceInfo());
        ControlInterface found;
        ASSERT_EQ(findControlInterface(config.config, &found), c.found) << c.name;
        if (!c.found)
            continue;
        EXPECT_EQ(found.number, c.number) << c.name;
        EXPECT_EQ(found.endpointOut, c.out) << c.name;
        EXPECT_EQ(found.endpointIn, c.in) << c.name;
        EXPECT_TRUE(found.hasInfo) << c.name;
        EXPECT_EQ(found.info.serialNumber, 3) << c.name;
    }
}

TEST(DeviceText, EverythingButPrintableAsciiIsEscaped)
{
    const struct {
        std::string text, shown;
    } cases[] = {
        {"21330417", "21330417"},
        {"Open Test Cameras ~!", "Open Test Cameras ~!"},
        {"SN\\n1", "SN\\n1"},  // a backslash is printable
        {"1\n2\r", "1\\x0A2\\x0D"},
        {std::string("\0\x1B[2J\x7F\x80\xFF", 8), "\\x00\\x1B[2J\\x7F\\x80\\xFF"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(escapeText(c.text), c.shown) << c.shown;
}

} // namespace

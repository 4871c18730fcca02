// Fuzzes what the open SDK's discovery reads of a device, through the pure
// functions it hands libusb's results to (no libusb here): a configuration
// as libusb parses it (interfaces, alternate settings, endpoints, and the
// extra descriptor bytes where the device-info descriptor lives), a serial
// as a string descriptor or the bootstrap registers give it, and the
// numbering of devices attached together.  Checked on every run: the
// control interface found is a USB3 Vision control interface with a bulk
// endpoint each way (and one is found whenever there is one), a device-info
// descriptor found is whole and where its indexes came from, a serial's
// number follows the rule, escaped text is printable, and no number is
// shared but by devices numbered by their place.
#include "FuzzBytes.h"
#include "Identity.h"
#include "Trace.h"

#include <libusb.h>
#include <stdio.h>
#include <stdlib.h>

#include <map>
#include <vector>

using namespace u3v;

namespace {

const int kMaxInterfaces = 4;
const int kMaxSettings = 2;
const int kMaxEndpoints = 4;
const size_t kMaxExtra = 96;
const size_t kMaxDevices = 6;

[[noreturn]] void fault(const char *what)
{
    fprintf(stderr, "discovery: %s\n", what);
    abort();
}

// A configuration built from the input, shaped as libusb hands one over.
struct Configuration {
    // The descriptors point into the inner vectors, which never move.
    std::vector<std::vector<libusb_endpoint_descriptor>> endpoints;
    std::vector<std::vector<uint8_t>> extras;
    std::vector<std::vector<libusb_interface_descriptor>> settings;
    std::vector<libusb_interface> interfaces;
    libusb_config_descriptor config = {};

    explicit Configuration(FuzzBytes &in)
    {
        int count = in.byte() % (kMaxInterfaces + 1);
        settings.resize(count);
        interfaces.resize(count);
        for (int i = 0; i < count; i++) {
            int alternates = in.byte() % (kMaxSettings + 1);
            for (int a = 0; a < alternates; a++) {
                libusb_interface_descriptor setting = {};
                uint8_t kind = in.byte();
                bool control = kind & 1;  // most often the class the walk looks for
                setting.bInterfaceNumber = in.byte();
                setting.bInterfaceClass = control ? kU3vClass : in.byte();
                setting.bInterfaceSubClass = control ? kU3vSubclass : in.byte();
                setting.bInterfaceProtocol = control ? kU3vControlProtocol : in.byte();
                endpoints.emplace_back(in.byte() % (kMaxEndpoints + 1));
                for (libusb_endpoint_descriptor &endpoint : endpoints.back()) {
                    endpoint = {};
                    endpoint.bEndpointAddress = in.byte();
                    endpoint.bmAttributes = in.byte();
                }
                setting.bNumEndpoints = (uint8_t)endpoints.back().size();
                setting.endpoint = endpoints.back().empty() ? nullptr : endpoints.back().data();
                extras.emplace_back(in.byte() % (kMaxExtra + 1));
                for (uint8_t &byte : extras.back())
                    byte = in.byte();
                setting.extra = extras.back().empty() ? nullptr : extras.back().data();
                setting.extra_length = (int)extras.back().size();
                settings[i].push_back(setting);
            }
            interfaces[i].altsetting = settings[i].empty() ? nullptr : settings[i].data();
            interfaces[i].num_altsetting = (int)settings[i].size();
        }
        config.bNumInterfaces = (uint8_t)count;
        config.interface = interfaces.empty() ? nullptr : interfaces.data();
    }
};

bool isControl(const libusb_interface_descriptor &setting)
{
    return setting.bInterfaceClass == kU3vClass && setting.bInterfaceSubClass == kU3vSubclass &&
           setting.bInterfaceProtocol == kU3vControlProtocol;
}

// Whether the setting has a bulk endpoint of that direction (and address,
// unless 0), other than endpoint 0.
bool hasBulk(const libusb_interface_descriptor &setting, uint8_t address, bool in)
{
    for (int e = 0; e < setting.bNumEndpoints; e++) {
        const libusb_endpoint_descriptor &endpoint = setting.endpoint[e];
        if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK &&
            ((endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0) == in &&
            (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_ADDRESS_MASK) != 0 &&
            (address == 0 || endpoint.bEndpointAddress == address))
            return true;
    }
    return false;
}

void checkControlInterface(const Configuration &configuration)
{
    ControlInterface control;
    bool found = findControlInterface(configuration.config, &control);
    bool expected = false;
    const libusb_interface_descriptor *chosen = nullptr;
    for (const auto &settings : configuration.settings) {
        if (settings.empty() || !isControl(settings[0]) || !hasBulk(settings[0], 0, true) ||
            !hasBulk(settings[0], 0, false))
            continue;
        expected = true;
        chosen = chosen != nullptr ? chosen : &settings[0];
    }
    if (found != expected)
        fault(found ? "a control interface where there is none" : "no control interface where there is one");
    if (!found)
        return;
    if (control.number != chosen->bInterfaceNumber || !hasBulk(*chosen, control.endpointIn, true) ||
        !hasBulk(*chosen, control.endpointOut, false))
        fault("not the first control interface's number and endpoints");
    if (!control.hasInfo)
        return;
    // Whole, and where its string indexes came from.
    const uint8_t *extra = chosen->extra;
    size_t length = (size_t)chosen->extra_length;
    bool whole = false;
    for (size_t at = 0; at + 20 <= length && !whole; at++)
        whole = extra[at] >= 20 && at + extra[at] <= length && extra[at + 1] == 0x24 && extra[at + 2] == 0x01 &&
                extra[at + 12] == control.info.vendorName && extra[at + 13] == control.info.modelName &&
                extra[at + 17] == control.info.serialNumber;
    if (!whole)
        fault("a device-info descriptor that is not in the bytes");
}

// A serial as a device may send it: trimmed, numbered, escaped.
std::string checkSerial(FuzzBytes &in)
{
    std::vector<char> bytes(in.byte() % 72);
    for (char &c : bytes)
        c = (char)in.byte();
    std::string serial = trimSerial(bytes.data(), bytes.size());
    if (serial.size() > bytes.size() || serial.find('\0') != std::string::npos ||
        (!serial.empty() && (serial.back() == ' ' || serial.back() == '\t')))
        fault("a serial trimmed wrongly");
    uint32_t number = cameraNumberFromSerial(serial);
    if ((number == 0) != serial.empty() || number > kMaxCameraNumber)
        fault("a camera number out of range");
    bool decimal = !serial.empty() && serial.size() <= 10 && serial[0] != '0' &&
                   serial.find_first_not_of("0123456789") == std::string::npos;
    if (decimal && strtoull(serial.c_str(), nullptr, 10) <= kMaxCameraNumber &&
        number != strtoull(serial.c_str(), nullptr, 10))
        fault("a decimal serial not numbered by its value");
    std::string shown = escapeText(serial);
    size_t unprintable = 0;
    for (unsigned char c : serial)
        unprintable += c < 0x20 || c >= 0x7F;
    if (shown.size() != serial.size() + 3 * unprintable)
        fault("escaped text of the wrong length");
    for (unsigned char c : shown)
        if (c < 0x20 || c >= 0x7F)
            fault("escaped text that is not printable");
    return serial;
}

void checkNumbering(FuzzBytes &in)
{
    std::vector<Claim> claims(in.byte() % (kMaxDevices + 1));
    for (Claim &claim : claims) {
        claim.serial = checkSerial(in);
        // As cameraNumberFromPort gives them: 1 to 2^31 - 1, each place its own.
        claim.placeNumber = in.u32() & kMaxCameraNumber;
        claim.placeNumber = claim.placeNumber == 0 ? 1 : claim.placeNumber;
    }
    std::map<uint32_t, size_t> places;
    for (const Claim &claim : claims)
        if (places[claim.placeNumber]++ > 0)
            return;  // two places with one hash: beyond what numbering can mend
    std::vector<SharedNumber> shared = numberDevices(claims);
    std::map<uint32_t, std::vector<size_t>> byNumber;
    for (size_t k = 0; k < claims.size(); k++) {
        const Claim &claim = claims[k];
        if (claim.number != claim.placeNumber && claim.number != cameraNumberFromSerial(claim.serial))
            fault("a number neither the serial's nor the place's");
        if (claim.serial.empty() && claim.number != claim.placeNumber)
            fault("no serial, yet not numbered by place");
        byNumber[claim.number].push_back(k);
    }
    for (const auto &number : byNumber)
        if (number.second.size() > 1)
            fault("one number for two devices");
    for (const SharedNumber &one : shared)
        if (one.devices.size() < 2)
            fault("a shared number of one device");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzBytes in(data, size);
    Configuration configuration(in);
    checkControlInterface(configuration);
    checkNumbering(in);
    return 0;
}

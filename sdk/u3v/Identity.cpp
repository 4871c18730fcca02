#include "Identity.h"

#include <libusb.h>

#include <map>

namespace u3v {

namespace {

const uint8_t kDeviceInfoType = 0x24;
const uint8_t kDeviceInfoSubtype = 0x01;
const size_t kDeviceInfoLength = 20;
const size_t kVendorNameAt = 12;
const size_t kModelNameAt = 13;
const size_t kSerialNumberAt = 17;

uint32_t hash31(const std::string &text)
{
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    hash &= kMaxCameraNumber;
    return hash == 0 ? 1 : hash;
}

} // namespace

bool findDeviceInfo(const uint8_t *extra, size_t length, DeviceInfo *info)
{
    size_t at = 0;
    while (at + 2 <= length) {
        size_t size = extra[at];
        if (size < 2 || at + size > length)
            return false;  // cut short
        if (extra[at + 1] == kDeviceInfoType && size >= 3 && extra[at + 2] == kDeviceInfoSubtype) {
            if (size < kDeviceInfoLength)
                return false;
            info->vendorName = extra[at + kVendorNameAt];
            info->modelName = extra[at + kModelNameAt];
            info->serialNumber = extra[at + kSerialNumberAt];
            return true;
        }
        at += size;
    }
    return false;
}

bool findControlInterface(const libusb_config_descriptor &config, ControlInterface *control)
{
    for (int i = 0; i < config.bNumInterfaces; i++) {
        if (config.interface[i].num_altsetting < 1)
            continue;
        const libusb_interface_descriptor &setting = config.interface[i].altsetting[0];
        if (setting.bInterfaceClass != kU3vClass || setting.bInterfaceSubClass != kU3vSubclass ||
            setting.bInterfaceProtocol != kU3vControlProtocol)
            continue;
        ControlInterface found;
        for (int e = 0; e < setting.bNumEndpoints; e++) {
            const libusb_endpoint_descriptor &endpoint = setting.endpoint[e];
            if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK ||
                (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_ADDRESS_MASK) == 0)
                continue;  // endpoint 0 is the device's control pipe, never an interface's
            uint8_t &slot = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) ? found.endpointIn : found.endpointOut;
            if (slot == 0)
                slot = endpoint.bEndpointAddress;
        }
        if (found.endpointIn == 0 || found.endpointOut == 0)
            continue;
        found.number = setting.bInterfaceNumber;
        size_t extraLength = setting.extra_length > 0 ? (size_t)setting.extra_length : 0;
        found.hasInfo = findDeviceInfo(setting.extra, extraLength, &found.info);
        *control = found;
        return true;
    }
    return false;
}

uint32_t cameraNumberFromSerial(const std::string &serial)
{
    if (serial.empty())
        return 0;
    bool decimal = serial.size() <= 10 && serial[0] != '0';
    uint64_t value = 0;
    for (char c : serial) {
        decimal = decimal && c >= '0' && c <= '9';
        value = value * 10 + (uint64_t)(c - '0');
    }
    if (decimal && value <= kMaxCameraNumber)
        return (uint32_t)value;
    return hash31(serial);
}

std::string portPath(uint8_t bus, const uint8_t *ports, int count)
{
    std::string path = std::to_string(bus);
    for (int k = 0; k < count; k++)
        path += (k == 0 ? "-" : ".") + std::to_string(ports[k]);
    return path;
}

uint32_t cameraNumberFromPlace(const std::string &place)
{
    return hash31(place);
}

uint32_t cameraNumberFromPort(uint8_t bus, const uint8_t *ports, int count)
{
    return cameraNumberFromPlace("usb:" + portPath(bus, ports, count));
}

std::vector<SharedNumber> numberDevices(std::vector<Claim> &claims)
{
    std::vector<bool> byPlace(claims.size());
    for (size_t k = 0; k < claims.size(); k++) {
        claims[k].number = cameraNumberFromSerial(claims[k].serial);
        byPlace[k] = claims[k].number == 0;
        if (byPlace[k])
            claims[k].number = claims[k].placeNumber;
    }
    // A device moved to its place's number may meet another's number
    // there: again until no number numbered by a serial is shared.
    std::vector<SharedNumber> groups;
    for (bool moved = true; moved;) {
        moved = false;
        std::map<uint32_t, std::vector<size_t>> byNumber;
        for (size_t k = 0; k < claims.size(); k++)
            byNumber[claims[k].number].push_back(k);
        for (const auto &shared : byNumber) {
            if (shared.second.size() < 2)
                continue;
            bool group = false;
            for (size_t k : shared.second) {
                if (byPlace[k])
                    continue;
                byPlace[k] = group = moved = true;
                claims[k].number = claims[k].placeNumber;
            }
            if (group)
                groups.push_back({shared.first, shared.second});
        }
    }
    return groups;
}

std::string trimSerial(const char *text, size_t size)
{
    size_t end = 0;
    while (end < size && text[end] != '\0')
        end++;
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        end--;
    return std::string(text, end);
}

} // namespace u3v

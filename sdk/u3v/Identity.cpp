#include "Identity.h"

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

uint32_t cameraNumberFromPort(uint8_t bus, const uint8_t *ports, int count)
{
    return hash31("usb:" + portPath(bus, ports, count));
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

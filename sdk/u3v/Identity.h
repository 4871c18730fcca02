// How a USB3 Vision device is recognised and numbered: its device-info
// descriptor, and the camera number made from its serial or its place on
// the bus.  No I/O here.
#ifndef QRVU3V_IDENTITY_H
#define QRVU3V_IDENTITY_H

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace u3v {

// Interface class, subclass and protocol of a U3V control interface.
const uint8_t kU3vClass = 0xEF;
const uint8_t kU3vSubclass = 0x05;
const uint8_t kU3vControlProtocol = 0x00;

// The string indexes of the device-info descriptor (type 0x24, subtype
// 0x01) that the control interface carries among its extra descriptors.
struct DeviceInfo {
    uint8_t vendorName = 0;
    uint8_t modelName = 0;
    uint8_t serialNumber = 0;
};

// Finds the device-info descriptor in an interface's extra descriptor
// bytes.  False when there is none, or it is cut short.
bool findDeviceInfo(const uint8_t *extra, size_t length, DeviceInfo *info);

// The largest camera number: numbers show as they are in a signed heading.
const uint32_t kMaxCameraNumber = 2147483647;

// The camera number of a serial: a decimal number from 1 to 2147483647
// (digits only, no leading zero) is the number itself; any other text maps
// to the 31-bit FNV-1a hash of its bytes, 0 taken as 1.  0 for "".
uint32_t cameraNumberFromSerial(const std::string &serial);

// "<bus>-<port>.<port>...", as the kernel names a device's place.
std::string portPath(uint8_t bus, const uint8_t *ports, int count);

// The number of a device whose serial could not be read: the hash of
// "usb:" and its port path, as cameraNumberFromSerial makes it.
uint32_t cameraNumberFromPort(uint8_t bus, const uint8_t *ports, int count);

// A serial as a device gives it, without trailing NULs and white space.
std::string trimSerial(const char *text, size_t size);

} // namespace u3v

#endif

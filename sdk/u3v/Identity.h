// How a USB3 Vision device is recognised and numbered: its control
// interface and device-info descriptor, as libusb hands over its
// configuration, and the camera number made from its serial or its place
// on the bus.  No I/O here.
#ifndef QRVU3V_IDENTITY_H
#define QRVU3V_IDENTITY_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct libusb_config_descriptor;

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

// A device's USB3 Vision control interface.
struct ControlInterface {
    int number = 0;
    uint8_t endpointOut = 0;  // bulk, host to device
    uint8_t endpointIn = 0;   // bulk, device to host
    bool hasInfo = false;     // whether info was found
    DeviceInfo info;
};

// The first USB3 Vision control interface of a configuration with a bulk
// endpoint each way (the first of each kind in its first alternate
// setting, endpoint 0 not counted).  False when it has none.
bool findControlInterface(const libusb_config_descriptor &config, ControlInterface *control);

// The largest camera number: numbers show as they are in a signed heading.
const uint32_t kMaxCameraNumber = 2147483647;

// The camera number of a serial: a decimal number from 1 to 2147483647
// (digits only, no leading zero) is the number itself; any other text maps
// to the 31-bit FNV-1a hash of its bytes, 0 taken as 1.  0 for "".
uint32_t cameraNumberFromSerial(const std::string &serial);

// "<bus>-<port>.<port>...", as the kernel names a device's place.
std::string portPath(uint8_t bus, const uint8_t *ports, int count);

// The number of a device by its place ("usb:1-2.3", "gige:00:11:22:33:44:55"):
// the 31-bit FNV-1a hash of the text, 0 taken as 1.
uint32_t cameraNumberFromPlace(const std::string &place);

// The number of a device whose serial could not be read: the hash of
// "usb:" and its port path, as cameraNumberFromPlace makes it.
uint32_t cameraNumberFromPort(uint8_t bus, const uint8_t *ports, int count);

// One attached device as numbering sees it.
struct Claim {
    std::string serial;    // "" when it could not be read
    uint32_t placeNumber;  // cameraNumberFromPort of its place
    uint32_t number = 0;   // set by numberDevices
};

// Devices (indexes into the claims) that claimed one camera number.
struct SharedNumber {
    uint32_t number;
    std::vector<size_t> devices;
};

// Numbers the devices attached together: each by its serial, or by its
// place when its serial is empty or when its number is claimed by another
// device too (an impostor must not take a camera's number).  Returns the
// numbers that were shared.
std::vector<SharedNumber> numberDevices(std::vector<Claim> &claims);

// A serial as a device gives it, without trailing NULs and white space.
std::string trimSerial(const char *text, size_t size);

} // namespace u3v

#endif

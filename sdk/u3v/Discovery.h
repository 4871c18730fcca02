// Finding the USB3 Vision devices on the USB buses and telling them apart:
// each gets a camera number from its serial (or, when that cannot be read or
// another device claims the same number, from its place on the bus).  What
// was read of a device is remembered for the life of the process, as long
// as its device descriptor stays the same.
#ifndef QRVU3V_DISCOVERY_H
#define QRVU3V_DISCOVERY_H

#include "Identity.h"

#include <stdint.h>

#include <string>
#include <vector>

struct libusb_context;
struct libusb_device;

namespace u3v {

const int kMaxPortDepth = 7;

struct Device {
    libusb_device *usb = nullptr;  // referenced while its DeviceList lives
    uint8_t bus = 0;
    uint8_t address = 0;
    uint8_t ports[kMaxPortDepth] = {};
    int portCount = 0;
    int interfaceNumber = 0;  // the control interface
    uint8_t endpointOut = 0;
    uint8_t endpointIn = 0;
    uint32_t number = 0;
    std::string serial, vendor, model;
};

// The USB3 Vision devices attached now, in bus order.
class DeviceList {
public:
    DeviceList() = default;
    ~DeviceList();
    DeviceList(const DeviceList &) = delete;
    DeviceList &operator=(const DeviceList &) = delete;

    // Lists the devices (none when there is no bus), not numbered yet.
    // Devices that cannot be opened to read their serial are listed all the
    // same (numbered by their place) and reported once on standard error.
    void scan(libusb_context *context);
    const std::vector<Device> &devices() const { return devices_; }
    // The device with this camera number, or nullptr.
    const Device *find(uint32_t number) const;

    // What numbering needs of each device: its serial and its place.
    std::vector<Claim> claims() const;
    // Gives each device the number of its claim (numbered by numberDevices
    // together with other cameras), traces it, and reports once on
    // standard error each group of these devices that claimed one number.
    void number(const std::vector<Claim> &claims, const std::vector<SharedNumber> &shared);

private:
    std::vector<Device> devices_;
};

// One line on standard error, once per device and process, for a device
// the user may not open.
void reportNoAccess(const Device &device);

// "bus 001 device 005 at 1-2 (serial "12345678")", for messages.
std::string describeDevice(const Device &device);

} // namespace u3v

#endif

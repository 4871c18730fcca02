#include "Discovery.h"

#include "Channel.h"
#include "Protocol.h"
#include "Trace.h"
#include "UsbTransport.h"

#include <libusb.h>
#include <stdio.h>

#include <map>
#include <mutex>
#include <set>

namespace u3v {

namespace {

const int kStringSize = 256;

// What was read of a device, by "bus-ports@address", for the process, with
// the device descriptor's fields that tell one device from another.
struct Known {
    uint16_t vendorId, productId, release;
    uint8_t serialIndex;
    std::string serial, vendor, model;

    bool describes(const libusb_device_descriptor &descriptor) const
    {
        return vendorId == descriptor.idVendor && productId == descriptor.idProduct &&
               release == descriptor.bcdDevice && serialIndex == descriptor.iSerialNumber;
    }
};

// A device's place: "bus-ports".
std::string placeOf(const Device &device)
{
    return portPath(device.bus, device.ports, device.portCount);
}

// A device's place and address: "bus-ports@address".
std::string placeKey(const Device &device)
{
    return placeOf(device) + "@" + std::to_string(device.address);
}

std::mutex &knownMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, Known> &known()
{
    static std::map<std::string, Known> devices;
    return devices;
}

std::string readString(libusb_device_handle *handle, uint8_t index)
{
    if (index == 0)
        return "";
    unsigned char text[kStringSize];
    int length = libusb_get_string_descriptor_ascii(handle, index, text, sizeof text);
    return length > 0 ? trimSerial(reinterpret_cast<char *>(text), (size_t)length) : "";
}

// The serial in the bootstrap registers, read over the control channel.
std::string bootstrapSerial(libusb_device_handle *handle, const Device &device)
{
    if (libusb_claim_interface(handle, device.interfaceNumber) != LIBUSB_SUCCESS)
        return "";
    UsbTransport transport(handle, device.endpointOut, device.endpointIn);
    Channel channel(transport, systemClock(), Channel::TraceLine(), configuredCommandLimitMs());
    char serial[kBootstrapTextSize];
    int32_t status = channel.read(kBootstrapSerialNumber, reinterpret_cast<uint8_t *>(serial), sizeof serial);
    libusb_release_interface(handle, device.interfaceNumber);
    return status < 0 ? "" : trimSerial(serial, sizeof serial);
}

// Fills in the device's serial, vendor and model, as far as they can be read.
void identify(Device *device, const libusb_device_descriptor &descriptor, const DeviceInfo *info)
{
    libusb_device_handle *handle = nullptr;
    int opened = libusb_open(device->usb, &handle);
    if (opened == LIBUSB_ERROR_ACCESS)
        reportNoAccess(*device);
    if (opened != LIBUSB_SUCCESS)
        return;
    if (info != nullptr) {
        device->serial = readString(handle, info->serialNumber);
        device->vendor = readString(handle, info->vendorName);
        device->model = readString(handle, info->modelName);
    }
    if (device->serial.empty())
        device->serial = readString(handle, descriptor.iSerialNumber);
    if (device->vendor.empty())
        device->vendor = readString(handle, descriptor.iManufacturer);
    if (device->model.empty())
        device->model = readString(handle, descriptor.iProduct);
    if (device->serial.empty())
        device->serial = bootstrapSerial(handle, *device);
    libusb_close(handle);
}

// The device's serial, vendor and model: as read before while its device
// descriptor is the same, else read now.
void recall(Device *device, const libusb_device_descriptor &descriptor, const ControlInterface &control)
{
    std::string key = placeKey(*device);
    {
        std::lock_guard<std::mutex> guard(knownMutex());
        std::map<std::string, Known>::const_iterator seen = known().find(key);
        if (seen != known().end() && seen->second.describes(descriptor)) {
            device->serial = seen->second.serial;
            device->vendor = seen->second.vendor;
            device->model = seen->second.model;
            return;
        }
    }
    identify(device, descriptor, control.hasInfo ? &control.info : nullptr);
    std::lock_guard<std::mutex> guard(knownMutex());
    known()[key] = {descriptor.idVendor, descriptor.idProduct, descriptor.bcdDevice, descriptor.iSerialNumber,
                    device->serial,      device->vendor,       device->model};
}

// The control interface of a USB3 Vision device.  False when it has none.
bool findControlInterface(libusb_device *usb, ControlInterface *control)
{
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(usb, &config) != LIBUSB_SUCCESS &&
        libusb_get_config_descriptor(usb, 0, &config) != LIBUSB_SUCCESS)
        return false;
    bool found = findControlInterface(*config, control);
    libusb_free_config_descriptor(config);
    return found;
}

// One line on standard error, once per process, for devices that claimed
// one camera number.
void reportShared(const std::vector<Device> &devices, const SharedNumber &shared)
{
    const std::vector<size_t> &group = shared.devices;
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::string named;
    for (size_t k = 0; k < group.size(); k++)
        named += std::string(k == 0 ? "" : k + 1 == group.size() ? " and " : ", ") + describeDevice(devices[group[k]]);
    std::lock_guard<std::mutex> guard(mutex);
    if (reported.insert(named).second)
        report("the USB3 Vision devices on %s claim camera number %u: each is numbered by its place on the bus "
               "instead (man visionaccess-u3v: CAMERA NUMBERS)",
               named.c_str(), shared.number);
}

} // namespace

std::string describeDevice(const Device &device)
{
    char place[64];
    snprintf(place, sizeof place, "bus %03u device %03u at %s", device.bus, device.address, placeOf(device).c_str());
    return std::string(place) + " (serial \"" + escapeText(device.serial) + "\")";
}

void reportNoAccess(const Device &device)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::string key = placeKey(device);
    std::lock_guard<std::mutex> guard(mutex);
    if (!reported.insert(key).second)
        return;
    report("no permission to open the USB3 Vision device on bus %03u device %03u; "
           "install udev/70-visionaccess-u3v.rules (man visionaccess-u3v: PERMISSIONS)",
           device.bus, device.address);
}

DeviceList::~DeviceList()
{
    for (Device &device : devices_)
        libusb_unref_device(device.usb);
}

void DeviceList::scan(libusb_context *context)
{
    libusb_device **list = nullptr;
    ssize_t count = libusb_get_device_list(context, &list);
    if (count < 0)
        return;  // no bus to list: no camera
    for (ssize_t k = 0; k < count; k++) {
        libusb_device_descriptor descriptor;
        ControlInterface control;
        if (libusb_get_device_descriptor(list[k], &descriptor) != LIBUSB_SUCCESS ||
            !findControlInterface(list[k], &control))
            continue;
        devices_.emplace_back();
        Device &device = devices_.back();
        device.usb = libusb_ref_device(list[k]);
        device.bus = libusb_get_bus_number(list[k]);
        device.address = libusb_get_device_address(list[k]);
        int ports = libusb_get_port_numbers(list[k], device.ports, kMaxPortDepth);
        device.portCount = ports > 0 ? ports : 0;
        device.interfaceNumber = control.number;
        device.endpointOut = control.endpointOut;
        device.endpointIn = control.endpointIn;
        recall(&device, descriptor, control);
    }
    libusb_free_device_list(list, 1);
}

std::vector<Claim> DeviceList::claims() const
{
    std::vector<Claim> claims;
    for (const Device &device : devices_)
        claims.push_back({device.serial, cameraNumberFromPort(device.bus, device.ports, device.portCount)});
    return claims;
}

void DeviceList::number(const std::vector<Claim> &claims, const std::vector<SharedNumber> &shared)
{
    for (size_t k = 0; k < devices_.size(); k++) {
        Device &device = devices_[k];
        device.number = claims[k].number;
        tracef("camera number=%u serial=%s vendor=%s model=%s bus=%u port=%s", device.number,
               escapeText(device.serial).c_str(), escapeText(device.vendor).c_str(),
               escapeText(device.model).c_str(), device.bus, placeOf(device).c_str());
    }
    for (const SharedNumber &one : shared)
        reportShared(devices_, one);
}

const Device *DeviceList::find(uint32_t number) const
{
    for (const Device &device : devices_)
        if (device.number == number)
            return &device;
    return nullptr;
}

} // namespace u3v

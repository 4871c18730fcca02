#include "Discovery.h"

#include "Channel.h"
#include "Protocol.h"
#include "Trace.h"
#include "UsbTransport.h"

#include <libusb.h>

#include <map>
#include <mutex>
#include <set>

namespace u3v {

namespace {

const int kStringSize = 256;

// What was learnt of a device, by "bus-ports@address", for the process.
struct Known {
    uint32_t number;
    std::string serial, vendor, model;
};

// A device's place and address: "bus-ports@address".
std::string placeKey(const Device &device)
{
    return portPath(device.bus, device.ports, device.portCount) + "@" + std::to_string(device.address);
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
    Channel channel(transport, systemClock());
    char serial[kAbrmStringSize];
    int32_t status = channel.read(kAbrmSerialNumber, reinterpret_cast<uint8_t *>(serial), sizeof serial);
    libusb_release_interface(handle, device.interfaceNumber);
    return status < 0 ? "" : trimSerial(serial, sizeof serial);
}

// Fills in the device's serial, vendor and model, and so its number.
void identify(Device *device, const libusb_device_descriptor &descriptor, const DeviceInfo *info)
{
    libusb_device_handle *handle = nullptr;
    int opened = libusb_open(device->usb, &handle);
    if (opened == LIBUSB_ERROR_ACCESS)
        reportNoAccess(*device);
    if (opened == LIBUSB_SUCCESS) {
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
    device->number = cameraNumberFromSerial(device->serial);
    if (device->number == 0)
        device->number = cameraNumberFromPort(device->bus, device->ports, device->portCount);
}

// The control interface of a USB3 Vision device: its number, endpoints and
// device-info descriptor.  False when the device has none.
bool findControlInterface(libusb_device *usb, Device *device, DeviceInfo *info, bool *hasInfo)
{
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(usb, &config) != LIBUSB_SUCCESS &&
        libusb_get_config_descriptor(usb, 0, &config) != LIBUSB_SUCCESS)
        return false;
    bool found = false;
    for (int i = 0; i < config->bNumInterfaces && !found; i++) {
        if (config->interface[i].num_altsetting < 1)
            continue;
        const libusb_interface_descriptor &setting = config->interface[i].altsetting[0];
        if (setting.bInterfaceClass != kU3vClass || setting.bInterfaceSubClass != kU3vSubclass ||
            setting.bInterfaceProtocol != kU3vControlProtocol)
            continue;
        device->endpointOut = device->endpointIn = 0;
        for (int e = 0; e < setting.bNumEndpoints; e++) {
            const libusb_endpoint_descriptor &endpoint = setting.endpoint[e];
            if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
                continue;
            uint8_t &slot = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) ? device->endpointIn : device->endpointOut;
            if (slot == 0)
                slot = endpoint.bEndpointAddress;
        }
        found = device->endpointIn != 0 && device->endpointOut != 0;
        device->interfaceNumber = setting.bInterfaceNumber;
        *hasInfo = findDeviceInfo(setting.extra, setting.extra_length > 0 ? (size_t)setting.extra_length : 0, info);
    }
    libusb_free_config_descriptor(config);
    return found;
}

} // namespace

void reportNoAccess(const Device &device)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::string key = placeKey(device);
    std::lock_guard<std::mutex> guard(mutex);
    if (!reported.insert(key).second)
        return;
    report("no permission to open the USB3 Vision device on bus %03u device %03u; "
           "install udev/70-visionaccess-u3v.rules (README: USB permissions)",
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
        Device device;
        DeviceInfo info;
        bool hasInfo = false;
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(list[k], &descriptor) != LIBUSB_SUCCESS ||
            !findControlInterface(list[k], &device, &info, &hasInfo))
            continue;
        device.usb = libusb_ref_device(list[k]);
        device.bus = libusb_get_bus_number(list[k]);
        device.address = libusb_get_device_address(list[k]);
        int ports = libusb_get_port_numbers(list[k], device.ports, kMaxPortDepth);
        device.portCount = ports > 0 ? ports : 0;

        std::string key = placeKey(device);
        {
            std::lock_guard<std::mutex> guard(knownMutex());
            std::map<std::string, Known>::const_iterator seen = known().find(key);
            if (seen != known().end()) {
                device.number = seen->second.number;
                device.serial = seen->second.serial;
                device.vendor = seen->second.vendor;
                device.model = seen->second.model;
            }
        }
        if (device.number == 0) {
            identify(&device, descriptor, hasInfo ? &info : nullptr);
            std::lock_guard<std::mutex> guard(knownMutex());
            known()[key] = {device.number, device.serial, device.vendor, device.model};
        }
        tracef("camera number=%u serial=%s vendor=%s model=%s bus=%u port=%s", device.number, device.serial.c_str(),
               device.vendor.c_str(), device.model.c_str(), device.bus,
               portPath(device.bus, device.ports, device.portCount).c_str());
        devices_.push_back(device);
    }
    libusb_free_device_list(list, 1);
}

const Device *DeviceList::find(uint32_t number) const
{
    for (const Device &device : devices_)
        if (device.number == number)
            return &device;
    return nullptr;
}

} // namespace u3v

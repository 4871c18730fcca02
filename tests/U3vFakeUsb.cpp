// The scripted stand-in for libusb-1.0: see U3vFakeUsb.h.  Listing the
// devices allocates nothing once the script has been read, so that a test
// can run the SDK out of memory while it lists them.
#include "U3vFakeUsb.h"

#include <libusb.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <new>
#include <sstream>
#include <string>
#include <vector>

struct libusb_device {
    uint8_t bus = 1;
    uint8_t address = 1;
    std::vector<uint8_t> ports;
    libusb_device_descriptor descriptor = {};
    std::vector<uint8_t> deviceInfo;
    libusb_endpoint_descriptor endpoints[2] = {};
    libusb_interface_descriptor setting = {};
    libusb_interface interface = {};
    libusb_config_descriptor config = {};
    std::string serial = "12345678", vendor = "Fake Cameras", model = "Fake U3V";
    bool noAccess = false;
    uint32_t maxCommand = 1024, maxAck = 1024;
    std::map<uint64_t, uint8_t> memory;
    std::vector<std::pair<uint64_t, uint64_t>> patterns;  // address, size
    std::deque<std::vector<uint8_t>> acks;                 // waiting to be read
};

struct libusb_device_handle {
    libusb_device *device;
};

namespace {

const uint16_t kVendorId = 0x1209;
const uint64_t kSbrm = 0x10000;
const uint8_t kEndpointIn = 0x81;
const uint8_t kEndpointOut = 0x01;
const uint32_t kPrefix = 0x43563355;

struct Bus {
    std::mutex mutex;
    struct stat script = {};
    std::deque<libusb_device> devices;                     // every device ever scripted, never freed
    std::deque<std::vector<libusb_device *>> attachments;  // every list handed out, null-terminated
};

Bus &bus()
{
    static Bus instance;
    return instance;
}

void put(std::map<uint64_t, uint8_t> &memory, uint64_t address, uint64_t value, size_t size)
{
    for (size_t k = 0; k < size; k++)
        memory[address + k] = (uint8_t)(value >> (8 * k));
}

void putString(std::map<uint64_t, uint8_t> &memory, uint64_t address, const std::string &text)
{
    for (size_t k = 0; k < 64; k++)
        memory[address + k] = k < text.size() ? (uint8_t)text[k] : 0;
}

// The rest of a line as text, with \\ and \xNN undone.
std::string text(std::istream &words)
{
    std::string raw, result;
    std::getline(words >> std::ws, raw);
    for (size_t k = 0; k < raw.size(); k++) {
        if (raw[k] == '\\' && k + 3 < raw.size() && raw[k + 1] == 'x') {
            result += (char)strtoul(raw.substr(k + 2, 2).c_str(), nullptr, 16);
            k += 3;
        } else if (raw[k] == '\\' && k + 1 < raw.size()) {
            result += raw[++k];
        } else {
            result += raw[k];
        }
    }
    return result;
}

uint64_t number(std::istream &words, int base)
{
    std::string word;
    words >> word;
    return strtoull(word.c_str(), nullptr, base);
}

// The descriptors and bootstrap registers, once the script has set the rest.
void finish(libusb_device &device)
{
    libusb_device_descriptor &d = device.descriptor;
    d.bLength = LIBUSB_DT_DEVICE_SIZE;
    d.bDescriptorType = LIBUSB_DT_DEVICE;
    d.bcdUSB = 0x0300;
    d.bDeviceClass = 0xEF;
    d.bDeviceSubClass = 0x02;
    d.bDeviceProtocol = 0x01;
    d.idVendor = kVendorId;
    d.iManufacturer = 1;
    d.iProduct = 2;
    d.bNumConfigurations = 1;
    device.deviceInfo.assign(20, 0);
    device.deviceInfo[0] = 20;
    device.deviceInfo[1] = 0x24;
    device.deviceInfo[2] = 0x01;
    device.deviceInfo[12] = 1;
    device.deviceInfo[13] = 2;
    device.deviceInfo[17] = 3;
    const uint8_t addresses[2] = {kEndpointIn, kEndpointOut};
    for (int e = 0; e < 2; e++) {
        device.endpoints[e].bLength = LIBUSB_DT_ENDPOINT_SIZE;
        device.endpoints[e].bDescriptorType = LIBUSB_DT_ENDPOINT;
        device.endpoints[e].bEndpointAddress = addresses[e];
        device.endpoints[e].bmAttributes = LIBUSB_TRANSFER_TYPE_BULK;
        device.endpoints[e].wMaxPacketSize = 1024;
    }
    libusb_interface_descriptor &s = device.setting;
    s.bLength = LIBUSB_DT_INTERFACE_SIZE;
    s.bDescriptorType = LIBUSB_DT_INTERFACE;
    s.bNumEndpoints = 2;
    s.bInterfaceClass = 0xEF;
    s.bInterfaceSubClass = 0x05;
    s.endpoint = device.endpoints;
    s.extra = device.deviceInfo.data();
    s.extra_length = (int)device.deviceInfo.size();
    device.interface.altsetting = &device.setting;
    device.interface.num_altsetting = 1;
    device.config.bLength = LIBUSB_DT_CONFIG_SIZE;
    device.config.bDescriptorType = LIBUSB_DT_CONFIG;
    device.config.bNumInterfaces = 1;
    device.config.bConfigurationValue = 1;
    device.config.interface = &device.interface;

    putString(device.memory, 0x0004, device.vendor);
    putString(device.memory, 0x0044, device.model);
    putString(device.memory, 0x0144, device.serial);
    put(device.memory, 0x01CC, 100, 4);
    put(device.memory, 0x01D8, kSbrm, 8);
    put(device.memory, kSbrm + 0x14, device.maxCommand, 4);
    put(device.memory, kSbrm + 0x18, device.maxAck, 4);
}

// With the lock held: the devices of the script as it is now.
std::vector<libusb_device *> &attached()
{
    Bus &b = bus();
    const char *path = getenv("U3V_FAKE_USB");
    struct stat now = {};
    if (path == nullptr || stat(path, &now) != 0)
        now = {};
    bool same = now.st_ino == b.script.st_ino && now.st_size == b.script.st_size &&
                now.st_mtim.tv_sec == b.script.st_mtim.tv_sec && now.st_mtim.tv_nsec == b.script.st_mtim.tv_nsec;
    if (same && !b.attachments.empty())
        return b.attachments.back();
    b.script = now;
    b.attachments.emplace_back();
    std::vector<libusb_device *> &list = b.attachments.back();
    std::ifstream in(path != nullptr ? path : "");
    libusb_device *device = nullptr;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string what;
        if (!(words >> what) || what[0] == '#')
            continue;
        if (what == "device") {
            if (device != nullptr)
                finish(*device);
            b.devices.emplace_back();
            device = &b.devices.back();
            device->descriptor.idProduct = 0x0003;
            device->descriptor.bcdDevice = 0x0100;
            device->descriptor.iSerialNumber = 3;
            list.push_back(device);
            std::string ports;
            device->bus = (uint8_t)number(words, 10);
            words >> ports;
            device->address = (uint8_t)number(words, 10);
            for (std::istringstream each(ports); ports != "-" && each.good();)
                device->ports.push_back((uint8_t)number(each, 10)), each.ignore(1);
        } else if (device == nullptr) {
            fprintf(stderr, "U3vFakeUsb: '%s' before any device\n", line.c_str());
        } else if (what == "serial") {
            device->serial = text(words);
        } else if (what == "vendor") {
            device->vendor = text(words);
        } else if (what == "model") {
            device->model = text(words);
        } else if (what == "product") {
            device->descriptor.idProduct = (uint16_t)number(words, 16);
        } else if (what == "release") {
            device->descriptor.bcdDevice = (uint16_t)number(words, 16);
        } else if (what == "serial-index") {
            device->descriptor.iSerialNumber = (uint8_t)number(words, 10);
        } else if (what == "max-command") {
            device->maxCommand = (uint32_t)number(words, 0);
        } else if (what == "max-ack") {
            device->maxAck = (uint32_t)number(words, 0);
        } else if (what == "register") {
            uint64_t address = number(words, 16);
            put(device->memory, address, number(words, 16), 4);
        } else if (what == "pattern") {
            uint64_t address = number(words, 16);
            device->patterns.push_back({address, number(words, 0)});
        } else if (what == "no-access") {
            device->noAccess = true;
        } else {
            fprintf(stderr, "U3vFakeUsb: unknown statement '%s'\n", line.c_str());
        }
    }
    if (device != nullptr)
        finish(*device);
    list.push_back(nullptr);
    return list;
}

void log(const char *format, ...) __attribute__((format(printf, 1, 2)));
void log(const char *format, ...)
{
    const char *path = getenv("U3V_FAKE_USB_LOG");
    FILE *file = path != nullptr ? fopen(path, "a") : nullptr;
    if (file == nullptr)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(file, format, args);
    va_end(args);
    fputc('\n', file);
    fclose(file);
}

uint16_t get16(const uint8_t *b)
{
    return (uint16_t)(b[0] | b[1] << 8);
}

uint64_t getLe(const uint8_t *b, size_t size)
{
    uint64_t value = 0;
    for (size_t k = size; k-- > 0;)
        value = value << 8 | b[k];
    return value;
}

std::vector<uint8_t> ack(uint16_t status, uint16_t ackId, uint16_t requestId, const std::vector<uint8_t> &payload)
{
    std::vector<uint8_t> a(12 + payload.size());
    const uint64_t fields[] = {kPrefix, status, ackId, payload.size(), requestId};
    const size_t sizes[] = {4, 2, 2, 2, 2};
    for (size_t f = 0, at = 0; f < 5; at += sizes[f++])
        for (size_t k = 0; k < sizes[f]; k++)
            a[at + k] = (uint8_t)(fields[f] >> (8 * k));
    std::copy(payload.begin(), payload.end(), a.begin() + 12);
    return a;
}

// The byte at an address, or false when the device has none there.
bool byteAt(const libusb_device &device, uint64_t address, uint8_t *byte)
{
    auto found = device.memory.find(address);
    if (found != device.memory.end()) {
        *byte = found->second;
        return true;
    }
    for (const auto &pattern : device.patterns) {
        if (address >= pattern.first && address - pattern.first < pattern.second) {
            *byte = fakeUsbPattern(address);
            return true;
        }
    }
    return false;
}

// The acknowledge of one command.
std::vector<uint8_t> answer(libusb_device &device, const uint8_t *command, size_t size)
{
    const uint16_t kInvalidAddress = 0x8003, kInvalidHeader = 0x800E;
    uint16_t commandId = size >= 12 ? get16(command + 6) : 0;
    uint16_t requestId = size >= 12 ? get16(command + 10) : 0;
    uint16_t ackId = (uint16_t)(commandId + 1);
    if (size < 20 || getLe(command, 4) != kPrefix || (commandId != 0x0800 && commandId != 0x0802))
        return ack(kInvalidHeader, ackId, requestId, {});
    uint64_t address = getLe(command + 12, 8);
    if (commandId == 0x0800) {
        std::vector<uint8_t> data(size >= 24 ? get16(command + 22) : 0);
        for (size_t k = 0; k < data.size(); k++)
            if (!byteAt(device, address + k, &data[k]))
                return ack(kInvalidAddress, ackId, requestId, {});
        return ack(0, ackId, requestId, data);
    }
    uint8_t any;
    for (size_t k = 20; k < size; k++)
        if (!byteAt(device, address + k - 20, &any))
            return ack(kInvalidAddress, ackId, requestId, {});
    for (size_t k = 20; k < size; k++)
        device.memory[address + k - 20] = command[k];
    std::vector<uint8_t> written(4, 0);
    written[2] = (uint8_t)(size - 20);
    written[3] = (uint8_t)((size - 20) >> 8);
    return ack(0, ackId, requestId, written);
}

} // namespace

// ---------------------------------------------------------------------------
// libusb, as far as the open SDK uses it
// ---------------------------------------------------------------------------

extern "C" {

int libusb_init(libusb_context **context)
{
    static int token;
    if (context != nullptr)
        *context = reinterpret_cast<libusb_context *>(&token);
    return LIBUSB_SUCCESS;
}

void libusb_exit(libusb_context *) {}

ssize_t libusb_get_device_list(libusb_context *, libusb_device ***list)
{
    std::lock_guard<std::mutex> guard(bus().mutex);
    std::vector<libusb_device *> &devices = attached();
    *list = devices.data();
    return (ssize_t)devices.size() - 1;
}

void libusb_free_device_list(libusb_device **, int) {}

libusb_device *libusb_ref_device(libusb_device *device)
{
    return device;
}

void libusb_unref_device(libusb_device *) {}

int libusb_get_device_descriptor(libusb_device *device, libusb_device_descriptor *descriptor)
{
    *descriptor = device->descriptor;
    return LIBUSB_SUCCESS;
}

int libusb_get_active_config_descriptor(libusb_device *device, libusb_config_descriptor **config)
{
    *config = &device->config;
    return LIBUSB_SUCCESS;
}

int libusb_get_config_descriptor(libusb_device *device, uint8_t index, libusb_config_descriptor **config)
{
    if (index != 0)
        return LIBUSB_ERROR_NOT_FOUND;
    return libusb_get_active_config_descriptor(device, config);
}

void libusb_free_config_descriptor(libusb_config_descriptor *) {}

uint8_t libusb_get_bus_number(libusb_device *device)
{
    return device->bus;
}

uint8_t libusb_get_device_address(libusb_device *device)
{
    return device->address;
}

int libusb_get_port_numbers(libusb_device *device, uint8_t *ports, int length)
{
    if ((size_t)length < device->ports.size())
        return LIBUSB_ERROR_OVERFLOW;
    std::copy(device->ports.begin(), device->ports.end(), ports);
    return (int)device->ports.size();
}

int libusb_open(libusb_device *device, libusb_device_handle **handle)
{
    if (device->noAccess)
        return LIBUSB_ERROR_ACCESS;
    *handle = new (std::nothrow) libusb_device_handle{device};
    return *handle != nullptr ? LIBUSB_SUCCESS : LIBUSB_ERROR_NO_MEM;
}

void libusb_close(libusb_device_handle *handle)
{
    delete handle;
}

int libusb_set_auto_detach_kernel_driver(libusb_device_handle *, int)
{
    return LIBUSB_SUCCESS;
}

int libusb_claim_interface(libusb_device_handle *, int)
{
    return LIBUSB_SUCCESS;
}

int libusb_release_interface(libusb_device_handle *, int)
{
    return LIBUSB_SUCCESS;
}

int libusb_clear_halt(libusb_device_handle *, unsigned char)
{
    return LIBUSB_SUCCESS;
}

// As libusb does: the string in the first language, each character outside
// ASCII as '?'; the script's bytes stand for characters.
int libusb_get_string_descriptor_ascii(libusb_device_handle *handle, uint8_t index, unsigned char *data, int length)
{
    const libusb_device &device = *handle->device;
    const std::string *text = index == 1 ? &device.vendor : index == 2 ? &device.model : nullptr;
    if (index == 3 || index == device.descriptor.iSerialNumber)
        text = &device.serial;
    if (text == nullptr || length < 1)
        return LIBUSB_ERROR_PIPE;
    int size = std::min((int)text->size(), length - 1);
    for (int k = 0; k < size; k++)
        data[k] = (unsigned char)(*text)[k] < 0x80 ? (unsigned char)(*text)[k] : '?';
    data[size] = 0;
    return size;
}

int libusb_bulk_transfer(libusb_device_handle *handle, unsigned char endpoint, unsigned char *data, int length,
                         int *transferred, unsigned int)
{
    std::lock_guard<std::mutex> guard(bus().mutex);
    libusb_device &device = *handle->device;
    *transferred = 0;
    if (endpoint == kEndpointOut) {
        log("out %d command=0x%04X length=%u", length, length >= 8 ? get16(data + 6) : 0,
            length >= 10 ? get16(data + 8) : 0);
        device.acks.push_back(answer(device, data, length > 0 ? (size_t)length : 0));
        *transferred = length;
        return LIBUSB_SUCCESS;
    }
    log("in %d", length);
    if (endpoint != kEndpointIn || length < 0)
        return LIBUSB_ERROR_INVALID_PARAM;
    if (device.acks.empty())
        return LIBUSB_ERROR_TIMEOUT;
    std::vector<uint8_t> next = std::move(device.acks.front());
    device.acks.pop_front();
    *transferred = std::min(length, (int)next.size());
    std::copy(next.begin(), next.begin() + *transferred, data);
    return (size_t)length < next.size() ? LIBUSB_ERROR_OVERFLOW : LIBUSB_SUCCESS;
}

} // extern "C"

#include "Cameras.h"

#include "Discovery.h"
#include "Protocol.h"
#include "Status.h"
#include "Trace.h"

#include <libusb.h>
#include <string.h>

#include <map>

namespace u3v {

OpenCamera::~OpenCamera()
{
    if (handle != nullptr) {
        libusb_release_interface(handle, interfaceNumber);
        libusb_close(handle);
    }
}

namespace {

struct Sdk {
    std::mutex mutex;  // the context and the handle table
    bool started = false;
    libusb_context *context = nullptr;
    std::map<uintptr_t, std::shared_ptr<OpenCamera>> open;
    uintptr_t nextHandle = 1;
};

Sdk &sdk()
{
    static Sdk instance;
    return instance;
}

// With the lock held: libusb, started on the first call.  Null when it
// cannot be started.
libusb_context *usb(Sdk &s)
{
    if (!s.started) {
        s.started = true;
        if (libusb_init(&s.context) != LIBUSB_SUCCESS)
            s.context = nullptr;
    }
    return s.context;
}

void fillRecord(_CAMERA_ID_INFO *record, const Device &device)
{
    memset(record, 0, sizeof *record);
    record->recordSize = sizeof *record;
    record->cameraNumber = device.number;
    // sdkData: bus, port count, the ports, then the port path as text.
    record->sdkData[0] = device.bus;
    record->sdkData[1] = (uint8_t)device.portCount;
    memcpy(&record->sdkData[2], device.ports, kMaxPortDepth);
    std::string path = portPath(device.bus, device.ports, device.portCount);
    const size_t textAt = 2 + kMaxPortDepth;
    strncpy(reinterpret_cast<char *>(&record->sdkData[textAt]), path.c_str(), sizeof record->sdkData - textAt - 1);
}

// With the lock held: the USB3 Vision devices attached now.
int32_t scanDevices(Sdk &s, DeviceList *list)
{
    libusb_context *context = usb(s);
    if (context == nullptr)
        return kStatusUsbUnusable;
    list->scan(context);
    return 0;
}

// Reads the bootstrap registers that set the channel's limits.
int32_t readLimits(Channel &channel)
{
    uint8_t bytes[8];
    int32_t status = channel.read(kBootstrapMaxResponseTime, bytes, 4);
    if (status < 0)
        return status;
    uint32_t responseTimeMs = get32(bytes);
    if ((status = channel.read(kBootstrapSbrmAddress, bytes, 8)) < 0)
        return status;
    uint64_t sbrm = get64(bytes);
    if ((status = channel.read(sbrm + kSbrmMaxCommandLength, bytes, 4)) < 0)
        return status;
    uint32_t maxCommand = get32(bytes);
    if ((status = channel.read(sbrm + kSbrmMaxAckLength, bytes, 4)) < 0)
        return status;
    uint32_t maxAck = get32(bytes);
    return channel.setLimits(responseTimeMs, maxCommand, maxAck) ? 0 : kStatusBadBootstrap;
}

} // namespace

int32_t countCameras(_CAMERA_ID_INFO *info, uint32_t *count)
{
    if (count == nullptr || (info != nullptr && info->recordSize != sizeof *info))
        return kStatusBadArgument;
    Sdk &s = sdk();
    std::lock_guard<std::mutex> guard(s.mutex);
    DeviceList list;
    int32_t status = scanDevices(s, &list);
    if (status < 0)
        return status;
    const std::vector<Device> &devices = list.devices();
    if (info == nullptr) {
        *count = (uint32_t)devices.size();
        return 0;
    }
    uint32_t filled = 0;
    for (; filled < *count && filled < devices.size(); filled++)
        fillRecord(&info[filled], devices[filled]);
    *count = filled;
    return 0;
}

int32_t openCamera(uint32_t cameraNumber, void **handle)
{
    if (handle == nullptr)
        return kStatusBadArgument;
    Sdk &s = sdk();
    std::lock_guard<std::mutex> guard(s.mutex);
    DeviceList list;
    int32_t status = scanDevices(s, &list);
    if (status < 0)
        return status;
    for (const auto &open : s.open)
        if (open.second->number == cameraNumber)
            return kStatusAlreadyOpen;
    const Device *device = list.find(cameraNumber);
    if (device == nullptr)
        return kStatusNoCamera;

    auto camera = std::make_shared<OpenCamera>();
    camera->number = cameraNumber;
    int opened = libusb_open(device->usb, &camera->handle);
    if (opened != LIBUSB_SUCCESS) {
        camera->handle = nullptr;
        if (opened == LIBUSB_ERROR_ACCESS)
            reportNoAccess(*device);
        return opened == LIBUSB_ERROR_ACCESS ? kStatusNoAccess : kStatusOpenFailed;
    }
    libusb_set_auto_detach_kernel_driver(camera->handle, 1);
    int claimed = libusb_claim_interface(camera->handle, device->interfaceNumber);
    if (claimed != LIBUSB_SUCCESS) {
        libusb_close(camera->handle);
        camera->handle = nullptr;
        return claimed == LIBUSB_ERROR_BUSY ? kStatusClaimFailed : kStatusOpenFailed;
    }
    camera->interfaceNumber = device->interfaceNumber;
    camera->transport.reset(new UsbTransport(camera->handle, device->endpointOut, device->endpointIn));
    Channel::TraceLine trace;
    if (tracing())
        trace = traceLine;
    camera->channel.reset(new Channel(*camera->transport, systemClock(), trace, configuredCommandLimitMs()));
    status = readLimits(*camera->channel);
    if (status < 0)
        return status;  // camera closes the device as it goes

    uintptr_t key = s.nextHandle++;
    s.open[key] = camera;
    *handle = reinterpret_cast<void *>(key);
    return 0;
}

std::shared_ptr<OpenCamera> findOpen(void *handle)
{
    Sdk &s = sdk();
    std::lock_guard<std::mutex> guard(s.mutex);
    auto found = s.open.find(reinterpret_cast<uintptr_t>(handle));
    return found == s.open.end() ? nullptr : found->second;
}

int32_t closeCamera(void *handle)
{
    std::shared_ptr<OpenCamera> camera;
    {
        Sdk &s = sdk();
        std::lock_guard<std::mutex> guard(s.mutex);
        auto found = s.open.find(reinterpret_cast<uintptr_t>(handle));
        if (found == s.open.end())
            return kStatusBadHandle;
        camera = found->second;
        s.open.erase(found);
    }
    std::lock_guard<std::mutex> guard(camera->mutex);  // a command under way ends first
    return 0;
}

} // namespace u3v

// The open camera SDK: a libQrVApi.so that drives any USB3 Vision camera
// through libusb, with no maker's SDK.  It exports the four SDK functions;
// register commands become READMEM and WRITEMEM on the camera's control
// channel.
//
// Environment: QRV_U3V_TRACE=<file> appends one line per call, transfer
// and camera found.  README.md has the statuses and camera numbers.
#include "QrVApi.h"

#include "Channel.h"
#include "Discovery.h"
#include "Protocol.h"
#include "Status.h"
#include "Trace.h"
#include "UsbTransport.h"

#include <inttypes.h>
#include <libusb.h>
#include <string.h>

#include <map>
#include <memory>
#include <mutex>

#define QRV_EXPORT extern "C" __attribute__((visibility("default")))

using namespace u3v;

namespace {

const uint32_t kReadRegister = 43;
const uint32_t kWriteRegister = 44;
const uint32_t kCommandSize = 12;  // opcode, address, value

struct OpenCamera {
    std::mutex mutex;  // one command at a time on the channel
    uint32_t number = 0;
    libusb_device_handle *handle = nullptr;
    int interfaceNumber = 0;
    std::unique_ptr<UsbTransport> transport;
    std::unique_ptr<Channel> channel;

    ~OpenCamera()
    {
        if (handle != nullptr) {
            libusb_release_interface(handle, interfaceNumber);
            libusb_close(handle);
        }
    }
};

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

// Times a call for its trace line.
class CallTimer {
public:
    CallTimer() : start_(systemClock().nowUs()) {}
    long long elapsedUs() const { return (long long)(systemClock().nowUs() - start_); }

private:
    int64_t start_;
};

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

// Reads the bootstrap registers that set the channel's limits.
int32_t readLimits(Channel &channel)
{
    uint8_t bytes[8];
    int32_t status = channel.read(kAbrmMaxResponseTime, bytes, 4);
    if (status < 0)
        return status;
    uint32_t responseTimeMs = get32(bytes);
    if ((status = channel.read(kAbrmSbrmAddress, bytes, 8)) < 0)
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
    camera->channel.reset(new Channel(*camera->transport, systemClock(), trace));
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

int32_t registerCommand(void *handle, uint32_t size, void *record, uint32_t *opcode, uint32_t *address,
                        uint32_t *value)
{
    std::shared_ptr<OpenCamera> camera = findOpen(handle);
    if (camera == nullptr)
        return kStatusBadHandle;
    if (record == nullptr || size < kCommandSize)
        return kStatusBadArgument;
    uint8_t *fields = static_cast<uint8_t *>(record);
    memcpy(opcode, fields, 4);
    memcpy(address, fields + 4, 4);
    memcpy(value, fields + 8, 4);
    if (*opcode != kReadRegister && *opcode != kWriteRegister)
        return kStatusBadCommand;

    std::lock_guard<std::mutex> guard(camera->mutex);
    uint8_t bytes[4];
    if (*opcode == kWriteRegister) {
        put32(bytes, *value);
        return camera->channel->write(*address, bytes, sizeof bytes);
    }
    int32_t status = camera->channel->read(*address, bytes, sizeof bytes);
    if (status >= 0) {
        *value = get32(bytes);
        memcpy(fields + 8, value, 4);
    }
    return status;
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

} // namespace

// ---------------------------------------------------------------------------
// The SDK's four calls
// ---------------------------------------------------------------------------

QRV_EXPORT int32_t QrVGetNumberCamerasEx(struct _CAMERA_ID_INFO *info, uint32_t *count)
{
    CallTimer timer;
    uint32_t capacity = count != nullptr ? *count : 0;
    int32_t status = countCameras(info, count);
    tracef("QrVGetNumberCamerasEx(info=%s capacity=%" PRIu32 ") -> status=0x%08" PRIX32 " count=%" PRIu32
           " elapsed=%lldus",
           info == nullptr ? "NULL" : "records", info == nullptr ? 0 : capacity, (uint32_t)status,
           status >= 0 && count != nullptr ? *count : 0, timer.elapsedUs());
    return status;
}

QRV_EXPORT int32_t QrVInitializeEx(uint32_t cameraNumber, void **handle, uint32_t flags)
{
    CallTimer timer;
    int32_t status = openCamera(cameraNumber, handle);
    tracef("QrVInitializeEx(camera=%" PRIu32 " flags=%" PRIu32 ") -> status=0x%08" PRIX32 " handle=%" PRIuPTR
           " elapsed=%lldus",
           cameraNumber, flags, (uint32_t)status, status >= 0 ? reinterpret_cast<uintptr_t>(*handle) : 0,
           timer.elapsedUs());
    return status;
}

QRV_EXPORT int32_t QrVUninitialize(void *handle)
{
    CallTimer timer;
    int32_t status = closeCamera(handle);
    tracef("QrVUninitialize(handle=%" PRIuPTR ") -> status=0x%08" PRIX32 " elapsed=%lldus",
           reinterpret_cast<uintptr_t>(handle), (uint32_t)status, timer.elapsedUs());
    return status;
}

QRV_EXPORT int32_t QrVPrivateCmd(void *handle, uint32_t size, void *record)
{
    CallTimer timer;
    uint32_t opcode = 0, address = 0, value = 0;
    int32_t status = registerCommand(handle, size, record, &opcode, &address, &value);
    tracef("QrVPrivateCmd(handle=%" PRIuPTR " size=%" PRIu32 " opcode=%" PRIu32 " address=0x%" PRIX32
           ") -> status=0x%08" PRIX32 " value=0x%08" PRIX32 " elapsed=%lldus",
           reinterpret_cast<uintptr_t>(handle), size, opcode, address, (uint32_t)status, value, timer.elapsedUs());
    return status;
}

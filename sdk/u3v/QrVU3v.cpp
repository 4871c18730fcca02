// The open camera SDK: a libQrVApi.so that drives any USB3 Vision camera
// through libusb and any GigE Vision camera over UDP, with no maker's SDK.
// It exports the four SDK functions and the optional memory calls; register
// and memory commands become READMEM and WRITEMEM on a USB3 Vision
// camera's control channel, READREG, WRITEREG, READMEM and WRITEMEM on a
// GigE Vision camera's.  No exception leaves an exported function: each
// ends in a status.
//
// Environment: QRV_U3V_TRACE=<file> appends one line per call, transfer
// and camera found; QRV_U3V_COMMAND_LIMIT=<ms> shortens the limit on one
// command; QRV_U3V_GIGE and QRV_U3V_GIGE_WAIT say where and how long GigE
// Vision cameras are looked for.  doc/visionaccess-u3v.7 has the statuses
// and camera numbers.
#include "QrVApi.h"

#include "Cameras.h"
#include "Protocol.h"
#include "Status.h"
#include "Trace.h"
#include "Transport.h"

#include <inttypes.h>
#include <stddef.h>
#include <string.h>

#include <new>

#define QRV_EXPORT extern "C" __attribute__((visibility("default")))

using namespace u3v;

namespace {

// Times a call for its trace line.
class CallTimer {
public:
    CallTimer() : start_(systemClock().nowUs()) {}
    long long elapsedUs() const { return (long long)(systemClock().nowUs() - start_); }

private:
    int64_t start_;
};

// The status of one exported call: whatever it throws ends here.
template <typename Call> int32_t guarded(Call call)
{
    try {
        return call();
    } catch (const std::bad_alloc &) {
        return kStatusNoMemory;
    } catch (const std::exception &failure) {
        report("unexpected failure: %s", failure.what());
    } catch (...) {
        report("unexpected failure");
    }
    return kStatusInternal;
}

int32_t registerCommand(void *handle, uint32_t size, void *record, uint32_t *opcode, uint32_t *address,
                        uint32_t *value)
{
    std::shared_ptr<OpenCamera> camera = findOpen(handle);
    if (camera == nullptr)
        return kStatusBadHandle;
    if (record == nullptr || size < sizeof(RegisterCommand))
        return kStatusBadArgument;
    RegisterCommand command;
    memcpy(&command, record, sizeof command);
    *opcode = command.opcode;
    *address = command.address;
    *value = command.value;
    if (*opcode != kReadRegisterOpcode && *opcode != kWriteRegisterOpcode)
        return kStatusBadCommand;

    std::lock_guard<std::mutex> guard(camera->mutex);
    if (*opcode == kWriteRegisterOpcode)
        return camera->link->writeRegister(*address, *value);
    int32_t status = camera->link->readRegister(*address, value);
    if (status >= 0)
        memcpy(static_cast<uint8_t *>(record) + offsetof(RegisterCommand, value), value, sizeof *value);
    return status;
}

enum class Direction { Read, Write };

// Reads or writes size bytes at a 64-bit address, in as many commands as
// the camera's maxima need.
int32_t memoryCommand(void *handle, Direction direction, uint64_t address, void *bytes, uint32_t size)
{
    std::shared_ptr<OpenCamera> camera = findOpen(handle);
    if (camera == nullptr)
        return kStatusBadHandle;
    if (size == 0)
        return 0;
    if (bytes == nullptr || address > UINT64_MAX - (size - 1))
        return kStatusBadArgument;
    std::lock_guard<std::mutex> guard(camera->mutex);
    uint8_t *data = static_cast<uint8_t *>(bytes);
    return direction == Direction::Read ? camera->link->read(address, data, size)
                                        : camera->link->write(address, data, size);
}

} // namespace

// ---------------------------------------------------------------------------
// The SDK's four calls, and the two optional ones
// ---------------------------------------------------------------------------

QRV_EXPORT int32_t QrVGetNumberCamerasEx(struct _CAMERA_ID_INFO *info, uint32_t *count)
{
    CallTimer timer;
    uint32_t capacity = count != nullptr ? *count : 0;
    int32_t status = guarded([&] { return countCameras(info, count); });
    tracef("QrVGetNumberCamerasEx(info=%s capacity=%" PRIu32 ") -> status=0x%08" PRIX32 " count=%" PRIu32
           " elapsed=%lldus",
           info == nullptr ? "NULL" : "records", info == nullptr ? 0 : capacity, (uint32_t)status,
           status >= 0 && count != nullptr ? *count : 0, timer.elapsedUs());
    return status;
}

QRV_EXPORT int32_t QrVInitializeEx(uint32_t cameraNumber, void **handle, uint32_t flags)
{
    CallTimer timer;
    int32_t status = guarded([&] { return openCamera(cameraNumber, handle); });
    tracef("QrVInitializeEx(camera=%" PRIu32 " flags=%" PRIu32 ") -> status=0x%08" PRIX32 " handle=%" PRIuPTR
           " elapsed=%lldus",
           cameraNumber, flags, (uint32_t)status, status >= 0 ? reinterpret_cast<uintptr_t>(*handle) : 0,
           timer.elapsedUs());
    return status;
}

QRV_EXPORT int32_t QrVUninitialize(void *handle)
{
    CallTimer timer;
    int32_t status = guarded([&] { return closeCamera(handle); });
    tracef("QrVUninitialize(handle=%" PRIuPTR ") -> status=0x%08" PRIX32 " elapsed=%lldus",
           reinterpret_cast<uintptr_t>(handle), (uint32_t)status, timer.elapsedUs());
    return status;
}

QRV_EXPORT int32_t QrVPrivateCmd(void *handle, uint32_t size, void *record)
{
    CallTimer timer;
    uint32_t opcode = 0, address = 0, value = 0;
    int32_t status = guarded([&] { return registerCommand(handle, size, record, &opcode, &address, &value); });
    tracef("QrVPrivateCmd(handle=%" PRIuPTR " size=%" PRIu32 " opcode=%" PRIu32 " address=0x%" PRIX32
           ") -> status=0x%08" PRIX32 " value=0x%08" PRIX32 " elapsed=%lldus",
           reinterpret_cast<uintptr_t>(handle), size, opcode, address, (uint32_t)status, value, timer.elapsedUs());
    return status;
}

QRV_EXPORT int32_t QrVReadMemory(void *handle, uint64_t address, void *bytes, uint32_t size)
{
    CallTimer timer;
    int32_t status = guarded([&] { return memoryCommand(handle, Direction::Read, address, bytes, size); });
    tracef("QrVReadMemory(handle=%" PRIuPTR " address=0x%" PRIX64 " size=%" PRIu32 ") -> status=0x%08" PRIX32
           " elapsed=%lldus",
           reinterpret_cast<uintptr_t>(handle), address, size, (uint32_t)status, timer.elapsedUs());
    return status;
}

QRV_EXPORT int32_t QrVWriteMemory(void *handle, uint64_t address, const void *bytes, uint32_t size)
{
    CallTimer timer;
    int32_t status = guarded(
        [&] { return memoryCommand(handle, Direction::Write, address, const_cast<void *>(bytes), size); });
    tracef("QrVWriteMemory(handle=%" PRIuPTR " address=0x%" PRIX64 " size=%" PRIu32 ") -> status=0x%08" PRIX32
           " elapsed=%lldus",
           reinterpret_cast<uintptr_t>(handle), address, size, (uint32_t)status, timer.elapsedUs());
    return status;
}

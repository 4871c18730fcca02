// Simulated camera SDK: a libQrVApi.so with virtual cameras, for trying
// VisionAccess and testing scripts without hardware.
//
// Environment (doc/visionaccess-sim.1 has the details):
//   QRV_SIM_CONFIG=<file>  cameras, registers and injected faults
//   QRV_SIM_TRACE=<file>   appends one line per SDK call
//   QRV_SIM_STATE=<file>   where written register values are kept; off: nowhere
//
// Without a configuration there are two cameras, both of which open.  It
// exports the four SDK calls and the optional memory calls, which reach
// each camera's registers and self-description at 64-bit addresses.
#include "CameraRegisters.h"
#include "QrVApi.h"
#include "Sim.h"

#include <errno.h>
#include <inttypes.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <time.h>

#include <mutex>

#define QRV_EXPORT extern "C" __attribute__((visibility("default")))

using namespace qrvsim;

namespace {

struct Simulator {
    std::mutex mutex;
    bool loaded = false;
    bool configValid = true;
    Config config;
    RegisterState state;
    std::string tracePath;
    bool traceFailureReported = false;
    std::map<uintptr_t, size_t> openCameras;  // handle -> index into config.cameras
    uintptr_t nextHandle = 1;
};

Simulator &simulator()
{
    static Simulator instance;
    return instance;
}

// Called with the mutex held at the start of every SDK call: reads the
// environment and configuration on the first.  A configuration that could
// not be read whole (out of memory) is not used.
void load(Simulator &sim)
{
    if (sim.loaded)
        return;
    sim.loaded = true;
    sim.configValid = false;
    const char *trace = getenv("QRV_SIM_TRACE");
    sim.tracePath = trace != NULL ? trace : "";
    const char *path = getenv("QRV_SIM_CONFIG");
    if (path == NULL || path[0] == '\0') {
        sim.config = defaultConfig();
        sim.configValid = true;
    } else {
        Config config;
        if (readConfig(path, &config)) {
            sim.config = std::move(config);
            sim.configValid = true;
        }
    }
    sim.state.configure();
}

// One SDK call: holds the simulator's lock, and lasts at least the
// configured latency, counted from the call's own start, as a USB round trip
// would.  The wait is to an absolute deadline, so neither the call's own
// work nor the sleep's wake-up adds to it, and no call makes up for time an
// earlier one overran or the caller spent between calls.
class Call {
public:
    Call() : sim_(simulator()), guard_(sim_.mutex)
    {
        clock_gettime(CLOCK_MONOTONIC, &start_);
        load(sim_);
    }
    ~Call()
    {
        long latencyUs = sim_.config.latencyUs;
        if (latencyUs <= 0)
            return;
        struct timespec deadline = start_;
        deadline.tv_sec += latencyUs / 1000000;
        deadline.tv_nsec += latencyUs % 1000000 * 1000;
        if (deadline.tv_nsec >= 1000000000) {
            deadline.tv_sec++;
            deadline.tv_nsec -= 1000000000;
        }
        // The thread's timer slack (50 us by default) would be added to
        // every wait; it is set to the least for the wait and put back.
        int slack = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, NULL) == EINTR)
            ;
        if (slack > 0)
            prctl(PR_SET_TIMERSLACK, (unsigned long)slack, 0, 0, 0);
    }
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;
    Simulator &sim() { return sim_; }

private:
    Simulator &sim_;
    std::lock_guard<std::mutex> guard_;
    struct timespec start_;
};

void trace(Simulator &sim, const char *format, ...) __attribute__((format(printf, 2, 3)));

void trace(Simulator &sim, const char *format, ...)
{
    if (sim.tracePath.empty())
        return;
    errno = 0;
    FILE *file = fopen(sim.tracePath.c_str(), "a");
    if (file == NULL) {
        if (!sim.traceFailureReported)
            report("%s: cannot append trace: %s", sim.tracePath.c_str(), strerror(errno));
        sim.traceFailureReported = true;
        return;
    }
    va_list args;
    va_start(args, format);
    vfprintf(file, format, args);
    va_end(args);
    fputc('\n', file);
    bool lost = ferror(file) != 0;
    if (fclose(file) != 0 || lost) {
        if (!sim.traceFailureReported)
            report("%s: cannot append trace: %s", sim.tracePath.c_str(), strerror(errno != 0 ? errno : EIO));
        sim.traceFailureReported = true;
    }
}

// True when the first record's bytes after recordSize are all zero.
bool isZeroed(const _CAMERA_ID_INFO *first)
{
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(first);
    for (size_t i = sizeof first->recordSize; i < sizeof *first; i++)
        if (bytes[i] != 0)
            return false;
    return true;
}

void fillRecord(_CAMERA_ID_INFO *record, uint32_t number)
{
    memset(record, 0, sizeof *record);
    record->recordSize = sizeof *record;
    record->cameraNumber = number;
    snprintf(reinterpret_cast<char *>(record->sdkData), sizeof record->sdkData, "QrV simulated camera %" PRIu32, number);
}

int32_t countCameras(const Simulator &sim, uint32_t *count)
{
    const Config &config = sim.config;
    if (!sim.configValid)
        return kStatusBadConfig;
    if (count == NULL)
        return kStatusBadArgument;
    if (config.countFails)
        return config.countStatus;
    *count = config.countReported ? config.reportedCount : (uint32_t)config.cameras.size();
    return 0;
}

int32_t fetchRecords(const Simulator &sim, _CAMERA_ID_INFO *info, uint32_t *count)
{
    const Config &config = sim.config;
    if (!sim.configValid)
        return kStatusBadConfig;
    if (config.recordsFail)
        return config.recordsStatus;
    if (info->recordSize != sizeof *info)
        return kStatusBadArgument;
    size_t filled = config.cameras.size();
    if (filled > *count)
        filled = *count;
    if (config.recordsReported && config.reportedRecords < filled)
        filled = config.reportedRecords;
    for (size_t k = 0; k < filled; k++)
        fillRecord(&info[k], config.cameras[k].number);
    *count = config.recordsReported ? config.reportedRecords : (uint32_t)filled;
    return 0;
}

int32_t openCamera(Simulator &sim, uint32_t cameraNumber, void **handle)
{
    if (!sim.configValid)
        return kStatusBadConfig;
    if (handle == NULL)
        return kStatusBadArgument;
    std::map<uint32_t, size_t>::const_iterator found = sim.config.cameraIndex.find(cameraNumber);
    if (found == sim.config.cameraIndex.end())
        return kStatusNoCamera;
    size_t index = found->second;
    Camera &camera = sim.config.cameras[index];
    if (!camera.opens)
        return kStatusOpenFailed;
    if (camera.open)
        return kStatusBusy;

    camera.open = true;
    uintptr_t opened = sim.nextHandle++;
    sim.openCameras[opened] = index;
    *handle = reinterpret_cast<void *>(opened);
    sim.state.reload();
    return 0;
}

// A register command's 4 bytes, as the camera's memory holds them.
int32_t readRegister(Simulator &sim, const Camera &camera, RegisterCommand *command)
{
    uint8_t bytes[4];
    storeLittleEndian(bytes, sizeof bytes, command->value);
    int32_t status = readMemory(camera, sim.state, command->address, bytes, sizeof bytes);
    command->value = (uint32_t)loadLittleEndian(bytes, sizeof bytes);
    return status;
}

int32_t writeRegister(Simulator &sim, const Camera &camera, const RegisterCommand *command)
{
    uint8_t bytes[4];
    storeLittleEndian(bytes, sizeof bytes, command->value);
    return writeMemory(camera, sim.state, command->address, bytes, sizeof bytes);
}

// The open camera a handle names, or NULL.
const Camera *cameraOf(const Simulator &sim, void *handle)
{
    std::map<uintptr_t, size_t>::const_iterator open = sim.openCameras.find(reinterpret_cast<uintptr_t>(handle));
    return open == sim.openCameras.end() ? NULL : &sim.config.cameras[open->second];
}

// The first bytes of a block, in hexadecimal, for the trace: "NULL", or up to
// kTracedBytes bytes and "..." when there are more.  (The build without the
// memory calls has no use for it.)
[[maybe_unused]] std::string tracedBytes(const void *bytes, uint32_t size)
{
    const size_t kTracedBytes = 16;
    if (bytes == NULL)
        return "NULL";
    std::string text;
    const uint8_t *at = static_cast<const uint8_t *>(bytes);
    for (size_t k = 0; k < size && k < kTracedBytes; k++) {
        char hex[3];
        snprintf(hex, sizeof hex, "%02X", at[k]);
        text += hex;
    }
    return size > kTracedBytes ? text + "..." : text;
}

// Runs one SDK call's body; nothing may escape through the C interface, so
// anything thrown (out of memory) becomes kStatusInternal, traced.
template <typename Body>
int32_t guarded(const char *name, Body body)
{
    try {
        Call call;
        return body(call.sim());
    } catch (...) {
        try {
            Simulator &sim = simulator();
            std::lock_guard<std::mutex> guard(sim.mutex);
            trace(sim, "%s -> status=0x%08" PRIX32 " (out of memory, or another failure inside the simulator)", name,
                  (uint32_t)kStatusInternal);
        } catch (...) {
        }
        return kStatusInternal;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// The SDK's four calls, and the two optional memory calls
// ---------------------------------------------------------------------------

QRV_EXPORT int32_t QrVGetNumberCamerasEx(struct _CAMERA_ID_INFO *info, uint32_t *count)
{
    return guarded("QrVGetNumberCamerasEx", [&](Simulator &sim) {
        if (info == NULL) {
            int32_t status = countCameras(sim, count);
            if (status < 0)
                trace(sim, "QrVGetNumberCamerasEx(info=NULL) -> status=0x%08" PRIX32, (uint32_t)status);
            else
                trace(sim, "QrVGetNumberCamerasEx(info=NULL) -> status=0x00000000 count=%" PRIu32, *count);
            return status;
        }

        if (count == NULL) {
            trace(sim, "QrVGetNumberCamerasEx(info=records count=NULL) -> status=0x%08" PRIX32,
                  (uint32_t)kStatusBadArgument);
            return kStatusBadArgument;
        }
        uint32_t capacity = *count;
        uint32_t recordSize = info->recordSize;
        const char *zeroed = isZeroed(info) ? "yes" : "no";
        int32_t status = fetchRecords(sim, info, count);
        if (status < 0)
            trace(sim,
                  "QrVGetNumberCamerasEx(info=records capacity=%" PRIu32 " recordSize=%" PRIu32
                  " zeroed=%s) -> status=0x%08" PRIX32,
                  capacity, recordSize, zeroed, (uint32_t)status);
        else
            trace(sim,
                  "QrVGetNumberCamerasEx(info=records capacity=%" PRIu32 " recordSize=%" PRIu32
                  " zeroed=%s) -> status=0x00000000 count=%" PRIu32,
                  capacity, recordSize, zeroed, *count);
        return status;
    });
}

QRV_EXPORT int32_t QrVInitializeEx(uint32_t cameraNumber, void **handle, uint32_t flags)
{
    return guarded("QrVInitializeEx", [&](Simulator &sim) {
        int32_t status = openCamera(sim, cameraNumber, handle);
        if (status < 0)
            trace(sim, "QrVInitializeEx(camera=%" PRIu32 " flags=%" PRIu32 ") -> status=0x%08" PRIX32 " open=%zu",
                  cameraNumber, flags, (uint32_t)status, sim.openCameras.size());
        else
            trace(sim, "QrVInitializeEx(camera=%" PRIu32 " flags=%" PRIu32 ") -> status=0x00000000 handle=%" PRIuPTR
                       " open=%zu",
                  cameraNumber, flags, reinterpret_cast<uintptr_t>(*handle), sim.openCameras.size());
        return status;
    });
}

QRV_EXPORT int32_t QrVUninitialize(void *handle)
{
    return guarded("QrVUninitialize", [&](Simulator &sim) {
        uintptr_t key = reinterpret_cast<uintptr_t>(handle);
        std::map<uintptr_t, size_t>::iterator open = sim.openCameras.find(key);
        int32_t status = kStatusBadHandle;
        if (open != sim.openCameras.end()) {
            sim.config.cameras[open->second].open = false;
            sim.openCameras.erase(open);
            status = 0;
        }
        trace(sim, "QrVUninitialize(handle=%" PRIuPTR ") -> status=0x%08" PRIX32 " open=%zu", key, (uint32_t)status,
              sim.openCameras.size());
        return status;
    });
}

QRV_EXPORT int32_t QrVPrivateCmd(void *handle, uint32_t size, void *record)
{
    return guarded("QrVPrivateCmd", [&](Simulator &sim) {
        uintptr_t key = reinterpret_cast<uintptr_t>(handle);
        const Camera *camera = cameraOf(sim, handle);
        int32_t status = camera == NULL ? kStatusBadHandle : 0;
        if (status == 0 && (record == NULL || size != sizeof(RegisterCommand)))
            status = kStatusBadArgument;
        if (status < 0) {
            trace(sim, "QrVPrivateCmd(handle=%" PRIuPTR " size=%" PRIu32 ") -> status=0x%08" PRIX32, key, size,
                  (uint32_t)status);
            return status;
        }

        RegisterCommand command;
        memcpy(&command, record, sizeof command);
        uint32_t valueBefore = command.value;
        if (command.opcode == kReadRegisterOpcode)
            status = readRegister(sim, *camera, &command);
        else if (command.opcode == kWriteRegisterOpcode)
            status = writeRegister(sim, *camera, &command);
        else
            status = kStatusBadCommand;
        memcpy(record, &command, sizeof command);
        trace(sim,
              "QrVPrivateCmd(handle=%" PRIuPTR " size=%" PRIu32 " opcode=%" PRIu32 " address=0x%" PRIX32
              " value=0x%08" PRIX32 ") -> status=0x%08" PRIX32 " value=0x%08" PRIX32,
              key, size, command.opcode, command.address, valueBefore, (uint32_t)status, command.value);
        return status;
    });
}

// The optional calls.  A build for the tests leaves them out, to stand in
// for an SDK that offers only the four calls.
#ifndef QRV_SIM_WITHOUT_MEMORY_CALLS
QRV_EXPORT int32_t QrVReadMemory(void *handle, uint64_t address, void *bytes, uint32_t size)
{
    return guarded("QrVReadMemory", [&](Simulator &sim) {
        const Camera *camera = cameraOf(sim, handle);
        int32_t status = camera == NULL ? kStatusBadHandle : bytes == NULL && size > 0 ? kStatusBadArgument : 0;
        if (status == 0)
            status = readMemory(*camera, sim.state, address, static_cast<uint8_t *>(bytes), size);
        // Formatting the bytes costs more than the read: only for a trace.
        std::string read = status == 0 && !sim.tracePath.empty() ? " bytes=" + tracedBytes(bytes, size) : "";
        trace(sim, "QrVReadMemory(handle=%" PRIuPTR " address=0x%" PRIX64 " size=%" PRIu32 ") -> status=0x%08" PRIX32 "%s",
              reinterpret_cast<uintptr_t>(handle), address, size, (uint32_t)status, read.c_str());
        return status;
    });
}

QRV_EXPORT int32_t QrVWriteMemory(void *handle, uint64_t address, const void *bytes, uint32_t size)
{
    return guarded("QrVWriteMemory", [&](Simulator &sim) {
        const Camera *camera = cameraOf(sim, handle);
        int32_t status = camera == NULL ? kStatusBadHandle : bytes == NULL && size > 0 ? kStatusBadArgument : 0;
        if (status == 0)
            status = writeMemory(*camera, sim.state, address, static_cast<const uint8_t *>(bytes), size);
        trace(sim, "QrVWriteMemory(handle=%" PRIuPTR " address=0x%" PRIX64 " size=%" PRIu32 " bytes=%s) -> status=0x%08" PRIX32,
              reinterpret_cast<uintptr_t>(handle), address, size,
              sim.tracePath.empty() ? "" : tracedBytes(bytes, size).c_str(), (uint32_t)status);
        return status;
    });
}
#endif

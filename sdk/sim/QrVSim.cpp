// Simulated camera SDK: a libQrVApi.so with virtual cameras, for trying
// VisionAccess and testing scripts without hardware.
//
// Environment (README.md has the details):
//   QRV_SIM_CONFIG=<file>  cameras, registers and injected faults
//   QRV_SIM_TRACE=<file>   appends one line per SDK call
//   QRV_SIM_STATE=<file>   where written register values are kept; off: nowhere
//
// Without a configuration there are two cameras, both of which open.
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

const uint32_t kReadRegister = 43;
const uint32_t kWriteRegister = 44;

// The private command record: opcode, address, value.
struct RegisterCommand {
    uint32_t opcode;
    uint32_t address;
    uint32_t value;
};
static_assert(sizeof(RegisterCommand) == 12, "RegisterCommand must be 12 bytes");

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
// environment and configuration on the first.
void load(Simulator &sim)
{
    if (sim.loaded)
        return;
    sim.loaded = true;
    const char *trace = getenv("QRV_SIM_TRACE");
    sim.tracePath = trace != NULL ? trace : "";
    const char *path = getenv("QRV_SIM_CONFIG");
    if (path == NULL || path[0] == '\0') {
        sim.config = defaultConfig();
    } else {
        Config config;
        sim.configValid = readConfig(path, &config);
        if (sim.configValid)
            sim.config = config;
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

// The Fault bits the configuration put on an address of the camera.
unsigned faultsAt(const Camera &camera, uint32_t address)
{
    FaultMap::const_iterator found = camera.faults.find(address);
    return found == camera.faults.end() ? 0 : found->second;
}

int32_t readRegister(Simulator &sim, const Camera &camera, RegisterCommand *command)
{
    unsigned faults = faultsAt(camera, command->address);
    if (faults & kReadFails)
        return kStatusInjected;
    if (faults & kReadNoStore)
        return 0;
    RegisterMap::const_iterator configured = camera.registers.find(command->address);
    if (configured == camera.registers.end())
        return kStatusNoRegister;
    if (!sim.state.usable())
        return kStatusState;
    if (!sim.state.find(camera.number, command->address, &command->value))
        command->value = configured->second;
    return 0;
}

int32_t writeRegister(Simulator &sim, const Camera &camera, const RegisterCommand *command)
{
    unsigned faults = faultsAt(camera, command->address);
    if (faults & kWriteFails)
        return kStatusInjected;
    if (faults & kReadOnly)
        return kStatusReadOnly;
    if (camera.registers.count(command->address) == 0)
        return kStatusNoRegister;
    if (!sim.state.store(camera.number, command->address, command->value))
        return kStatusState;
    return 0;
}

} // namespace

// ---------------------------------------------------------------------------
// The SDK's four calls
// ---------------------------------------------------------------------------

QRV_EXPORT int32_t QrVGetNumberCamerasEx(struct _CAMERA_ID_INFO *info, uint32_t *count)
{
    Call call;
    Simulator &sim = call.sim();

    if (info == NULL) {
        int32_t status = countCameras(sim, count);
        if (status < 0)
            trace(sim, "QrVGetNumberCamerasEx(info=NULL) -> status=0x%08" PRIX32, (uint32_t)status);
        else
            trace(sim, "QrVGetNumberCamerasEx(info=NULL) -> status=0x00000000 count=%" PRIu32, *count);
        return status;
    }

    if (count == NULL) {
        trace(sim, "QrVGetNumberCamerasEx(info=records count=NULL) -> status=0x%08" PRIX32, (uint32_t)kStatusBadArgument);
        return kStatusBadArgument;
    }
    uint32_t capacity = *count;
    uint32_t recordSize = info->recordSize;
    const char *zeroed = isZeroed(info) ? "yes" : "no";
    int32_t status = fetchRecords(sim, info, count);
    if (status < 0)
        trace(sim, "QrVGetNumberCamerasEx(info=records capacity=%" PRIu32 " recordSize=%" PRIu32 " zeroed=%s) -> status=0x%08" PRIX32,
              capacity, recordSize, zeroed, (uint32_t)status);
    else
        trace(sim, "QrVGetNumberCamerasEx(info=records capacity=%" PRIu32 " recordSize=%" PRIu32 " zeroed=%s) -> status=0x00000000 count=%" PRIu32,
              capacity, recordSize, zeroed, *count);
    return status;
}

QRV_EXPORT int32_t QrVInitializeEx(uint32_t cameraNumber, void **handle, uint32_t flags)
{
    Call call;
    Simulator &sim = call.sim();

    int32_t status = openCamera(sim, cameraNumber, handle);
    if (status < 0)
        trace(sim, "QrVInitializeEx(camera=%" PRIu32 " flags=%" PRIu32 ") -> status=0x%08" PRIX32 " open=%zu",
              cameraNumber, flags, (uint32_t)status, sim.openCameras.size());
    else
        trace(sim, "QrVInitializeEx(camera=%" PRIu32 " flags=%" PRIu32 ") -> status=0x00000000 handle=%" PRIuPTR " open=%zu",
              cameraNumber, flags, reinterpret_cast<uintptr_t>(*handle), sim.openCameras.size());
    return status;
}

QRV_EXPORT int32_t QrVUninitialize(void *handle)
{
    Call call;
    Simulator &sim = call.sim();

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
}

QRV_EXPORT int32_t QrVPrivateCmd(void *handle, uint32_t size, void *record)
{
    Call call;
    Simulator &sim = call.sim();

    uintptr_t key = reinterpret_cast<uintptr_t>(handle);
    std::map<uintptr_t, size_t>::const_iterator open = sim.openCameras.find(key);
    int32_t status = open == sim.openCameras.end() ? kStatusBadHandle : 0;
    if (status == 0 && (record == NULL || size != sizeof(RegisterCommand)))
        status = kStatusBadArgument;
    if (status < 0) {
        trace(sim, "QrVPrivateCmd(handle=%" PRIuPTR " size=%" PRIu32 ") -> status=0x%08" PRIX32, key, size, (uint32_t)status);
        return status;
    }

    RegisterCommand command;
    memcpy(&command, record, sizeof command);
    uint32_t valueBefore = command.value;
    const Camera &camera = sim.config.cameras[open->second];
    if (command.opcode == kReadRegister)
        status = readRegister(sim, camera, &command);
    else if (command.opcode == kWriteRegister)
        status = writeRegister(sim, camera, &command);
    else
        status = kStatusBadCommand;
    memcpy(record, &command, sizeof command);
    trace(sim, "QrVPrivateCmd(handle=%" PRIuPTR " size=%" PRIu32 " opcode=%" PRIu32 " address=0x%" PRIX32 " value=0x%08" PRIX32
               ") -> status=0x%08" PRIX32 " value=0x%08" PRIX32,
          key, size, command.opcode, command.address, valueBefore, (uint32_t)status, command.value);
    return status;
}

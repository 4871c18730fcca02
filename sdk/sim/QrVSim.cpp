// Simulated camera SDK: a libQrVApi.so with virtual cameras, for trying
// VisionAccess and testing scripts without hardware.
//
// Environment:
//   QRV_SIM_CONFIG=<file>  cameras and injected faults (format in README.md)
//   QRV_SIM_TRACE=<file>   appends one line per SDK call
//
// Without a configuration there are two cameras, both of which open.
#include "QrVApi.h"

#include <errno.h>
#include <inttypes.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#define QRV_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Failure statuses of the simulator (all negative as int32_t).
const int32_t kStatusBadConfig = (int32_t)0x8000F001;   // configuration unusable
const int32_t kStatusBadArgument = (int32_t)0x8000F002; // null pointer, wrong size
const int32_t kStatusNoCamera = (int32_t)0x8000F003;    // no camera with that number
const int32_t kStatusOpenFailed = (int32_t)0x8000F004;  // camera configured not to open
const int32_t kStatusBusy = (int32_t)0x8000F005;        // camera already open
const int32_t kStatusBadHandle = (int32_t)0x8000F006;   // handle not open
const int32_t kStatusBadCommand = (int32_t)0x8000F007;  // private command not understood

const uint32_t kDefaultCameras[] = {21330417, 21330418};

struct Camera {
    uint32_t number;
    bool opens;
};

struct Config {
    std::vector<Camera> cameras;
    bool countFails = false;     // the count call (no record array) fails
    int32_t countStatus = 0;
    bool recordsFail = false;    // the record fetch fails
    int32_t recordsStatus = 0;
    bool countReported = false;  // the count call reports this many cameras
    uint32_t reportedCount = 0;
    bool recordsReported = false; // the record fetch reports this many records
    uint32_t reportedRecords = 0;
};

struct Simulator {
    std::mutex mutex;
    bool loaded = false;
    bool configValid = true;
    Config config;
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

// ---------------------------------------------------------------------------
// Configuration file
// ---------------------------------------------------------------------------

class ConfigReader {
public:
    ConfigReader(const char *path, Config *config) : path_(path), config_(config) {}

    // Reads the whole file; on the first fault reports it on stderr, naming
    // the file and line, and returns false.  The caller then uses none of it.
    bool read()
    {
        FILE *file = fopen(path_, "r");
        if (file == NULL) {
            fprintf(stderr, "QrVApi simulator: %s: cannot read configuration: %s\n", path_, strerror(errno));
            return false;
        }
        char *line = NULL;
        size_t capacity = 0;
        bool ok = true;
        while (ok && getline(&line, &capacity, file) != -1) {
            lineNumber_++;
            ok = readLine(line);
        }
        if (ok && ferror(file)) {
            fprintf(stderr, "QrVApi simulator: %s: read error\n", path_);
            ok = false;
        }
        free(line);
        fclose(file);
        return ok;
    }

private:
    bool fail(const char *format, ...) __attribute__((format(printf, 2, 3)))
    {
        fprintf(stderr, "QrVApi simulator: %s:%d: ", path_, lineNumber_);
        va_list args;
        va_start(args, format);
        vfprintf(stderr, format, args);
        va_end(args);
        fputc('\n', stderr);
        return false;
    }

    // An unsigned number, decimal or 0x hexadecimal, up to max.
    bool number(const std::string &word, uint64_t max, uint64_t *value)
    {
        const char *text = word.c_str();
        char *end;
        errno = 0;
        unsigned long long parsed = strtoull(text, &end, 0);
        if (text[0] == '-' || text[0] == '+' || end == text || *end != '\0' || errno == ERANGE || parsed > max)
            return fail("bad number '%s'", text);
        *value = parsed;
        return true;
    }

    bool number32(const std::string &word, uint32_t *value)
    {
        uint64_t parsed = 0;
        if (!number(word, UINT32_MAX, &parsed))
            return false;
        *value = (uint32_t)parsed;
        return true;
    }

    // A failure status: negative decimal (-2147418111) or its 32-bit pattern
    // in hexadecimal (0x8000F001).
    bool failureStatus(const std::string &word, int32_t *status)
    {
        const char *text = word.c_str();
        char *end;
        errno = 0;
        long long parsed = strtoll(text, &end, 0);
        if (end == text || *end != '\0' || errno == ERANGE || parsed < INT32_MIN || parsed > (long long)UINT32_MAX)
            return fail("bad status '%s'", text);
        *status = (int32_t)(uint32_t)parsed;
        if (*status >= 0)
            return fail("status '%s' is not a failure (it must be negative as a 32-bit int)", text);
        return true;
    }

    bool expectWords(const std::vector<std::string> &words, size_t least, size_t most, const char *form)
    {
        if (words.size() < least || words.size() > most)
            return fail("expected: %s", form);
        return true;
    }

    bool readLine(const char *line)
    {
        std::vector<std::string> words;
        std::string text(line);
        text = text.substr(0, text.find('#'));
        size_t at = 0;
        while ((at = text.find_first_not_of(" \t\r\n", at)) != std::string::npos) {
            size_t end = text.find_first_of(" \t\r\n", at);
            words.push_back(text.substr(at, end - at));
            at = end;
        }
        if (words.empty())
            return true;

        const std::string &keyword = words[0];
        if (keyword == "camera")
            return readCamera(words);
        if (keyword == "fail")
            return readFail(words);
        if (keyword == "report")
            return readReport(words);
        return fail("unknown word '%s'", keyword.c_str());
    }

    // camera <number> [no-open]
    bool readCamera(const std::vector<std::string> &words)
    {
        Camera camera = {0, true};
        if (!expectWords(words, 2, 3, "camera <number> [no-open]") || !number32(words[1], &camera.number))
            return false;
        if (words.size() == 3) {
            if (words[2] != "no-open")
                return fail("unknown word '%s'", words[2].c_str());
            camera.opens = false;
        }
        for (const Camera &listed : config_->cameras)
            if (listed.number == camera.number)
                return fail("camera %" PRIu32 " is listed twice", camera.number);
        config_->cameras.push_back(camera);
        return true;
    }

    // fail count|records <status>
    bool readFail(const std::vector<std::string> &words)
    {
        if (!expectWords(words, 3, 3, "fail count|records <status>"))
            return false;
        if (words[1] == "count") {
            config_->countFails = true;
            return failureStatus(words[2], &config_->countStatus);
        }
        if (words[1] == "records") {
            config_->recordsFail = true;
            return failureStatus(words[2], &config_->recordsStatus);
        }
        return fail("unknown word '%s'", words[1].c_str());
    }

    // report count|records <number>
    bool readReport(const std::vector<std::string> &words)
    {
        if (!expectWords(words, 3, 3, "report count|records <number>"))
            return false;
        if (words[1] == "count") {
            config_->countReported = true;
            return number32(words[2], &config_->reportedCount);
        }
        if (words[1] == "records") {
            config_->recordsReported = true;
            return number32(words[2], &config_->reportedRecords);
        }
        return fail("unknown word '%s'", words[1].c_str());
    }

    const char *path_;
    Config *config_;
    int lineNumber_ = 0;
};

// Called with the mutex held, at the start of every SDK call.
void load(Simulator &sim)
{
    if (sim.loaded)
        return;
    sim.loaded = true;

    const char *trace = getenv("QRV_SIM_TRACE");
    sim.tracePath = trace != NULL ? trace : "";

    const char *path = getenv("QRV_SIM_CONFIG");
    if (path == NULL || path[0] == '\0') {
        for (uint32_t number : kDefaultCameras)
            sim.config.cameras.push_back(Camera{number, true});
        return;
    }
    Config config;
    sim.configValid = ConfigReader(path, &config).read();
    if (sim.configValid)
        sim.config = config;
}

// ---------------------------------------------------------------------------
// Trace
// ---------------------------------------------------------------------------

void trace(Simulator &sim, const char *format, ...) __attribute__((format(printf, 2, 3)));

void trace(Simulator &sim, const char *format, ...)
{
    if (sim.tracePath.empty())
        return;
    FILE *file = fopen(sim.tracePath.c_str(), "a");
    if (file == NULL) {
        if (!sim.traceFailureReported)
            fprintf(stderr, "QrVApi simulator: %s: cannot append trace: %s\n", sim.tracePath.c_str(), strerror(errno));
        sim.traceFailureReported = true;
        return;
    }
    va_list args;
    va_start(args, format);
    vfprintf(file, format, args);
    va_end(args);
    fputc('\n', file);
    fclose(file);
}

bool isPrepared(const _CAMERA_ID_INFO *first)
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

int32_t fetchRecords(Simulator &sim, _CAMERA_ID_INFO *info, uint32_t *count)
{
    const Config &config = sim.config;
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

} // namespace

// ---------------------------------------------------------------------------
// The SDK's four calls
// ---------------------------------------------------------------------------

QRV_EXPORT int32_t QrVGetNumberCamerasEx(struct _CAMERA_ID_INFO *info, uint32_t *count)
{
    Simulator &sim = simulator();
    std::lock_guard<std::mutex> guard(sim.mutex);
    load(sim);

    int32_t status;
    if (info == NULL) {
        if (!sim.configValid)
            status = kStatusBadConfig;
        else if (count == NULL)
            status = kStatusBadArgument;
        else if (sim.config.countFails)
            status = sim.config.countStatus;
        else {
            *count = sim.config.countReported ? sim.config.reportedCount : (uint32_t)sim.config.cameras.size();
            status = 0;
        }
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
    bool zeroed = isPrepared(info);
    status = sim.configValid ? fetchRecords(sim, info, count) : kStatusBadConfig;
    if (status < 0)
        trace(sim, "QrVGetNumberCamerasEx(info=records capacity=%" PRIu32 " recordSize=%" PRIu32 " zeroed=%s) -> status=0x%08" PRIX32,
              capacity, recordSize, zeroed ? "yes" : "no", (uint32_t)status);
    else
        trace(sim, "QrVGetNumberCamerasEx(info=records capacity=%" PRIu32 " recordSize=%" PRIu32 " zeroed=%s) -> status=0x00000000 count=%" PRIu32,
              capacity, recordSize, zeroed ? "yes" : "no", *count);
    return status;
}

QRV_EXPORT int32_t QrVInitializeEx(uint32_t cameraNumber, void **handle, uint32_t flags)
{
    Simulator &sim = simulator();
    std::lock_guard<std::mutex> guard(sim.mutex);
    load(sim);

    int32_t status = 0;
    size_t index = 0;
    const std::vector<Camera> &cameras = sim.config.cameras;
    while (index < cameras.size() && cameras[index].number != cameraNumber)
        index++;
    if (!sim.configValid)
        status = kStatusBadConfig;
    else if (handle == NULL)
        status = kStatusBadArgument;
    else if (index == cameras.size())
        status = kStatusNoCamera;
    else if (!cameras[index].opens)
        status = kStatusOpenFailed;
    else {
        for (const auto &open : sim.openCameras)
            if (open.second == index)
                status = kStatusBusy;
    }

    if (status < 0) {
        trace(sim, "QrVInitializeEx(camera=%" PRIu32 " flags=%" PRIu32 ") -> status=0x%08" PRIX32 " open=%zu",
              cameraNumber, flags, (uint32_t)status, sim.openCameras.size());
        return status;
    }
    uintptr_t opened = sim.nextHandle++;
    sim.openCameras[opened] = index;
    *handle = reinterpret_cast<void *>(opened);
    trace(sim, "QrVInitializeEx(camera=%" PRIu32 " flags=%" PRIu32 ") -> status=0x00000000 handle=%" PRIuPTR " open=%zu",
          cameraNumber, flags, opened, sim.openCameras.size());
    return 0;
}

QRV_EXPORT int32_t QrVUninitialize(void *handle)
{
    Simulator &sim = simulator();
    std::lock_guard<std::mutex> guard(sim.mutex);
    load(sim);

    uintptr_t key = reinterpret_cast<uintptr_t>(handle);
    int32_t status = sim.openCameras.erase(key) == 1 ? 0 : kStatusBadHandle;
    trace(sim, "QrVUninitialize(handle=%" PRIuPTR ") -> status=0x%08" PRIX32 " open=%zu", key, (uint32_t)status,
          sim.openCameras.size());
    return status;
}

QRV_EXPORT int32_t QrVPrivateCmd(void *handle, uint32_t size, void *record)
{
    Simulator &sim = simulator();
    std::lock_guard<std::mutex> guard(sim.mutex);
    load(sim);

    uintptr_t key = reinterpret_cast<uintptr_t>(handle);
    int32_t status;
    if (sim.openCameras.count(key) == 0)
        status = kStatusBadHandle;
    else if (record == NULL)
        status = kStatusBadArgument;
    else
        status = kStatusBadCommand;
    trace(sim, "QrVPrivateCmd(handle=%" PRIuPTR " size=%" PRIu32 ") -> status=0x%08" PRIX32, key, size, (uint32_t)status);
    return status;
}

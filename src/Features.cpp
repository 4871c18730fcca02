// GenICam features through the module (Features.h).
#include "Features.h"

#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "CameraMemory.h"
#include "GenicamModule.h"

namespace {

// A description fetched 4 bytes per SDK call is read in smaller pieces, so
// progress shows often enough.
const size_t kSlowPieceSize = 4096;
// A fetch shows progress once it has taken this long.
const int64_t kProgressAfterMs = 1000;

const VaGenicamModule *sModule = NULL;
VaRun *sRun = NULL;
VaCamera *sCamera = NULL;

// The camera of the current turn, as the module's port sees it.
struct PortContext {
    void *camera;
    uint32_t number;
    int64_t callStartMs;  // when the current call into the module began
    bool progressShown;
} sPort;

const char *sNoModule = "";  // why the module could not be loaded
char sNoModuleText[2 * PATH_MAX];

int64_t nowMs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

int portRead(void *context, uint64_t address, uint8_t *bytes, size_t size, char *reason, size_t reasonSize)
{
    PortContext *port = (PortContext *)context;
    int32_t status = 0;
    MemoryResult result = readCameraMemory(port->camera, address, bytes, size, &status);
    if (result == MEMORY_DONE)
        return 0;
    describeMemoryFailure(result, false, address, status, reason, reasonSize);
    return -1;
}

int portWrite(void *context, uint64_t address, const uint8_t *bytes, size_t size, char *reason, size_t reasonSize)
{
    PortContext *port = (PortContext *)context;
    int32_t status = 0;
    MemoryResult result = writeCameraMemory(port->camera, address, bytes, size, &status);
    if (result == MEMORY_DONE)
        return 0;
    describeMemoryFailure(result, true, address, status, reason, reasonSize);
    return -1;
}

// Progress of a slow fetch, on standard error when it is a terminal: one
// line rewritten in place, erased at the end.
void portProgress(void *context, uint64_t done, uint64_t total)
{
    PortContext *port = (PortContext *)context;
    if (total == 0 || !isatty(STDERR_FILENO))
        return;
    if (!port->progressShown && nowMs() - port->callStartMs < kProgressAfterMs)
        return;
    if (done >= total) {
        if (port->progressShown)
            fputs("\r\033[K", stderr);
        port->progressShown = false;
        return;
    }
    port->progressShown = true;
    fprintf(stderr, "\rReading the GenICam description of camera %d: %d%%", (int)port->number,
            (int)(done * 100 / total));
    fflush(stderr);
}

VaPort sVaPort = {&sPort, portRead, portWrite, 0, 0, portProgress};

// The folder of the running program, as the kernel resolved it: absolute,
// with no link in it.
bool programFolder(char *folder, size_t size)
{
    ssize_t length = readlink("/proc/self/exe", folder, size - 1);
    if (length <= 0)
        return false;
    folder[length] = '\0';
    char *slash = strrchr(folder, '/');
    if (slash == NULL)
        return false;
    *slash = '\0';
    return true;
}

// Writes folder/relative into path, each leading "../" of relative taking
// the last part off folder (which holds no link, so that is its parent).
void joinPath(const char *folder, const char *relative, char *path, size_t size)
{
    snprintf(path, size, "%s", folder);
    while (strncmp(relative, "../", 3) == 0) {
        char *slash = strrchr(path, '/');
        if (slash != NULL)
            *slash = '\0';
        relative += 3;
    }
    size_t length = strlen(path);
    snprintf(path + length, size - length, "/%s", relative);
}

// The one file the module is loaded from: for the build tree's tool (its
// folder is the build folder it was built in), the module of that build
// tree; for any other, the installed module beside the tool's folder.  So
// a build tree never loads a module from outside itself, such as a
// lib/visionaccess that another user made beside a build in /tmp.
bool modulePath(char *path, size_t size, bool *inBuildTree)
{
    char folder[PATH_MAX];
    if (!programFolder(folder, sizeof folder))
        return false;
    *inBuildTree = strcmp(folder, VISIONACCESS_BUILD_FOLDER) == 0;
    char moduleFolder[PATH_MAX];
    joinPath(folder, *inBuildTree ? GENICAM_MODULE_IN_BUILD_TREE : GENICAM_MODULE_FROM_PROGRAM, moduleFolder,
             sizeof moduleFolder);
    snprintf(path, size, "%s/%s", moduleFolder, VA_GENICAM_MODULE_FILE);
    return true;
}

// Loads the module from its one place (modulePath), never by a bare name.
bool loadModule()
{
    if (sModule != NULL)
        return true;
    if (sNoModule[0] != '\0')
        return false;  // tried once in the run already
    char path[PATH_MAX + 64];
    bool inBuildTree = false;
    if (!modulePath(path, sizeof path, &inBuildTree)) {
        snprintf(sNoModuleText, sizeof sNoModuleText, "the GenICam module cannot be found: %s", strerror(errno));
        sNoModule = sNoModuleText;
        return false;
    }
    void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        // The loader's reason, less the path it begins with.
        const char *why = dlerror();
        size_t pathLength = strlen(path);
        if (why == NULL)
            why = "unknown reason";
        else if (strncmp(why, path, pathLength) == 0 && strncmp(why + pathLength, ": ", 2) == 0)
            why += pathLength + 2;
        snprintf(sNoModuleText, sizeof sNoModuleText, "the GenICam module cannot be loaded from %s%s (%s)",
                 inBuildTree ? "the build tree's " : "", path, why);
        sNoModule = sNoModuleText;
        return false;
    }
    VaGenicamEntry entry = (VaGenicamEntry)dlsym(library, VA_GENICAM_ENTRY);
    const VaGenicamModule *module = entry != NULL ? entry() : NULL;
    if (module == NULL || module->version != VA_GENICAM_VERSION) {
        snprintf(sNoModuleText, sizeof sNoModuleText, "the GenICam module %s is of another version",
                 VA_GENICAM_MODULE_FILE);
        sNoModule = sNoModuleText;
        dlclose(library);
        return false;
    }
    sModule = module;
    return true;
}

// Before each call into the module: the clock for progress starts.
bool callReady(const char **reason)
{
    if (sCamera == NULL) {
        *reason = sNoModule[0] != '\0' ? sNoModule : "GenICam features could not be started";
        return false;
    }
    sPort.callStartMs = nowMs();
    return true;
}

} // namespace

bool startFeatures(const char *descriptionFile, char *reason, size_t size)
{
    if (sRun != NULL)
        return true;
    if (!loadModule()) {
        snprintf(reason, size, "%s", sNoModule);
        return false;
    }
    sRun = sModule->startRun(descriptionFile, reason, size);
    return sRun != NULL;
}

void startScanFeatures()
{
    if (sRun != NULL)
        sModule->startScan(sRun);
}

void beginCameraFeatures(void *camera, uint32_t number)
{
    sPort.camera = camera;
    sPort.number = number;
    sPort.progressShown = false;
    sVaPort.reachesAbove32Bits = sdkHasMemoryCalls() ? 1 : 0;
    sVaPort.pieceSize = sdkHasMemoryCalls() ? 0 : kSlowPieceSize;
    char ignored[512];
    if (sRun == NULL && !startFeatures(NULL, ignored, sizeof ignored))
        return;
    sCamera = sModule->startCamera(sRun, &sVaPort);
}

void endCameraFeatures()
{
    if (sCamera != NULL)
        sModule->endCamera(sCamera);
    sCamera = NULL;
}

bool cameraDescription(const char **text, size_t *size)
{
    return callReady(text) && sModule->description(sCamera, text, size) == 0;
}

namespace {

// A value that holds only a reason.
VaValue reasonValue(const char *reason)
{
    return VaValue{VA_FORM_NONE, reason, 0, 0, NULL, 0};
}

} // namespace

bool readFeature(const char *name, VaValue *value)
{
    const char *reason;
    if (!callReady(&reason)) {
        *value = reasonValue(reason);
        return false;
    }
    return sModule->read(sCamera, name, value) == 0;
}

bool writeFeature(const char *name, const char *text, VaValue *written)
{
    const char *reason;
    if (!callReady(&reason)) {
        *written = reasonValue(reason);
        return false;
    }
    return sModule->write(sCamera, name, text, written) == 0;
}

namespace {

void (*sEach)(const VaFeature &feature) = NULL;

void eachListed(void *, const VaFeature *feature)
{
    sEach(*feature);
}

} // namespace

bool listFeatures(void (*each)(const VaFeature &feature), const char **reason)
{
    if (!callReady(reason))
        return false;
    sEach = each;
    return sModule->list(sCamera, eachListed, NULL, reason) == 0;
}

namespace {

// The configuration files read for the run (-p and -m, each once), kept
// here for as long as the run lasts, as the run's description is.
const VaConfiguration *sConfigurations[2];
size_t sConfigurationCount = 0;

} // namespace

bool readConfigurationFile(const char *path, const VaConfiguration **file, size_t *line, char *reason, size_t size)
{
    *line = 0;
    if (sConfigurationCount == sizeof sConfigurations / sizeof sConfigurations[0]) {
        snprintf(reason, size, "only one file for -p and one for -m");
        return false;
    }
    if (!loadModule()) {
        snprintf(reason, size, "%s", sNoModule);
        return false;
    }
    *file = sModule->readConfiguration(path, line, reason, size);
    if (*file != NULL)
        sConfigurations[sConfigurationCount++] = *file;
    return *file != NULL;
}

namespace {

// The outcome of a module call that returns 0, 1 or -1.
ConfigurationOutcome outcomeOf(int status)
{
    return status == 0 ? CONFIGURATION_DONE : status > 0 ? CONFIGURATION_FAILED : CONFIGURATION_NO_DESCRIPTION;
}

} // namespace

bool saveCameraConfiguration(const VaConfigurationHeader &header, VaSaved *saved)
{
    const char *reason;
    if (!callReady(&reason)) {
        *saved = VaSaved{reason, strlen(reason), 0};
        return false;
    }
    return sModule->saveConfiguration(sCamera, &header, saved) == 0;
}

ConfigurationOutcome applyCameraConfiguration(const VaConfiguration *file, VaApplied *applied, const char **reason)
{
    *applied = VaApplied();
    if (!callReady(reason))
        return CONFIGURATION_NO_DESCRIPTION;
    return outcomeOf(sModule->applyConfiguration(sCamera, file, applied, reason));
}

ConfigurationOutcome compareCameraConfiguration(const VaConfiguration *file, VaCompared *compared,
                                                const char **reason)
{
    *compared = VaCompared();
    if (!callReady(reason))
        return CONFIGURATION_NO_DESCRIPTION;
    return outcomeOf(sModule->compareConfiguration(sCamera, file, compared, reason));
}

// A camera's turn (CameraTurn.h): each step is one function, in the order
// its lines appear beneath the heading.
#include "CameraTurn.h"

#include <inttypes.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include "CameraIdentity.h"
#include "CameraMemory.h"
#include "EscapedText.h"
#include "Features.h"
#include "SafeFile.h"

namespace {

// Prints a register's value in the display mode of the run.
void printRegisterRead(const RunOptions &options, uint64_t address, uint32_t value)
{
    if (options.decimal) {
        printf("        Register 0x%" PRIX64 " read as %d\n", address, (int)value);
    } else if (options.isFloat) {
        float number;
        memcpy(&number, &value, sizeof number);
        printf("        Register 0x%" PRIX64 " read as %f\n", address, (double)number);
    } else {
        printf("        Register 0x%" PRIX64 " read as 0x%08X\n", address, value);
    }
}

// The failure line of a register, with the reason when the SDK cannot reach
// its address.
void printRegisterFailure(const char *verb, uint64_t address, MemoryResult result)
{
    if (result == MEMORY_OUT_OF_REACH)
        printf("        Could not %s register 0x%" PRIX64 ": the SDK reaches only 32-bit addresses\n", verb, address);
    else
        printf("        Could not %s register 0x%" PRIX64 "\n", verb, address);
}

void writeTargetRegister(void *camera, uint64_t address, uint32_t value)
{
    int32_t status = 0;
    MemoryResult result = writeRegister(camera, address, value, &status);
    if (result != MEMORY_DONE)
        printRegisterFailure("write", address, result);
    else
        printf("        Register 0x%" PRIX64 " written with value 0x%08X\n", address, value);
}

void readTargetRegister(const RunOptions &options, void *camera, uint64_t address)
{
    int32_t status = 0;
    uint32_t value = 0;
    MemoryResult result = readRegister(camera, address, &value, &status);
    if (result != MEMORY_DONE)
        printRegisterFailure("read", address, result);
    else
        printRegisterRead(options, address, value);
}

// Ends a line of the turn with text from outside (a value or a reason),
// escaped.
void endLineWith(const char *text)
{
    printEscaped(text);
    putchar('\n');
}

// A feature's name is a GenICam name (parseTarget), printable as it is.
void writeNamedFeature(const char *name, const char *value)
{
    const char *reason;
    if (writeFeature(name, value, &reason)) {
        printf("        Feature %s written with value ", name);
        endLineWith(value);
    } else {
        printf("        Could not write feature %s: ", name);
        endLineWith(reason);
    }
}

void readNamedFeature(const char *name)
{
    const char *text;
    if (readFeature(name, &text))
        printf("        Feature %s read as ", name);
    else
        printf("        Could not read feature %s: ", name);
    endLineWith(text);
}

// -w, in command-line order.
void writeTargets(const RunOptions &options, void *camera)
{
    for (const TargetWrite &write : options.writes) {
        if (write.target.feature != NULL)
            writeNamedFeature(write.target.feature, write.text);
        else
            writeTargetRegister(camera, write.target.address, write.bits);
    }
}

// -r, in command-line order.
void readTargets(const RunOptions &options, void *camera)
{
    for (const Target &target : options.reads) {
        if (target.feature != NULL)
            readNamedFeature(target.feature);
        else
            readTargetRegister(options, camera, target.address);
    }
}

// -x: writes the camera's description to <folder>/<camera number>.xml, the
// number unsigned as the SDK gives it.
void saveDescription(const RunOptions &options, uint32_t cameraNumber)
{
    const char *xml;
    size_t size = 0;
    if (!cameraDescription(&xml, &size)) {
        fputs("        Could not read the GenICam description: ", stdout);
        endLineWith(xml);
        return;
    }
    char name[32];
    snprintf(name, sizeof name, "%" PRIu32 ".xml", cameraNumber);
    char path[PATH_MAX];
    snprintf(path, sizeof path, "%s/%s", options.saveFolder, name);
    char reason[256];
    if (writeFileAtomically(options.saveFolder, name, xml, size, reason, sizeof reason))
        printf("        GenICam description saved to %s\n", path);
    else
        printf("        Could not save the GenICam description to %s: %s\n", path, reason);
}

// -a: one line per feature, by its category path below Root; every part of
// it comes from the description or the camera.
void printListedFeature(const FeatureLine &feature)
{
    const char *path = feature.path;
    if (strncmp(path, "Root", 4) == 0 && (path[4] == '/' || path[4] == '\0'))
        path += path[4] == '/' ? 5 : 4;
    fputs("        Feature ", stdout);
    if (path[0] != '\0') {
        printEscaped(path);
        putchar('/');
    }
    printEscaped(feature.name);
    fputs(" (", stdout);
    printEscaped(feature.type);
    fputs(", ", stdout);
    printEscaped(feature.access);
    fputs(feature.readable ? ") read as " : ") cannot be read: ", stdout);
    printEscaped(feature.value);
    putchar('\n');
}

void listCameraFeatures()
{
    const char *reason;
    if (!listFeatures(printListedFeature, &reason)) {
        fputs("        Could not list the features: ", stdout);
        endLineWith(reason);
    }
}

} // namespace

bool runUsesFeatures(const RunOptions &options)
{
    if (options.saveFolder != NULL || options.descriptionFile != NULL || options.listFeatures)
        return true;
    for (const Target &target : options.reads)
        if (target.feature != NULL)
            return true;
    for (const TargetWrite &write : options.writes)
        if (write.target.feature != NULL)
            return true;
    return false;
}

void processCamera(const RunOptions &options, _CAMERA_ID_INFO *info, void *camera)
{
    printf("    Camera %d\n", (int)info->cameraNumber);
    bool features = runUsesFeatures(options);
    if (features)
        beginCameraFeatures(camera, info->cameraNumber);
    if (options.identity)
        printIdentity(camera);
    if (options.saveFolder != NULL)
        saveDescription(options, info->cameraNumber);
    if (options.listFeatures)
        listCameraFeatures();
    writeTargets(options, camera);
    readTargets(options, camera);
    if (features)
        endCameraFeatures();
}

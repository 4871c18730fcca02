// A camera's turn (CameraTurn.h): each step is one function, in the order
// its lines appear beneath the heading.
#include "CameraTurn.h"

#include <stdio.h>
#include <string.h>

#include "CameraIdentity.h"
#include "CameraMemory.h"
#include "ConfigurationSteps.h"
#include "ModuleCalls.h"
#include "Lines.h"
#include "SafeFile.h"

namespace {

// How the run shows a register's value.
RegisterMode registerMode(const RunOptions &options)
{
    if (options.decimal)
        return REGISTER_DECIMAL;
    return options.isFloat ? REGISTER_FLOAT : REGISTER_HEX;
}

// The failure line of a register, with the reason when the SDK cannot reach
// its address.
void printRegisterFailure(const char *operation, uint64_t address, MemoryResult result)
{
    const char *reason = result == MEMORY_OUT_OF_REACH ? "the SDK reaches only 32-bit addresses" : NULL;
    printRegisterFailedLine(operation, address, reason);
}

void writeTargetRegister(void *camera, uint64_t address, uint32_t value)
{
    int32_t status = 0;
    MemoryResult result = writeRegister(camera, address, value, &status);
    if (result != MEMORY_DONE)
        printRegisterFailure("write", address, result);
    else
        printRegisterWrittenLine(address, value);
}

void readTargetRegister(const RunOptions &options, void *camera, uint64_t address)
{
    int32_t status = 0;
    uint32_t value = 0;
    MemoryResult result = readRegister(camera, address, &value, &status);
    if (result != MEMORY_DONE)
        printRegisterFailure("read", address, result);
    else
        printRegisterReadLine(address, value, registerMode(options));
}

void writeNamedFeature(const char *name, const char *text)
{
    VaValue written;
    if (writeFeature(name, text, &written))
        printFeatureWrittenLine(name, text, written);
    else
        printFeatureFailedLine("write", name, written.text);
}

void readNamedFeature(const char *name)
{
    VaValue value;
    if (readFeature(name, &value))
        printFeatureReadLine(name, value);
    else
        printFeatureFailedLine("read", name, value.text);
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
        printDescriptionUnreadableLine(xml);
        return;
    }
    CameraFilePath path;
    char reason[256];
    if (writeCameraFile(options.saveFolder, cameraNumber, ".xml", xml, size, &path, reason, sizeof reason))
        printDescriptionSavedLine(path.text);
    else
        printDescriptionFailedLine(path.text, reason);
}

// -a: one line per feature, by its category path below Root; every part of
// it comes from the description or the camera.
void printListedFeature(const VaFeature &feature)
{
    const char *path = feature.path;
    if (strncmp(path, "Root", 4) == 0 && (path[4] == '/' || path[4] == '\0'))
        path += path[4] == '/' ? 5 : 4;
    ListedFeature listed = {path, feature.name, feature.type, feature.access};
    if (feature.readable)
        printListedFeatureLine(listed, feature.value);
    else
        printUnreadableListedFeatureLine(listed, feature.value.text);
}

void listCameraFeatures()
{
    const char *reason;
    if (!listFeatures(printListedFeature, &reason))
        printListingFailedLine(reason);
}

} // namespace

bool runUsesFeatures(const RunOptions &options)
{
    if (options.saveFolder != NULL || options.descriptionFile != NULL || options.listFeatures ||
        options.configurationFolder != NULL || options.applyFile != NULL || options.compareFile != NULL)
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
    printCameraLine((int)info->cameraNumber);
    bool features = runUsesFeatures(options);
    if (features)
        startGenicamCamera(camera, info->cameraNumber);
    if (options.identity)
        printIdentity(camera);
    applyConfigurationStep(options, info->cameraNumber);
    writeTargets(options, camera);
    readTargets(options, camera);
    compareConfigurationStep(options);
    saveConfigurationStep(options, camera, info->cameraNumber);
    if (options.saveFolder != NULL)
        saveDescription(options, info->cameraNumber);
    if (options.listFeatures)
        listCameraFeatures();
    if (features)
        endGenicamCamera();
}

// The configuration steps of a camera's turn (ConfigurationSteps.h).
#include "ConfigurationSteps.h"

#include <stdio.h>
#include <string.h>

#include <map>
#include <vector>

#include "CameraIdentity.h"
#include "ModuleCalls.h"
#include "Lines.h"
#include "SafeFile.h"

namespace {

// Whether -p left each camera configured, for the cameras that had a turn
// in the last scan and in this one.
std::map<uint32_t, bool> sConfiguredLastScan, sConfiguredThisScan;
bool sFailed = false;

// The selectors of a value as the lines take them.
struct SelectorsOf {
    explicit SelectorsOf(const VaValueName &value)
    {
        for (size_t k = 0; k < value.selectorCount; k++)
            settings.push_back(SelectorSetting{value.selectors[k].name, value.selectors[k].value});
        selectors = Selectors{settings.data(), settings.size()};
    }
    std::vector<SelectorSetting> settings;
    Selectors selectors;
};

// Applies the file; false when it did not apply.
bool applyFile(const RunOptions &options)
{
    VaApplied applied;
    const char *reason;
    ConfigurationOutcome outcome = applyCameraConfiguration(options.applyConfiguration, &applied, &reason);
    if (outcome == CONFIGURATION_DONE) {
        printConfigurationAppliedLine(options.applyFile, applied.count);
        return true;
    }
    if (outcome == CONFIGURATION_NO_DESCRIPTION) {
        printDescriptionUnreadableLine(reason);
        return false;
    }
    for (size_t k = 0; k < applied.failureCount; k++) {
        const VaValueFailure &failure = applied.failures[k];
        printValueFailedLine(failure.value.feature, SelectorsOf(failure.value).selectors, failure.reason);
    }
    printConfigurationNotAppliedLine(options.applyFile, applied.failureCount,
                                     applied.restored ? NULL : applied.restoreReason);
    return false;
}

// The identity field's text, or "" when it cannot be read.
IdentityText identityOf(void *camera, IdentityLayout layout, IdentityField field)
{
    IdentityText text;
    if (!readIdentityField(camera, layout, field, &text))
        text.bytes[0] = '\0';
    return text;
}

} // namespace

void startConfigurationScan()
{
    sConfiguredLastScan.swap(sConfiguredThisScan);
    sConfiguredThisScan.clear();
}

void applyConfigurationStep(const RunOptions &options, uint32_t cameraNumber)
{
    if (options.applyConfiguration == NULL)
        return;
    auto last = sConfiguredLastScan.find(cameraNumber);
    if (last != sConfiguredLastScan.end() && last->second) {
        sConfiguredThisScan[cameraNumber] = true;
        return;
    }
    bool applied = applyFile(options);
    sConfiguredThisScan[cameraNumber] = applied;
    sFailed |= !applied;
}

void compareConfigurationStep(const RunOptions &options)
{
    if (options.compareConfiguration == NULL)
        return;
    VaCompared compared;
    const char *reason;
    ConfigurationOutcome outcome = compareCameraConfiguration(options.compareConfiguration, &compared, &reason);
    if (outcome == CONFIGURATION_DONE) {
        printConfigurationMatchesLine(options.compareFile);
        return;
    }
    if (outcome == CONFIGURATION_NO_DESCRIPTION) {
        printDescriptionUnreadableLine(reason);
        sFailed = true;
        return;
    }
    sFailed = true;
    for (size_t k = 0; k < compared.differenceCount; k++) {
        const VaDifference &difference = compared.differences[k];
        SelectorsOf selectors(difference.value);
        if (difference.readable)
            printDifferenceLine(difference.value.feature, selectors.selectors, difference.camera,
                                difference.file);
        else
            printUnreadableDifferenceLine(difference.value.feature, selectors.selectors, difference.camera.text,
                                          difference.file);
    }
    if (!compared.putBack)
        printSelectorsNotSetBackLine(compared.putBackReason);
    if (compared.differenceCount == 0)
        printConfigurationMatchesLine(options.compareFile);
    else
        printConfigurationDiffersLine(options.compareFile, compared.differenceCount);
}

void saveConfigurationStep(const RunOptions &options, void *camera, uint32_t cameraNumber)
{
    if (options.configurationFolder == NULL)
        return;
    IdentityLayout layout = identityLayoutOf(camera);
    IdentityText vendor = identityOf(camera, layout, FIELD_VENDOR), model = identityOf(camera, layout, FIELD_MODEL),
                 serial = identityOf(camera, layout, FIELD_SERIAL);
    VaConfigurationHeader header = {"VisionAccess " VISIONACCESS_VERSION, vendor.bytes, model.bytes, serial.bytes};
    VaSaved saved;
    if (!saveCameraConfiguration(header, &saved)) {
        printConfigurationNotSavedLine(saved.text);
        sFailed = true;
        return;
    }
    CameraFilePath path;
    char reason[256];
    if (!writeCameraFile(options.configurationFolder, cameraNumber, ".pfs", saved.text, saved.size, &path, reason,
                         sizeof reason)) {
        char why[sizeof path.text + sizeof reason + 16];
        snprintf(why, sizeof why, "cannot write %s: %s", path.text, reason);
        printConfigurationNotSavedLine(why);
        sFailed = true;
        return;
    }
    printConfigurationSavedLine(path.text, saved.count);
}

bool configurationFailed()
{
    return sFailed;
}

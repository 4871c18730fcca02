// The calls through the GenICam module (ModuleCalls.h).
#include "ModuleCalls.h"

#include <stdio.h>
#include <string.h>

#include "CameraPort.h"
#include "ModuleLoader.h"

namespace {

const VaGenicamModule *sModule = NULL;
const char *sNoModule = "";  // why the module could not be loaded, once tried
VaRun *sRun = NULL;
VaCamera *sCamera = NULL;

// The module, loading it: false with its reason.
bool moduleLoaded(char *reason, size_t size)
{
    sModule = genicamModule(&sNoModule);
    if (sModule == NULL)
        snprintf(reason, size, "%s", sNoModule);
    return sModule != NULL;
}

// Before each call for the camera: false with *reason when the camera's
// turn has no module; else the port's progress clock starts.
bool callReady(const char **reason)
{
    if (sCamera == NULL) {
        *reason = sNoModule[0] != '\0' ? sNoModule : "GenICam features could not be started";
        return false;
    }
    startPortCall();
    return true;
}

// A value that holds only a reason.
VaValue reasonValue(const char *reason)
{
    return VaValue{VA_FORM_NONE, reason, 0, 0, NULL, 0};
}

void (*sEach)(const VaFeature &feature) = NULL;

void eachListed(void *, const VaFeature *feature)
{
    sEach(*feature);
}

// The configuration files read for the run (-p and -m, each once), kept
// here for as long as the run lasts, as the run's description is.
const VaConfiguration *sConfigurations[2];
size_t sConfigurationCount = 0;

// The outcome of a module call that returns 0, 1 (as failed) or -1.
ConfigurationOutcome outcomeOf(int status, ConfigurationOutcome failed)
{
    return status == 0 ? CONFIGURATION_DONE : status > 0 ? failed : CONFIGURATION_NO_DESCRIPTION;
}

} // namespace

bool startGenicamRun(const char *descriptionFile, char *reason, size_t size)
{
    if (sRun != NULL)
        return true;
    if (!moduleLoaded(reason, size))
        return false;
    sRun = sModule->startRun(descriptionFile, reason, size);
    return sRun != NULL;
}

void startGenicamScan()
{
    if (sRun != NULL)
        sModule->startScan(sRun);
}

void startGenicamCamera(void *camera, uint32_t number)
{
    const VaPort *port = cameraPort(camera, number);
    char ignored[512];
    if (sRun == NULL && !startGenicamRun(NULL, ignored, sizeof ignored))
        return;
    sCamera = sModule->startCamera(sRun, port);
}

void endGenicamCamera()
{
    if (sCamera != NULL)
        sModule->endCamera(sCamera);
    sCamera = NULL;
}

bool cameraDescription(const char **text, size_t *size)
{
    return callReady(text) && sModule->description(sCamera, text, size) == 0;
}

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

bool listFeatures(void (*each)(const VaFeature &feature), const char **reason)
{
    if (!callReady(reason))
        return false;
    sEach = each;
    return sModule->list(sCamera, eachListed, NULL, reason) == 0;
}

bool readConfigurationFile(const char *path, const VaConfiguration **file, size_t *line, char *reason, size_t size)
{
    *line = 0;
    if (sConfigurationCount == sizeof sConfigurations / sizeof sConfigurations[0]) {
        snprintf(reason, size, "only one file for -p and one for -m");
        return false;
    }
    if (!moduleLoaded(reason, size))
        return false;
    *file = sModule->readConfiguration(path, line, reason, size);
    if (*file != NULL)
        sConfigurations[sConfigurationCount++] = *file;
    return *file != NULL;
}

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
    return outcomeOf(sModule->applyConfiguration(sCamera, file, applied, reason), CONFIGURATION_NOT_APPLIED);
}

ConfigurationOutcome compareCameraConfiguration(const VaConfiguration *file, VaCompared *compared,
                                                const char **reason)
{
    *compared = VaCompared();
    if (!callReady(reason))
        return CONFIGURATION_NO_DESCRIPTION;
    return outcomeOf(sModule->compareConfiguration(sCamera, file, compared, reason), CONFIGURATION_DIFFERS);
}

// The calls through the GenICam module (ModuleLoader.h): a camera's own
// description (-x), feature names (-r/-w), the -g description, the -a
// listing and configurations (-o, -p, -m).  The module is loaded only when a
// run needs one of them.
#ifndef MODULECALLS_H
#define MODULECALLS_H

#include <stddef.h>
#include <stdint.h>

#include "GenicamModule.h"

// Starts the run in the module, loading it.  descriptionFile is the -g
// file, or NULL.  False with a one-line reason when the module cannot be
// loaded or the file cannot be read or parsed.
bool startGenicamRun(const char *descriptionFile, char *reason, size_t size);

// A scan begins, before its cameras' turns: the module forgets the
// descriptions that no camera of the last scan used.  Nothing when no
// camera has needed the module yet.
void startGenicamScan();

// A camera's turn begins in the module (number: as its heading shows it),
// and ends.  Nothing is read from the camera until a feature or the
// description is asked for.
void startGenicamCamera(void *camera, uint32_t number);
void endGenicamCamera();

// The camera's own description: true with the XML, or false with *text the
// reason.
bool cameraDescription(const char **text, size_t *size);

// Reads a feature: true with *value its value, or false with value->text
// the reason.  Texts stay valid until the next call for the camera.
bool readFeature(const char *name, VaValue *value);

// Writes a feature from its text: true with *written the value written, or
// false with written->text the reason.
bool writeFeature(const char *name, const char *text, VaValue *written);

// Calls each for every feature of the camera (its value when readable,
// else value.text is why it cannot be read): true, or false with *reason
// when the camera has no usable description.
bool listFeatures(void (*each)(const VaFeature &feature), const char **reason);

// Reads and checks a configuration file (-p, -m), loading the module: true
// with *file, or false with *line the line at fault (0: the file as a
// whole) and the reason.  The file lasts for the run.
bool readConfigurationFile(const char *path, const VaConfiguration **file, size_t *line, char *reason, size_t size);

// The camera's configuration, saved: true with *saved the file's text and
// count, or false with saved->text the reason.
bool saveCameraConfiguration(const VaConfigurationHeader &header, VaSaved *saved);

// How applying or comparing a configuration went: applied, or the camera
// matches (DONE); some value could not be applied (NOT_APPLIED) or the
// camera differs (DIFFERS), as the result says; or the camera's description
// cannot be had, and nothing was tried (NO_DESCRIPTION).
enum ConfigurationOutcome {
    CONFIGURATION_DONE,
    CONFIGURATION_NOT_APPLIED,
    CONFIGURATION_DIFFERS,
    CONFIGURATION_NO_DESCRIPTION
};

// Applies a configuration to the camera: DONE, NOT_APPLIED (*applied says
// which values failed) or NO_DESCRIPTION (*reason says why).
ConfigurationOutcome applyCameraConfiguration(const VaConfiguration *file, VaApplied *applied, const char **reason);

// Compares the camera with a configuration: DONE, DIFFERS (*compared says
// where, or that a selector could not be set back) or NO_DESCRIPTION.
ConfigurationOutcome compareCameraConfiguration(const VaConfiguration *file, VaCompared *compared,
                                                const char **reason);

#endif

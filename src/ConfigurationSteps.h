// The configuration steps of a camera's turn: -p applies a file, -m
// compares the camera with one, -o saves its configuration; and what they
// tell the run's exit status.
#ifndef CONFIGURATIONSTEPS_H
#define CONFIGURATIONSTEPS_H

#include <stdint.h>

#include "RunOptions.h"

// A scan begins: the cameras that had their turn in the last scan are those
// that -p need not configure again.
void startConfigurationScan();

// -p, when the camera is due: at its first turn in the run, at its first
// turn after a scan without one, and at the next turn after an apply that
// failed.  The module's session of the camera's turn must have begun.
void applyConfigurationStep(const RunOptions &options, uint32_t cameraNumber);

// -m: the camera compared with the file.
void compareConfigurationStep(const RunOptions &options);

// -o: the camera's configuration written to <folder>/<camera number>.pfs,
// the number unsigned as the SDK gives it.
void saveConfigurationStep(const RunOptions &options, void *camera, uint32_t cameraNumber);

// True once some camera's save or apply has failed, or a camera differed
// from a file (or could not be compared), in the run.
bool configurationFailed();

#endif

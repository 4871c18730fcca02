// A camera's memory (CameraMemory.h) as the GenICam module reads and writes
// it: the VaPort of the camera of the current turn, which shows the
// progress of a slow description fetch.
#ifndef CAMERAPORT_H
#define CAMERAPORT_H

#include <stdint.h>

#include "GenicamModule.h"

// The port of the open camera whose turn begins (number: as its heading
// shows it); it lasts until the next camera's turn.
const VaPort *cameraPort(void *camera, uint32_t number);

// A call into the module begins: the progress clock starts.
void startPortCall();

#endif

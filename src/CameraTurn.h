// A camera's turn in a scan: its heading, then what the run asks of it.
#ifndef CAMERATURN_H
#define CAMERATURN_H

#include "QrVApi.h"
#include "RunOptions.h"

// True when the run needs the GenICam module: feature names, -x, -g or -a.
bool runUsesFeatures(const RunOptions &options);

// Prints the camera's heading and what the added options ask of it, then
// writes every -w target and reads every -r target on the open camera, one
// line each.  A failed register or feature never stops the rest.
void processCamera(const RunOptions &options, _CAMERA_ID_INFO *info, void *camera);

#endif

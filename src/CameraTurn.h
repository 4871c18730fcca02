// A camera's turn in a scan: its heading, then what the run asks of it.
#ifndef CAMERATURN_H
#define CAMERATURN_H

#include "QrVApi.h"
#include "RunOptions.h"

// True when the run needs the GenICam module: feature names, -x, -g, -a,
// -o, -p or -m.
bool runUsesFeatures(const RunOptions &options);

// Prints the camera's heading, then on the open camera: its identity (-v),
// -p, every -w target, every -r target, -m, -o, -x and -a, in that order,
// one line each (-p, -m, -o: a line per value that failed or differs, then
// one for the file).  A failed register, feature or file never stops the
// rest.
void processCamera(const RunOptions &options, _CAMERA_ID_INFO *info, void *camera);

#endif

// One scan over the attached cameras.
#ifndef SCAN_H
#define SCAN_H

#include <time.h>

#include "RunOptions.h"

// Prints the scan's time stamp (counted from startTime), then gives each
// selected camera its turn: opened, processCamera, closed.  Returns false
// when the run must end: the record array could not be allocated or the
// records could not be read.
bool scanCameras(const RunOptions &options, time_t startTime);

#endif

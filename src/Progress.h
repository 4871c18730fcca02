// The progress of a slow fetch of a camera's GenICam description, on
// standard error when it is a terminal: one line rewritten in place, shown
// once a call into the module has taken a second, erased at the end.
#ifndef PROGRESS_H
#define PROGRESS_H

#include <stdint.h>

struct FetchProgress {
    uint32_t camera;      // as its heading shows it
    int64_t callStartNs;  // when the current call into the module began (monotonicNanoseconds)
    bool shown;           // the line is on the terminal
};

// A call into the module begins: its clock starts.
void startFetchProgress(FetchProgress *progress);

// done of total bytes are read: shown, updated or (done >= total) erased.
void showFetchProgress(FetchProgress *progress, uint64_t done, uint64_t total);

#endif

// The progress of a slow fetch (Progress.h).
#include "Progress.h"

#include <stdio.h>
#include <unistd.h>

#include "LinuxUtil.h"

namespace {

// A fetch shows progress once it has taken this long.
const int64_t kProgressAfterNs = 1000000000;

} // namespace

void startFetchProgress(FetchProgress *progress)
{
    progress->callStartNs = monotonicNanoseconds();
}

void showFetchProgress(FetchProgress *progress, uint64_t done, uint64_t total)
{
    if (total == 0 || !isatty(STDERR_FILENO))
        return;
    if (!progress->shown && monotonicNanoseconds() - progress->callStartNs < kProgressAfterNs)
        return;
    if (done >= total) {
        if (progress->shown)
            fputs("\r\033[K", stderr);
        progress->shown = false;
        return;
    }
    progress->shown = true;
    fprintf(stderr, "\rReading the GenICam description of camera %d: %d%%", (int)progress->camera,
            (int)(done * 100 / total));
    fflush(stderr);
}

/* Preloaded into VisionAccess by the tests.  Each pause is appended to the
 * file named by SLEEP_RECORDER_LOG instead of being slept; then standard
 * input is pointed at /dev/null, whose end of file ends a continual run after
 * its next scan.  So a continual run makes exactly two scans, at once. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

int nanosleep(const struct timespec *request, struct timespec *remaining)
{
    (void)remaining;
    const char *path = getenv("SLEEP_RECORDER_LOG");
    FILE *log = path != NULL ? fopen(path, "a") : NULL;
    if (log != NULL) {
        fprintf(log, "%lld.%09ld\n", (long long)request->tv_sec, request->tv_nsec);
        fclose(log);
    }
    int endOfFile = open("/dev/null", O_RDONLY);
    if (endOfFile >= 0) {
        dup2(endOfFile, 0);
        if (endOfFile != 0)
            close(endOfFile);
    }
    return 0;
}

// Console and clock services for VisionAccess, on plain Linux system calls.
#include "LinuxUtil.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/select.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

int kbhit()
{
    fd_set readSet;
    FD_ZERO(&readSet);
    FD_SET(0, &readSet);
    struct timeval noWait = {0, 0};

    if (select(1, &readSet, NULL, NULL, &noWait) == -1)
        return 0;
    return FD_ISSET(0, &readSet) ? 1 : 0;
}

int64_t timeInMilliseconds()
{
    struct timeval now;
    gettimeofday(&now, NULL);
    return (int64_t)now.tv_sec * 1000 + now.tv_usec / 1000;
}

void formatElapsed(int64_t elapsedSeconds, char *text, size_t size)
{
    // Truncating division throughout, so a clock set back shows as negative
    // fields rather than as a wrapped time.
    int hours = (int)(elapsedSeconds / 3600);
    int minutes = (int)(elapsedSeconds / 60 % 60);
    int seconds = (int)(elapsedSeconds % 60);
    snprintf(text, size, "%02d:%02d:%02d", hours, minutes, seconds);
}

void sleepMilliseconds(int milliseconds)
{
    struct timespec remaining;
    remaining.tv_sec = milliseconds / 1000;
    remaining.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
    while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR)
        ;
}

void holdClosedOutputs()
{
    const int outputs[] = {STDOUT_FILENO, STDERR_FILENO};
    for (int fd : outputs) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // An O_PATH descriptor opens nothing for writing: writes fail (EBADF).
        int placeholder = open("/", O_PATH | O_CLOEXEC);
        if (placeholder >= 0 && placeholder != fd) {
            dup2(placeholder, fd);
            close(placeholder);
        }
    }
}

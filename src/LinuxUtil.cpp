// Console and clock services for VisionAccess, on plain Linux system calls.
#include "LinuxUtil.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/eventfd.h>
#include <sys/select.h>
#include <sys/time.h>
#include <termios.h>
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

void discardPendingTerminalInput()
{
    // Only the terminal's foreground may flush it; a background run would be
    // stopped (SIGTTOU), and what is pending there was typed for the shell.
    if (isatty(STDIN_FILENO) && tcgetpgrp(STDIN_FILENO) == getpgrp())
        tcflush(STDIN_FILENO, TCIFLUSH);
}

int64_t timeInMilliseconds()
{
    struct timeval now;
    gettimeofday(&now, NULL);
    return (int64_t)now.tv_sec * 1000 + now.tv_usec / 1000;
}

int64_t monotonicNanoseconds()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
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

// True when the descriptor is not open.
static bool isClosed(int fd)
{
    return fcntl(fd, F_GETFD) == -1 && errno == EBADF;
}

// Puts placeholder in the place of fd and closes it; nothing when the
// placeholder could not be made or is fd itself.
static void holdWith(int fd, int placeholder)
{
    if (placeholder >= 0 && placeholder != fd) {
        dup2(placeholder, fd);
        close(placeholder);
    }
}

void holdClosedStandardDescriptors()
{
    // An eventfd that nothing writes to never has input: select never finds
    // it ready, as it never finds a closed descriptor ready, and a read fails
    // (EAGAIN).  An O_PATH descriptor would not do here: select finds it
    // ready.
    if (isClosed(STDIN_FILENO))
        holdWith(STDIN_FILENO, eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    // An O_PATH descriptor opens nothing for writing: writes fail (EBADF).
    const int outputs[] = {STDOUT_FILENO, STDERR_FILENO};
    for (int fd : outputs)
        if (isClosed(fd))
            holdWith(fd, open("/", O_PATH | O_CLOEXEC));
}

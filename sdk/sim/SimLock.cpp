// Waiting for the register state's lock, within a bound, and telling who
// holds it when the wait ends without it.
#include "Sim.h"

#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <pwd.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "TextRules.h"

namespace qrvsim {

namespace {

// Pauses between tries grow from the first to the longest: a lock held for
// a write is free again within a millisecond or so.
const int64_t kFirstPauseMs = 1;
const int64_t kLongestPauseMs = 50;
// Holders named in one message, at most.
const int kHoldersShown = 4;

class SystemClock : public LockClock {
public:
    int64_t nowMs() override
    {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
    }
    void sleepMs(int64_t ms) override
    {
        struct timespec pause = {(time_t)(ms / 1000), (long)(ms % 1000) * 1000000};
        while (nanosleep(&pause, &pause) != 0 && errno == EINTR)
            ;
    }
};

// One try; errno tells why it failed (EWOULDBLOCK: held by another).
bool tryLock(int fd, int operation)
{
    for (;;) {
        if (flock(fd, operation | LOCK_NB) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

// Text from a process's own files, bytes outside printable ASCII as \xNN.
std::string printable(const char *text)
{
    std::string shown;
    appendPrintable(&shown, text);
    return shown;
}

// "process 1234 (name, user alice)", as far as /proc tells.
std::string describeProcess(long pid)
{
    char path[64];
    std::string text = "process " + std::to_string(pid);
    snprintf(path, sizeof path, "/proc/%ld/comm", pid);
    FILE *file = fopen(path, "re");
    char name[64] = "";
    if (file != NULL) {
        if (fgets(name, sizeof name, file) != NULL)
            name[strcspn(name, "\n")] = '\0';
        fclose(file);
    }
    snprintf(path, sizeof path, "/proc/%ld", pid);
    struct stat owner;
    if (stat(path, &owner) != 0)
        return text;
    struct passwd entry, *found = NULL;
    char buffer[1024];
    std::string user = getpwuid_r(owner.st_uid, &entry, buffer, sizeof buffer, &found) == 0 && found != NULL
                           ? printable(found->pw_name)
                           : std::to_string(owner.st_uid);
    return text + " (" + printable(name) + ", user " + user + ")";
}

} // namespace

LockClock &systemLockClock()
{
    static SystemClock clock;
    return clock;
}

bool lockWithin(int fd, int operation, LockClock &clock, int64_t waitMs)
{
    if (tryLock(fd, operation))
        return true;
    if (errno != EWOULDBLOCK || waitMs <= 0)
        return false;
    int64_t deadline = clock.nowMs() + waitMs;
    for (int64_t pause = kFirstPauseMs;; pause = std::min(2 * pause, kLongestPauseMs)) {
        int64_t left = deadline - clock.nowMs();
        if (left <= 0) {
            errno = EWOULDBLOCK;
            return false;
        }
        clock.sleepMs(std::min(pause, left));
        if (tryLock(fd, operation))
            return true;
        if (errno != EWOULDBLOCK)
            return false;
    }
}

std::string lockHolders(int fd)
{
    struct stat locked;
    FILE *locks = fopen("/proc/locks", "re");
    if (locks == NULL || fstat(fd, &locked) != 0) {
        if (locks != NULL)
            fclose(locks);
        return "";
    }
    std::string holders;
    int shown = 0;
    char line[256];
    while (shown < kHoldersShown && fgets(line, sizeof line, locks) != NULL) {
        // "1: FLOCK  ADVISORY  WRITE 1234 fd:01:5678 0 EOF"; a waiter's
        // line has "->" before the type.
        char type[16], mode[16], access[16];
        long pid;
        unsigned deviceMajor, deviceMinor;
        unsigned long inode;
        if (sscanf(line, "%*d: %15s %15s %15s %ld %x:%x:%lu", type, mode, access, &pid, &deviceMajor, &deviceMinor,
                   &inode) != 7 ||
            strcmp(type, "FLOCK") != 0 || deviceMajor != major(locked.st_dev) ||
            deviceMinor != minor(locked.st_dev) || inode != locked.st_ino)
            continue;
        holders += holders.empty() ? "" : "; ";
        holders += describeProcess(pid) + (strcmp(access, "WRITE") == 0 ? " with a write lock" : " with a read lock");
        shown++;
    }
    fclose(locks);
    return holders;
}

} // namespace qrvsim

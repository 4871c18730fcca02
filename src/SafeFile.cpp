// Files written whole through a file of their own (SafeFile.h).
#include "SafeFile.h"

#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include "LinuxUtil.h"

namespace {

// Names tried for the file of its own before giving up: another process
// would have to take each one first.
const int kNameAttempts = 16;
// What the file of its own adds to the name: a dot before, a dot and six
// letters after.
const size_t kTemporaryExtra = 8;
const char kNameLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// A name for the file of its own, hidden beside the final one:
// ".<name>.<six random letters>".
void makeTemporaryName(const char *name, char *temporary, size_t size)
{
    uint8_t random[6];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != (ssize_t)sizeof random) {
        uint64_t mixed = (uint64_t)(monotonicNanoseconds() % 1000000000) * 2654435761u ^ (uint64_t)getpid() << 20;
        for (uint8_t &byte : random) {
            byte = (uint8_t)mixed;
            mixed = mixed >> 8 | mixed << 56;
        }
    }
    char letters[sizeof random + 1];
    for (size_t k = 0; k < sizeof random; k++)
        letters[k] = kNameLetters[random[k] % (sizeof kNameLetters - 1)];
    letters[sizeof random] = '\0';
    snprintf(temporary, size, ".%s.%s", name, letters);
}

// Writes every byte, through short writes and interruptions.
bool writeAll(int fd, const void *bytes, size_t size)
{
    const char *at = (const char *)bytes;
    while (size > 0) {
        ssize_t written = write(fd, at, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        at += written;
        size -= (size_t)written;
    }
    return true;
}

bool fail(int error, char *reason, size_t reasonSize)
{
    snprintf(reason, reasonSize, "%s", strerror(error));
    return false;
}

} // namespace

bool writeFileAtomically(const char *folder, const char *name, const void *bytes, size_t size, char *reason,
                         size_t reasonSize)
{
    if (strlen(name) + kTemporaryExtra > NAME_MAX)
        return fail(ENAMETOOLONG, reason, reasonSize);
    int dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return fail(errno, reason, reasonSize);
    char temporary[NAME_MAX + 1];
    int fd = -1;
    for (int attempt = 0; attempt < kNameAttempts && fd < 0; attempt++) {
        makeTemporaryName(name, temporary, sizeof temporary);
        fd = openat(dir, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        int error = errno;
        close(dir);
        return fail(error, reason, reasonSize);
    }
    bool written = writeAll(fd, bytes, size) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && renameat(dir, temporary, dir, name) != 0) {
        written = false;
        error = errno;
    }
    if (!written)
        unlinkat(dir, temporary, 0);
    close(dir);
    return written || fail(error, reason, reasonSize);
}

bool writeCameraFile(const char *folder, uint32_t cameraNumber, const char *extension, const void *bytes,
                     size_t size, CameraFilePath *path, char *reason, size_t reasonSize)
{
    char name[32];
    snprintf(name, sizeof name, "%" PRIu32 "%s", cameraNumber, extension);
    snprintf(path->text, sizeof path->text, "%s/%s", folder, name);
    return writeFileAtomically(folder, name, bytes, size, reason, reasonSize);
}

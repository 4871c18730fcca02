// Register values kept across runs (RegisterState in Sim.h).
//
// The journal is read once and then followed: a camera open costs one stat
// while no other run has written, and only the lines another run appended
// are read.  A write costs a lock, a stat, the write itself and an unlock.
// Compaction rewrites the journal once it holds more than twice the lines
// it needs, so its cost is spread over the writes that made it necessary.
#include "Sim.h"

#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>

namespace qrvsim {

namespace {

const char kHeader[] = "# QrVApi simulator: register values written to the simulated cameras.\n"
                       "# camera address value; the last line for a register wins.\n";
const int kHeaderLines = 2;
// Lines beyond twice the registers held before the journal is compacted.
const size_t kCompactSlack = 64;
const size_t kReadChunk = 64 * 1024;
// The state's files are the owner's alone.
const mode_t kFileMode = 0600;

typedef RegisterState::Key Key;

// An entry: addresses up to 32 bits as they always were written, wider ones
// with all their digits.
std::string entryLine(const Key &key, uint32_t value)
{
    char line[80];
    snprintf(line, sizeof line, "%" PRIu32 " 0x%08" PRIX64 " 0x%08" PRIX32 "\n", key.first, key.second, value);
    return line;
}

// The largest number each word of an entry may hold: camera, address, value.
const uint64_t kEntryMax[] = {UINT32_MAX, UINT64_MAX, UINT32_MAX};

// An entry's words: camera, address, value.  False when they are not one.
bool parseEntry(const std::vector<std::string> &words, Key *key, uint32_t *value)
{
    uint64_t numbers[3];
    if (words.size() != 3)
        return false;
    for (size_t k = 0; k < 3; k++)
        if (!parseNumber(words[k], kEntryMax[k], &numbers[k]))
            return false;
    *key = Key((uint32_t)numbers[0], numbers[1]);
    *value = (uint32_t)numbers[2];
    return true;
}

// What is wrong with words that parseEntry refused.
std::string entryFault(const std::vector<std::string> &words)
{
    uint64_t number;
    if (words.size() == 3)
        for (size_t k = 0; k < 3; k++)
            if (!parseNumber(words[k], kEntryMax[k], &number))
                return "bad number '" + words[k] + "'";
    return "expected: camera address value";
}

// Creates the folders above path that are missing, for the owner alone.
// False when one cannot be made: *folder and *error then tell which and why.
bool makeParents(const std::string &path, std::string *folder, int *error)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        std::string parent = path.substr(0, at);
        if (mkdir(parent.c_str(), 0700) == 0 || errno == EEXIST)
            continue;
        int made = errno;
        struct stat existing;  // some file systems refuse before they look
        if (stat(parent.c_str(), &existing) != 0 || !S_ISDIR(existing.st_mode)) {
            *folder = parent;
            *error = made;
            return false;
        }
    }
    return true;
}

// Moves a descriptor kept for the life of the process above the standard
// three, so that a program started with one of them closed never finds it
// in their place.
int keepAside(int fd)
{
    if (fd < 0 || fd > STDERR_FILENO)
        return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    return moved;
}

bool writeAllAt(int fd, const std::string &text, off_t at)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t written = pwrite(fd, text.data() + done, text.size() - done, at + (off_t)done);
        if (written < 0 && errno != EINTR)
            return false;
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        if (written > 0)
            done += (size_t)written;
    }
    return true;
}

// Everything from offset to the end of the file.
bool readFrom(int fd, off_t offset, std::string *text)
{
    char buffer[kReadChunk];
    for (;;) {
        ssize_t got = pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        text->append(buffer, (size_t)got);
        offset += got;
    }
}

bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

RegisterState::~RegisterState()
{
    if (fd_ >= 0)
        close(fd_);
    if (lockFd_ >= 0)
        close(lockFd_);
}

void RegisterState::configure()
{
    const char *chosen = getenv("QRV_SIM_STATE");
    const char *stateHome = getenv("XDG_STATE_HOME");
    const char *home = getenv("HOME");
    if (chosen != NULL && chosen[0] != '\0') {
        path_ = strcmp(chosen, "off") == 0 ? "" : chosen;
        origin_ = "QRV_SIM_STATE";
    } else if (stateHome != NULL && stateHome[0] == '/') {  // a relative one is to be ignored
        path_ = std::string(stateHome) + "/qrv-sim/registers";
        origin_ = "XDG_STATE_HOME";
    } else if (home != NULL && home[0] != '\0') {
        path_ = std::string(home) + "/.local/state/qrv-sim/registers";
        origin_ = "HOME";
    } else {
        report("neither QRV_SIM_STATE nor HOME is set: written register values are kept only until the program exits");
    }
    if (!path_.empty())
        makeParents(path_, &missingFolder_, &missingFolderError_);
}

// The lock file is the owner's alone (one left readable by others by an
// older version is made so), so no other user can hold its lock; a link
// planted in its place is never followed.
RegisterState::LockResult RegisterState::lock(int operation)
{
    if (lockFd_ < 0) {
        std::string lockPath = path_ + ".lock";
        lockFd_ = keepAside(open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kFileMode));
        if (lockFd_ < 0)
            return kNoLockFile;
        struct stat made;
        if (fstat(lockFd_, &made) == 0 && made.st_uid == geteuid() && (made.st_mode & 077) != 0)
            fchmod(lockFd_, kFileMode);
    }
    if (lockWithin(lockFd_, operation, clock_, lockAbandoned_ ? 0 : kLockWaitMs)) {
        lockAbandoned_ = false;
        return kLocked;
    }
    if (errno != EWOULDBLOCK)
        return kNoLockFile;
    if (!lockAbandoned_) {
        std::string holders = lockHolders(lockFd_);
        report("%s.lock: still locked after %d s, by %s; register writes fail until it is released", path_.c_str(),
               (int)(kLockWaitMs / 1000), holders.empty() ? "a process /proc/locks does not name" : holders.c_str());
    }
    lockAbandoned_ = true;
    return kHeld;
}

// Once per run: the lock file cannot be had, so no write can be kept.
void RegisterState::reportNoLockFile(int error)
{
    if (lockFileReported_)
        return;
    lockFileReported_ = true;
    if (!missingFolder_.empty())
        report("cannot create the folder %s for the register state (from %s): %s; choose another with QRV_SIM_STATE, "
               "XDG_STATE_HOME or HOME, or QRV_SIM_STATE=off to keep written values only while the program runs",
               missingFolder_.c_str(), origin_.c_str(), strerror(missingFolderError_));
    else
        report("%s.lock: cannot lock register state: %s", path_.c_str(), strerror(error));
}

void RegisterState::unlock()
{
    flock(lockFd_, LOCK_UN);
}

// True when the file (now: its stat, or NULL when it does not exist) is the
// one last read or written, as it was then.
bool RegisterState::unchanged(const struct stat *now) const
{
    if (now == NULL)
        return !seen_ && fd_ < 0;
    return seen_ && now->st_dev == device_ && now->st_ino == inode_ && now->st_size == size_ &&
           (!mtimeKnown_ || sameTime(now->st_mtim, mtime_));
}

// Drops what was read, so that the file is read again from its start.
void RegisterState::forget()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    seen_ = false;
    size_ = end_ = 0;
    endLine_ = 0;
    tail_ = kNoTail;
    tailText_.clear();
    values_.clear();
    lines_ = 0;
}

// With a lock held: brings the values up to the file.  A file that grew
// since it was last read is read from where that stopped; a file replaced
// (compacted by another run) or changed in any other way, from its start.
// False (reported) when the file cannot be read or parsed.
bool RegisterState::catchUp()
{
    struct stat now;
    if (lstat(path_.c_str(), &now) != 0) {
        if (errno != ENOENT) {
            report("%s: cannot read: %s", path_.c_str(), strerror(errno));
            return false;
        }
        forget();  // removed: the cameras were power-cycled
        return true;
    }
    if (unchanged(&now)) {
        mtime_ = now.st_mtim;
        mtimeKnown_ = true;
        return true;
    }
    bool appended = seen_ && fd_ >= 0 && now.st_dev == device_ && now.st_ino == inode_ && now.st_size > size_;
    if (!appended) {
        forget();
        fd_ = keepAside(open(path_.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        if (fd_ < 0) {
            report("%s: cannot read: %s", path_.c_str(), strerror(errno));
            return false;
        }
    }
    return readNewLines(now);
}

// Reads the journal from the end of its last complete line (the tail after
// it may have been completed since) and applies each entry.
bool RegisterState::readNewLines(const struct stat &now)
{
    std::string text;
    if (!readFrom(fd_, end_, &text)) {
        report("%s: read error", path_.c_str());
        return false;
    }
    if (tail_ == kUnterminated && !tailText_.empty() && !splitWords(tailText_).empty())
        lines_--;  // counted already, and about to be read again

    size_t at = 0;
    for (size_t newline; (newline = text.find('\n', at)) != std::string::npos; at = newline + 1) {
        endLine_++;
        std::vector<std::string> words = splitWords(text.substr(at, newline - at));
        Key entryKey;
        uint32_t value;
        if (words.empty())
            continue;
        if (!parseEntry(words, &entryKey, &value)) {
            report("%s:%d: %s", path_.c_str(), endLine_, entryFault(words).c_str());
            return false;
        }
        values_[entryKey] = value;
        lines_++;
    }
    end_ += (off_t)at;
    tailText_ = text.substr(at);
    tail_ = kNoTail;
    if (!tailText_.empty()) {
        // A last line without its newline: an entry counts; anything else is
        // what an interrupted write left, ignored until a write cuts it off.
        std::vector<std::string> words = splitWords(tailText_);
        Key entryKey;
        uint32_t value;
        tail_ = kUnterminated;
        if (!words.empty() && parseEntry(words, &entryKey, &value)) {
            values_[entryKey] = value;
            lines_++;
        } else if (!words.empty()) {
            tail_ = kTorn;
            if (!tornReported_)
                report("%s:%d: incomplete last line ignored; the next write cuts it off", path_.c_str(), endLine_ + 1);
            tornReported_ = true;
        }
    }
    seen_ = true;
    device_ = now.st_dev;
    inode_ = now.st_ino;
    size_ = end_ + (off_t)tailText_.size();
    mtime_ = now.st_mtim;
    mtimeKnown_ = size_ == now.st_size;
    return true;
}

void RegisterState::reload()
{
    if (path_.empty() || !usable_)
        return;
    struct stat now;
    bool exists = lstat(path_.c_str(), &now) == 0;
    if (unchanged(exists ? &now : NULL))
        return;
    bool locked = lock(LOCK_SH) == kLocked;  // reading goes ahead unlocked if no lock can be had
    usable_ = catchUp();
    if (locked)
        unlock();
    if (!usable_)
        report("%s: register state unusable: register commands fail until it is mended or removed", path_.c_str());
}

bool RegisterState::find(uint32_t camera, uint64_t address, uint32_t *value) const
{
    Values::const_iterator found = values_.find(Key(camera, address));
    if (found == values_.end())
        return false;
    *value = found->second;
    return true;
}

bool RegisterState::store(uint32_t camera, const Writes &writes)
{
    if (!usable_)
        return false;
    if (path_.empty()) {
        for (const auto &write : writes)
            values_[Key(camera, write.first)] = write.second;
        return true;
    }

    LockResult locked = lock(LOCK_EX);
    if (locked == kNoLockFile)
        reportNoLockFile(errno);
    if (locked != kLocked)
        return false;
    usable_ = catchUp();
    if (!usable_)
        report("%s: register state unusable: register commands fail until it is mended or removed", path_.c_str());
    bool written = usable_ && append(camera, writes);
    if (written && lines_ > 2 * values_.size() + kCompactSlack)
        compact();
    unlock();
    return written;
}

// With the exclusive lock held and the values caught up: appends one entry
// per write, in one write to the file.  A write that fails or falls short
// is undone, leaving the file as it was.
bool RegisterState::append(uint32_t camera, const Writes &writes)
{
    std::string text;
    for (const auto &write : writes)
        text += entryLine(Key(camera, write.first), write.second);
    off_t at = size_;
    if (fd_ < 0) {
        fd_ = keepAside(open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode));
        if (fd_ < 0) {
            report("%s: cannot write register state: %s", path_.c_str(), strerror(errno));
            return false;
        }
        text = kHeader + text;
        at = 0;
    } else if (tail_ == kUnterminated) {
        text = "\n" + text;
    } else if (tail_ == kTorn) {
        at = end_;
    }

    off_t newSize = at + (off_t)text.size();
    bool written = writeAllAt(fd_, text, at);
    if (written && newSize < size_)
        written = ftruncate(fd_, newSize) == 0;  // the rest of a longer torn line
    if (!written) {
        int error = errno;
        if (!seen_) {  // created for this write: no file, as before
            unlink(path_.c_str());
            forget();
        } else {
            if (tail_ == kTorn)
                writeAllAt(fd_, tailText_, end_);
            if (ftruncate(fd_, size_) != 0)
                report("%s: cannot undo a failed write: %s", path_.c_str(), strerror(errno));
        }
        report("%s: cannot write register state: %s", path_.c_str(), strerror(error));
        return false;
    }

    if (!seen_) {
        struct stat created;
        if (fstat(fd_, &created) == 0) {
            device_ = created.st_dev;
            inode_ = created.st_ino;
        }
        seen_ = true;
    }
    endLine_ += (int)std::count(text.begin(), text.end(), '\n');
    end_ = size_ = newSize;
    mtimeKnown_ = false;
    tail_ = kNoTail;
    tailText_.clear();
    for (const auto &write : writes)
        values_[Key(camera, write.first)] = write.second;
    lines_ += writes.size();
    return true;
}

// With the exclusive lock held and the values caught up: rewrites the
// journal with one line per register, through a temporary file of its own
// (never one that is already there, and the owner's alone), so a failure
// leaves the journal whole.
bool RegisterState::compact()
{
    std::string text = kHeader;
    for (const auto &entry : values_)
        text += entryLine(entry.first, entry.second);
    std::string temporary = path_ + ".XXXXXX";
    int fd = keepAside(mkostemp(&temporary[0], O_CLOEXEC));
    struct stat written;
    bool done = fd >= 0 && fchmod(fd, kFileMode) == 0 && writeAllAt(fd, text, 0) && fstat(fd, &written) == 0 &&
                rename(temporary.c_str(), path_.c_str()) == 0;
    if (!done) {
        report("%s: cannot compact register state: %s", path_.c_str(), strerror(errno));
        if (fd >= 0) {
            close(fd);
            unlink(temporary.c_str());
        }
        return false;
    }
    close(fd_);
    fd_ = fd;
    device_ = written.st_dev;
    inode_ = written.st_ino;
    end_ = size_ = written.st_size;
    mtime_ = written.st_mtim;
    mtimeKnown_ = true;
    endLine_ = kHeaderLines + (int)values_.size();
    lines_ = values_.size();
    return true;
}

} // namespace qrvsim

// Internals of the simulated camera SDK, shared by its source files.
#ifndef QRVSIM_SIM_H
#define QRVSIM_SIM_H

#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qrvsim {

// Failure statuses (negative as int32_t); doc/visionaccess-sim.1 lists them too.
const int32_t kStatusBadConfig = (int32_t)0x8000F001;   // configuration unusable
const int32_t kStatusBadArgument = (int32_t)0x8000F002; // null pointer, wrong size
const int32_t kStatusNoCamera = (int32_t)0x8000F003;    // no camera with that number
const int32_t kStatusOpenFailed = (int32_t)0x8000F004;  // camera configured not to open
const int32_t kStatusBusy = (int32_t)0x8000F005;        // camera already open
const int32_t kStatusBadHandle = (int32_t)0x8000F006;   // handle not that of an open camera
const int32_t kStatusBadCommand = (int32_t)0x8000F007;  // private command not understood
const int32_t kStatusNoRegister = (int32_t)0x8000F008;  // address the camera does not have
const int32_t kStatusReadOnly = (int32_t)0x8000F009;    // write to a read-only register
const int32_t kStatusInjected = (int32_t)0x8000F00A;    // read or write configured to fail
const int32_t kStatusState = (int32_t)0x8000F00B;       // register state file unusable
const int32_t kStatusInternal = (int32_t)0x8000F00C;    // out of memory, or another failure inside

// What the configuration can make a register address do.
enum Fault : unsigned {
    kReadFails = 1u << 0,
    kWriteFails = 1u << 1,
    kReadNoStore = 1u << 2,  // a read succeeds but stores no value
    kReadOnly = 1u << 3,     // writes fail
};

typedef std::map<uint64_t, uint32_t> RegisterMap;  // address -> value
typedef std::map<uint64_t, unsigned> FaultMap;     // address -> Fault bits

// The text fields of a camera's bootstrap registers that the configuration
// sets, in the order of the identity statement's words.
enum IdentityField : unsigned { kVendor, kModel, kFamily, kVersion, kSerial, kUserName, kIdentityFields };
// The longest text of one field: its 64 bytes hold a NUL after it.
const size_t kIdentityTextMax = 63;

// A GenICam description file as a camera serves it: its bytes, whether they
// are a ZIP, and their SHA-1.
struct Description {
    const uint8_t *bytes = nullptr;
    size_t size = 0;
    bool zip = false;
    uint8_t sha1[20] = {};
    std::vector<uint8_t> storage;  // the bytes, when read from a file
};

// The description of the default registers, built into the library.
std::shared_ptr<const Description> defaultDescription();

// The largest description file a configuration may name.
const uint64_t kDescriptionMax = 64u << 20;

// Reads a description file (XML, or a ZIP when it starts as one) and its
// SHA-1 (all zeros where the simulator is built without libmd); false with *error saying why (too large, cannot be read).
bool loadDescription(const std::string &path, std::shared_ptr<const Description> *description, std::string *error);

struct ReadOnlyMemory;

struct Camera {
    uint32_t number = 0;
    bool opens = true;
    RegisterMap registers;  // as configured, the default map included
    FaultMap faults;
    std::string identity[kIdentityFields];              // the bootstrap texts
    std::shared_ptr<const Description> description;     // null: no manifest
    bool open = false;  // opened by this process and not yet closed

    // The bootstrap registers, manifest table and description, built from
    // the fields above at the first access that needs them.
    const ReadOnlyMemory &readOnlyMemory() const;

private:
    mutable std::shared_ptr<const ReadOnlyMemory> readOnlyMemory_;
};

class RegisterState;

// A read of size bytes at address from the camera's memory (its registers,
// 4 bytes each, little-endian, and its read-only memory), into bytes; a
// status.  A failed read leaves bytes as they were.  doc/visionaccess-sim.1 tells the
// rules for block accesses.
int32_t readMemory(const Camera &camera, const RegisterState &state, uint64_t address, uint8_t *bytes, uint32_t size);

// A write of size bytes at address; all or nothing: every register is
// checked before any value is kept.  A status.
int32_t writeMemory(const Camera &camera, RegisterState &state, uint64_t address, const uint8_t *bytes, uint32_t size);

struct Config {
    std::vector<Camera> cameras;               // in the order listed
    std::map<uint32_t, size_t> cameraIndex;    // number -> index into cameras
    // Adds a camera; false when its number is listed already.
    bool add(const Camera &camera)
    {
        if (!cameraIndex.emplace(camera.number, cameras.size()).second)
            return false;
        cameras.push_back(camera);
        return true;
    }
    bool countFails = false;  // the count call (no record array) fails
    int32_t countStatus = 0;
    bool recordsFail = false;  // the record fetch fails
    int32_t recordsStatus = 0;
    bool countReported = false;  // the count call reports this many cameras
    uint32_t reportedCount = 0;
    bool recordsReported = false;  // the record fetch reports this many records
    uint32_t reportedRecords = 0;
    long latencyUs = 0;  // added to every SDK call
};

// The configuration without a file: two cameras with the default registers.
Config defaultConfig();

// Reads a configuration file.  On the first fault it reports it on stderr,
// naming the file and line, and returns false; config is then not to be used.
bool readConfig(const char *path, Config *config);

// "QrVApi simulator: <message>" on stderr.
void report(const char *format, ...) __attribute__((format(printf, 1, 2)));

// A line-based text file: words separated by white space, '#' starts a
// comment.  Faults are reported with the file name and line number.
class WordFile {
public:
    explicit WordFile(const std::string &path);
    ~WordFile();
    WordFile(const WordFile &) = delete;
    WordFile &operator=(const WordFile &) = delete;

    // False when the file could not be opened (reported unless it is missing
    // and missingIsFine).
    bool opened(bool missingIsFine);
    // The next line that holds words; false at the end, or on a read error
    // or a line holding a NUL byte (reported; failed() then tells).
    bool next(std::vector<std::string> *words);
    bool failed() const { return failed_; }
    // Reports a fault at the current line; returns false.
    bool fail(const char *format, ...) __attribute__((format(printf, 2, 3)));
    // An unsigned number, decimal or 0x hexadecimal, up to max.
    bool number(const std::string &word, uint64_t max, uint64_t *value);
    bool number32(const std::string &word, uint32_t *value);

private:
    std::string path_;
    FILE *file_ = NULL;
    int line_ = 0;
    bool failed_ = false;
    char *buffer_ = NULL;
    size_t capacity_ = 0;
};

// A number word of the simulator's files: decimal, or hexadecimal after 0x
// (leading zeros are decimal, not octal); no sign.  False unless the whole
// word is such a number no larger than max.
bool parseNumber(const std::string &word, uint64_t max, uint64_t *value);

// The words of one line: separated by white space, '#' starts a comment.
std::vector<std::string> splitWords(const std::string &line);

// The time a wait for the register state's lock is measured in; tests give
// a fake one.
class LockClock {
public:
    virtual ~LockClock() = default;
    virtual int64_t nowMs() = 0;  // monotonic milliseconds
    virtual void sleepMs(int64_t ms) = 0;
};

// The monotonic clock and nanosleep.
LockClock &systemLockClock();

// Takes the flock (LOCK_SH or LOCK_EX) on fd, trying again with growing
// pauses for up to waitMs while another holds it; false with errno set
// (EWOULDBLOCK: still held when the wait ended).
bool lockWithin(int fd, int operation, LockClock &clock, int64_t waitMs);

// Who holds a flock on the file open as fd, as /proc/locks and /proc tell:
// "process 1234 (name, user alice) with a write lock", several joined by
// "; "; empty when nothing can be told.
std::string lockHolders(int fd);

// Register values written to the cameras, kept across runs in a file, as a
// powered camera keeps them.  The file is a journal of "camera address value"
// lines, the last line for a register winning; it is compacted when it has
// grown to more than twice the registers it holds.  Writers hold an exclusive
// lock on "<file>.lock", readers a shared one.  The journal stays open, and
// is read again only as far as another run has changed it.
class RegisterState {
public:
    typedef std::pair<uint32_t, uint64_t> Key;  // camera, address
    typedef std::map<Key, uint32_t> Values;
    typedef std::vector<std::pair<uint64_t, uint32_t>> Writes;  // address, value

    explicit RegisterState(LockClock &clock = systemLockClock()) : clock_(clock) {}
    ~RegisterState();
    RegisterState(const RegisterState &) = delete;
    RegisterState &operator=(const RegisterState &) = delete;

    // QRV_SIM_STATE=<file>, or =off for none; by default
    // $XDG_STATE_HOME/qrv-sim/registers or ~/.local/state/qrv-sim/registers.
    // Creates the folders above the file that are missing (mode 0700).
    void configure();
    // Catches up with the file, so a camera being opened sees what other runs
    // wrote; costs one stat when nothing changed.  A file that cannot be read
    // or parsed is reported once and makes the state unusable for the rest of
    // the process; it is never written then.
    void reload();
    bool usable() const { return usable_; }
    bool find(uint32_t camera, uint64_t address, uint32_t *value) const;
    const Values &values() const { return values_; }
    // Keeps written values of one camera, in one write to the file; false
    // (reported) when the file cannot take them, which then stays exactly as
    // it was, or when the lock is held by another for longer than the wait
    // allows (reported once per wait).
    bool store(uint32_t camera, const Writes &writes);
    bool store(uint32_t camera, uint64_t address, uint32_t value) { return store(camera, Writes{{address, value}}); }

    // How long a run waits for the lock before its write fails.
    static constexpr int64_t kLockWaitMs = 10000;

private:
    // What follows the journal's last complete line.
    enum Tail {
        kNoTail,        // nothing: the file ends with a newline
        kUnterminated,  // an entry or comment without its newline
        kTorn,          // a fragment that does not parse, left by an interrupted write
    };

    enum LockResult {
        kLocked,
        kNoLockFile,  // the lock file cannot be opened; errno tells why
        kHeld,        // another held it for all of the wait
    };

    LockResult lock(int operation);
    void reportNoLockFile(int error);
    void unlock();
    bool unchanged(const struct stat *now) const;
    bool catchUp();
    bool readNewLines(const struct stat &now);
    bool append(uint32_t camera, const Writes &writes);
    bool compact();
    void forget();

    LockClock &clock_;
    std::string path_;  // empty: values are kept in memory only
    std::string origin_;         // the variable path_ came from
    std::string missingFolder_;  // a folder above path_ that could not be made
    int missingFolderError_ = 0;
    bool lockFileReported_ = false;
    bool lockAbandoned_ = false;  // a wait ended with the lock held: no more waits until it is had
    bool usable_ = true;
    int lockFd_ = -1;
    int fd_ = -1;              // the journal, while it exists
    bool seen_ = false;        // the journal's identity below is known
    dev_t device_ = 0;
    ino_t inode_ = 0;
    off_t size_ = 0;           // bytes read or written so far
    struct timespec mtime_ = {0, 0};
    bool mtimeKnown_ = false;  // false after a write of ours, until the next stat
    off_t end_ = 0;            // end of the last complete line
    int endLine_ = 0;          // lines up to end_
    Tail tail_ = kNoTail;
    std::string tailText_;     // the bytes after end_
    bool tornReported_ = false;
    Values values_;
    size_t lines_ = 0;  // entry lines in the file
};

} // namespace qrvsim

#endif

// Register values kept across runs (RegisterState in Sim.h).
#include "Sim.h"

#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qrvsim {

namespace {

const char kHeader[] = "# QrVApi simulator: register values written to the simulated cameras.\n"
                       "# camera address value; the last line for a register wins.\n";
// Lines beyond twice the registers held before the journal is compacted.
const size_t kCompactSlack = 64;

uint64_t key(uint32_t camera, uint32_t address)
{
    return (uint64_t)camera << 32 | address;
}

std::string entryLine(uint64_t key, uint32_t value)
{
    char line[64];
    snprintf(line, sizeof line, "%" PRIu32 " 0x%08" PRIX32 " 0x%08" PRIX32 "\n", (uint32_t)(key >> 32), (uint32_t)key,
             value);
    return line;
}

// Creates the folders above path that are missing.
void makeParents(const std::string &path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        mkdir(path.substr(0, at).c_str(), 0755);
}

bool writeAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno != EINTR)
            return false;
        if (written > 0)
            done += (size_t)written;
    }
    return true;
}

} // namespace

void RegisterState::configure()
{
    const char *chosen = getenv("QRV_SIM_STATE");
    const char *stateHome = getenv("XDG_STATE_HOME");
    const char *home = getenv("HOME");
    if (chosen != NULL && chosen[0] != '\0')
        path_ = strcmp(chosen, "off") == 0 ? "" : chosen;
    else if (stateHome != NULL && stateHome[0] != '\0')
        path_ = std::string(stateHome) + "/qrv-sim/registers";
    else if (home != NULL && home[0] != '\0')
        path_ = std::string(home) + "/.local/state/qrv-sim/registers";
    else
        report("neither QRV_SIM_STATE nor HOME is set: written register values are kept only until the program exits");
    if (!path_.empty())
        makeParents(path_);
}

int RegisterState::lock(int operation)
{
    std::string lockPath = path_ + ".lock";
    int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    while (flock(fd, operation) != 0) {
        if (errno != EINTR) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

bool RegisterState::parse(Values *values, size_t *lines)
{
    WordFile file(path_);
    if (!file.opened(true))
        return !file.failed();  // a missing file holds nothing yet
    std::vector<std::string> words;
    while (file.next(&words)) {
        uint32_t camera, address, value;
        if (words.size() != 3)
            return file.fail("expected: camera address value");
        if (!file.number32(words[0], &camera) || !file.number32(words[1], &address) || !file.number32(words[2], &value))
            return false;
        (*values)[key(camera, address)] = value;
        (*lines)++;
    }
    return !file.failed();
}

void RegisterState::reload()
{
    if (path_.empty() || !usable_)
        return;
    int lockFd = lock(LOCK_SH);  // reading goes ahead unlocked if no lock can be had
    Values values;
    size_t lines = 0;
    usable_ = parse(&values, &lines);
    if (lockFd >= 0)
        close(lockFd);
    if (!usable_) {
        report("%s: register state unusable: register commands fail until it is mended or removed", path_.c_str());
        return;
    }
    values_.swap(values);
    lines_ = lines;
}

bool RegisterState::find(uint32_t camera, uint32_t address, uint32_t *value) const
{
    Values::const_iterator found = values_.find(key(camera, address));
    if (found == values_.end())
        return false;
    *value = found->second;
    return true;
}

bool RegisterState::store(uint32_t camera, uint32_t address, uint32_t value)
{
    if (!usable_)
        return false;
    if (path_.empty()) {
        values_[key(camera, address)] = value;
        return true;
    }

    int lockFd = lock(LOCK_EX);
    if (lockFd < 0) {
        report("%s.lock: cannot lock register state: %s", path_.c_str(), strerror(errno));
        return false;
    }
    int fd = open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    struct stat status;
    bool written = fd >= 0 && fstat(fd, &status) == 0 &&
                   writeAll(fd, (status.st_size == 0 ? kHeader : "") + entryLine(key(camera, address), value));
    if (!written)
        report("%s: cannot write register state: %s", path_.c_str(), strerror(errno));
    if (fd >= 0)
        close(fd);
    if (written) {
        values_[key(camera, address)] = value;
        if (++lines_ > 2 * values_.size() + kCompactSlack)
            compact();
    }
    close(lockFd);
    return written;
}

// With the exclusive lock held: rewrites the journal with one line per
// register, through a temporary file, so a failure leaves the journal whole.
bool RegisterState::compact()
{
    Values values;
    size_t lines = 0;
    if (!parse(&values, &lines)) {
        usable_ = false;
        return false;
    }
    std::string text = kHeader;
    for (const auto &entry : values)
        text += entryLine(entry.first, entry.second);
    std::string temporary = path_ + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool written = fd >= 0 && writeAll(fd, text);
    if (fd >= 0)
        written = close(fd) == 0 && written;
    if (!written || rename(temporary.c_str(), path_.c_str()) != 0) {
        report("%s: cannot compact register state: %s", path_.c_str(), strerror(errno));
        unlink(temporary.c_str());
        return false;
    }
    values_.swap(values);
    lines_ = values_.size();
    return true;
}

} // namespace qrvsim

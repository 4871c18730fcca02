#include "GigeCamera.h"

#include "Gvcp.h"
#include "Status.h"
#include "Trace.h"

#include <string.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <vector>

namespace u3v {
namespace gige {

namespace {

const uint64_t kWord = 4;
const uint64_t kAddressSpace = 1ull << 32;

// One line on standard error, once per camera and process.
void reportNotInControl(const Target &target, const std::string &name)
{
    static std::mutex mutex;
    static std::set<Target> reported;
    std::lock_guard<std::mutex> guard(mutex);
    if (reported.insert(target).second)
        reportGige("the camera at %s (serial \"%s\") is controlled by another application: it can be read, not "
                   "written (man visionaccess-u3v: GIGE VISION)",
                   targetText(target).c_str(), escapeText(name).c_str());
}

GvcpChannel::TraceLine traceOrNothing()
{
    return tracing() ? GvcpChannel::TraceLine(traceLine) : GvcpChannel::TraceLine();
}

} // namespace

GigeCamera::GigeCamera(const Target &target, const std::string &name, int commandLimitMs)
    : target_(target), name_(name), channel_(transport_, systemClock(), traceOrNothing(), commandLimitMs)
{
}

std::unique_ptr<GigeCamera> GigeCamera::open(const Target &target, const std::string &name, int commandLimitMs,
                                             int32_t *status)
{
    std::unique_ptr<GigeCamera> camera(new GigeCamera(target, name, commandLimitMs));
    if (!camera->transport_.connect(target.address, target.port)) {
        *status = kStatusNetwork;
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(camera->mutex_);
    *status = camera->takeControl();
    // Held by another application: the camera is open all the same, for reading.
    if (*status == kStatusNotInControl)
        *status = 0;
    return *status < 0 ? nullptr : std::move(camera);
}

GigeCamera::~GigeCamera()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        closing_ = true;
    }
    wake_.notify_all();
    if (heartbeat_.joinable())
        heartbeat_.join();
    if (inControl_)
        channel_.writeRegister(kControlPrivilege, 0);
}

bool GigeCamera::inControl()
{
    std::lock_guard<std::mutex> guard(mutex_);
    return inControl_;
}

// Takes control unless another application holds it (kStatusNotInControl
// then); any other failure is the camera's.
int32_t GigeCamera::takeControl()
{
    uint32_t privilege = 0;
    int32_t status = channel_.readRegister(kControlPrivilege, &privilege);
    if (status < 0)
        return status;
    if ((privilege & kPrivilegeMask) != 0)
        return kStatusNotInControl;
    status = channel_.writeRegister(kControlPrivilege, kPrivilegeControl);
    // Refused, or not answered (a device may ignore a write from an
    // application without control): another one took it meanwhile.
    if (status == deviceStatus(kAccessDenied) || status == kStatusTimeout)
        return kStatusNotInControl;
    if (status < 0)
        return status;
    inControl_ = true;
    startHeartbeat();
    return 0;
}

int32_t GigeCamera::mayWrite()
{
    if (inControl_)
        return 0;
    int32_t status = takeControl();
    if (status == kStatusNotInControl)
        reportNotInControl(target_, name_);
    return status;
}

void GigeCamera::startHeartbeat()
{
    if (!heartbeat_.joinable())
        heartbeat_ = std::thread(&GigeCamera::heartbeat, this);
}

// Reads the control privilege register a third of the camera's heartbeat
// timeout after the last time (a camera counts that read as the heartbeat),
// until the camera is closed.  A camera that no longer grants control is
// written no more until control is taken again.
void GigeCamera::heartbeat()
{
    std::unique_lock<std::mutex> lock(mutex_);
    int periodMs = kFirstBeatMs;
    bool timeoutKnown = false;
    while (!wake_.wait_for(lock, std::chrono::milliseconds(periodMs), [this] { return closing_; })) {
        if (!inControl_)
            continue;
        uint32_t privilege = 0;
        if (channel_.readRegister(kControlPrivilege, &privilege) >= 0 && (privilege & kPrivilegeMask) == 0) {
            inControl_ = false;
            tracef("gige camera %s: control lost", targetText(target_).c_str());
        }
        uint32_t timeoutMs = 0;
        if (!timeoutKnown && channel_.readRegister(kHeartbeatTimeout, &timeoutMs) >= 0) {
            timeoutKnown = true;
            periodMs = (int)std::min<uint32_t>(std::max<uint32_t>(timeoutMs / 3, kShortestBeatMs), kLongestBeatMs);
        }
    }
}

int32_t GigeCamera::read(uint64_t address, uint8_t *bytes, size_t size)
{
    if (size == 0)
        return 0;
    if (address >= kAddressSpace || size > kAddressSpace - address)
        return kStatusBeyond32Bits;
    // The whole words that hold the bytes asked for: read into the caller's
    // buffer where they are those bytes, else into one of their own.
    uint64_t first = address - address % kWord;
    uint64_t end = (address + size + kWord - 1) / kWord * kWord;
    bool aligned = first == address && end == address + size;
    std::vector<uint8_t> words(aligned ? 0 : (size_t)(end - first));
    uint8_t *into = aligned ? bytes : words.data();
    for (uint64_t at = first; at < end; at += kMaxMemoryData) {
        size_t count = (size_t)std::min<uint64_t>(kMaxMemoryData, end - at);
        std::lock_guard<std::mutex> guard(mutex_);
        int32_t status = channel_.readMemory((uint32_t)at, into + (at - first), count);
        if (status < 0)
            return status;
    }
    if (!aligned)
        memcpy(bytes, &words[address - first], size);
    return 0;
}

int32_t GigeCamera::write(uint64_t address, const uint8_t *bytes, size_t size)
{
    if (size == 0)
        return 0;
    if (address >= kAddressSpace || size > kAddressSpace - address)
        return kStatusBeyond32Bits;
    if (address % kWord != 0 || size % kWord != 0)
        return kStatusUnaligned;
    std::lock_guard<std::mutex> guard(mutex_);
    int32_t status = mayWrite();
    return status < 0 ? status : writeWords((uint32_t)address, bytes, size);
}

// A word with WRITEREG; more with WRITEMEM where the camera has it, else a
// WRITEREG for each.
int32_t GigeCamera::writeWords(uint32_t address, const uint8_t *bytes, size_t size)
{
    if (size > kWord && writeMemory_ < 0) {
        uint32_t capability = 0;
        int32_t status = channel_.readRegister(kGvcpCapability, &capability);
        if (status < 0)
            return status;
        writeMemory_ = (capability & kCapabilityWriteMemory) != 0;
    }
    size_t piece = size > kWord && writeMemory_ == 1 ? kMaxMemoryData : kWord;
    for (size_t done = 0; done < size; done += piece) {
        size_t count = std::min(piece, size - done);
        int32_t status = count == kWord ? channel_.writeRegister(address + (uint32_t)done, getBe32(bytes + done))
                                        : channel_.writeMemory(address + (uint32_t)done, bytes + done, count);
        if (status == deviceStatus(kAccessDenied))
            inControl_ = false;
        if (status < 0)
            return status;
    }
    return 0;
}

int32_t GigeCamera::readRegister(uint32_t address, uint32_t *value)
{
    if (address % kWord != 0) {
        uint8_t bytes[4];
        int32_t status = read(address, bytes, sizeof bytes);
        if (status >= 0)
            *value = getBe32(bytes);
        return status;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    return channel_.readRegister(address, value);
}

int32_t GigeCamera::writeRegister(uint32_t address, uint32_t value)
{
    if (address % kWord != 0)
        return kStatusUnaligned;
    std::lock_guard<std::mutex> guard(mutex_);
    int32_t status = mayWrite();
    if (status < 0)
        return status;
    status = channel_.writeRegister(address, value);
    if (status == deviceStatus(kAccessDenied))
        inControl_ = false;
    return status;
}

} // namespace gige
} // namespace u3v

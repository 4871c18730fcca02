// An open GigE Vision camera.  Control is taken on open when no other
// application holds it, kept by a heartbeat while the camera is open, and
// given back on close; a camera another application controls can be read,
// and a write to it is refused (kStatusNotInControl) unless control can be
// taken by then.  The camera's registers are 32-bit words at addresses up
// to 0xFFFFFFFF, big-endian: memory is read in whole words (the bytes
// asked for taken from them) and written in whole aligned words only.
#ifndef QRVU3V_GIGECAMERA_H
#define QRVU3V_GIGECAMERA_H

#include "GigeDiscovery.h"
#include "GvcpChannel.h"
#include "Link.h"
#include "UdpTransport.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace u3v {
namespace gige {

// Bootstrap registers the SDK itself uses.
const uint32_t kGvcpCapability = 0x0934;
const uint32_t kHeartbeatTimeout = 0x0938;
const uint32_t kControlPrivilege = 0x0A00;
const uint32_t kCapabilityWriteMemory = 1u << 1;
const uint32_t kPrivilegeControl = 2;  // control access: write 2 to take it, 0 to give it back
const uint32_t kPrivilegeMask = 3;     // control or exclusive access

class GigeCamera : public CameraLink {
public:
    // The heartbeat's first beat, and the bounds of its period (a third of
    // the camera's heartbeat timeout).
    static constexpr int kFirstBeatMs = 100;
    static constexpr int kShortestBeatMs = 100;
    static constexpr int kLongestBeatMs = 1000;

    // Opens the camera at target; name (its serial, for messages) and
    // commandLimitMs as the channel takes it.  Null, with *status set,
    // when no socket can reach it or it does not answer.
    static std::unique_ptr<GigeCamera> open(const Target &target, const std::string &name, int commandLimitMs,
                                            int32_t *status);
    ~GigeCamera() override;

    int32_t read(uint64_t address, uint8_t *bytes, size_t size) override;
    int32_t write(uint64_t address, const uint8_t *bytes, size_t size) override;
    int32_t readRegister(uint32_t address, uint32_t *value) override;
    int32_t writeRegister(uint32_t address, uint32_t value) override;

    // Whether this process holds control of the camera now.
    bool inControl();

private:
    GigeCamera(const Target &target, const std::string &name, int commandLimitMs);

    int32_t takeControl();      // with mutex_ held
    int32_t mayWrite();         // with mutex_ held: takes control if it can
    void heartbeat();           // the heartbeat thread
    void startHeartbeat();      // with mutex_ held
    int32_t writeWords(uint32_t address, const uint8_t *bytes, size_t size);  // with mutex_ held

    Target target_;
    std::string name_;
    UdpTransport transport_;
    GvcpChannel channel_;
    std::mutex mutex_;  // the channel: one command at a time, the heartbeat's too
    std::condition_variable wake_;
    bool closing_ = false;
    bool inControl_ = false;
    int writeMemory_ = -1;  // whether WRITEMEM may be used; -1 until known
    std::thread heartbeat_;
};

} // namespace gige
} // namespace u3v

#endif

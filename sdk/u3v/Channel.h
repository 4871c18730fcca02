// The request/acknowledge channel of one camera: one command at a time,
// each answered by an acknowledge with the same request id.  It retries as
// a careful host does: a new request id for every command sent, stale
// acknowledges skipped, PENDING_ACK honoured, timeouts, short or malformed
// acknowledges and stalls tried again, a device that has gone or a device
// status reported at once (busy tried again while time remains).  No
// command, its tries, pending acknowledges and busy answers included, takes
// longer than the command limit.
#ifndef QRVU3V_CHANNEL_H
#define QRVU3V_CHANNEL_H

#include "ChannelParts.h"
#include "Transport.h"

#include <stdint.h>

#include <functional>
#include <vector>

namespace u3v {

class Channel {
public:
    // A line for the trace, without its newline.
    typedef u3v::TraceLine TraceLine;

    static constexpr int kTries = 3;
    static constexpr int kDefaultTimeoutMs = 50;  // before the device's own is known
    static constexpr int kTimeoutFloorMs = 10;
    static constexpr int kTimeoutCeilingMs = 60000;
    static constexpr int kTimeoutMarginMs = 20;
    static constexpr int kBusyPauseMs = 2;
    // The longest one command may take, from its first try to its last
    // acknowledge; then it fails with kStatusTimeout.
    static constexpr int kCommandLimitMs = 30000;
    // Transfer sizes before the device's maxima are known.
    static constexpr uint32_t kDefaultMaxLength = 64;

    // commandLimitMs: the bound on one command, at most kCommandLimitMs.
    Channel(Transport &transport, Clock &clock, TraceLine trace = TraceLine(), int commandLimitMs = kCommandLimitMs);

    // The device's maximum response time and largest command and
    // acknowledge, as its bootstrap registers give them; maxima beyond the
    // largest packet a header can describe are taken as that.  False, and
    // nothing changed, when the maxima are too small for a 4-byte read or
    // write.
    bool setLimits(uint32_t responseTimeMs, uint32_t maxCommand, uint32_t maxAck);

    // Reads size bytes at address, in as many commands as the device's
    // maxima need.  0, or a failure status (Status.h).
    int32_t read(uint64_t address, uint8_t *bytes, size_t size);
    // Writes size bytes at address; the device must report them all written.
    int32_t write(uint64_t address, const uint8_t *bytes, size_t size);

    // The request id the next command will carry.
    uint16_t nextRequestId() const { return ids_.next(); }
    void setNextRequestId(uint16_t id) { ids_.setNext(id); }

private:
    enum class Outcome { Done, Busy, Retry, Gone };

    int32_t inPieces(uint16_t command, uint64_t address, const uint8_t *data, uint8_t *out, size_t size, size_t piece);
    int32_t transact(uint16_t command, uint64_t address, const uint8_t *data, size_t size, uint8_t *out);
    Outcome await(uint16_t id, uint16_t expectedAck, size_t size, uint8_t *out, int64_t giveUpAtUs, int32_t *status);
    int32_t giveUp(uint16_t command, uint64_t address, int64_t begunUs);

    Transport &transport_;
    Clock &clock_;
    TraceLine trace_;
    int commandLimitMs_;
    RequestIds ids_;
    int timeoutMs_ = kDefaultTimeoutMs;
    uint32_t maxCommand_ = kDefaultMaxLength;
    uint32_t maxAck_ = kDefaultMaxLength;
    std::vector<uint8_t> buffer_;
};

// The command limit that QRV_U3V_COMMAND_LIMIT asks for: decimal
// milliseconds from 1 to Channel::kCommandLimitMs; anything else (or null)
// gives Channel::kCommandLimitMs.
int commandLimitFromText(const char *text);

// The command limit of this process, as QRV_U3V_COMMAND_LIMIT sets it.
int configuredCommandLimitMs();

} // namespace u3v

#endif

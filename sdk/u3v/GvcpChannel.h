// The control channel of one GigE Vision camera: one command at a time,
// each answered by an acknowledge with its request id.  A command that gets
// no usable acknowledge in time is sent again with the same id, three tries
// in all; acknowledges of another id or command are skipped; a PENDING_ACK
// moves the deadline; a busy device is asked again (a new command, a new
// id) while the tries' time lasts; a device status or a camera that has gone
// ends the command at once.  Nothing of an acknowledge is used before its
// command, id, length, status and echoed address are checked.  No command
// takes longer than the command limit, however often the camera promises
// an answer.
#ifndef QRVU3V_GVCPCHANNEL_H
#define QRVU3V_GVCPCHANNEL_H

#include "ChannelParts.h"
#include "Transport.h"

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <vector>

namespace u3v {
namespace gige {

class GvcpChannel {
public:
    // A line for the trace, without its newline.
    typedef u3v::TraceLine TraceLine;

    static constexpr int kTries = 3;
    static constexpr int kTryTimeoutMs = 500;
    static constexpr int kBusyPauseMs = 2;

    // commandLimitMs: the bound on one command, from its first try to its
    // acknowledge (1 to 30,000 ms).
    GvcpChannel(Transport &transport, Clock &clock, TraceLine trace, int commandLimitMs);

    // READREG of the register at address (a multiple of 4): the number it
    // holds.  0, or a failure status (Status.h).
    int32_t readRegister(uint32_t address, uint32_t *value);
    // WRITEREG of the register at address.
    int32_t writeRegister(uint32_t address, uint32_t value);
    // READMEM of count bytes at address, as the camera holds them; address
    // and count multiples of 4, count at most kMaxMemoryData.
    int32_t readMemory(uint32_t address, uint8_t *bytes, size_t count);
    // WRITEMEM of count bytes at address, alike.
    int32_t writeMemory(uint32_t address, const uint8_t *bytes, size_t count);

    // The request id the next command will carry.
    uint16_t nextRequestId() const { return ids_.next(); }
    void setNextRequestId(uint16_t id) { ids_.setNext(id); }

private:
    enum class Outcome { Done, Busy, Retry, Gone };
    // What a command's acknowledge must be: its code, its payload's length
    // on success, and the address it echoes first (READMEM only).
    struct Expected {
        uint16_t command;
        size_t length;
        bool echoesAddress;
        uint32_t address;
    };
    typedef std::function<std::vector<uint8_t>(uint16_t id)> Encoder;

    int32_t transact(uint16_t command, uint32_t address, size_t length, const Encoder &encode,
                     const Expected &expected, uint8_t *out);
    Outcome await(uint16_t id, const Expected &expected, uint8_t *out, int64_t giveUpAtUs, int32_t *status);

    Transport &transport_;
    Clock &clock_;
    TraceLine trace_;
    int commandLimitMs_;
    RequestIds ids_;
    std::vector<uint8_t> buffer_;
};

} // namespace gige
} // namespace u3v

#endif

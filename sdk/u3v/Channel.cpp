#include "Channel.h"

#include "Protocol.h"
#include "Status.h"

#include <errno.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

namespace u3v {

namespace {

// Room for an acknowledge: the device's maximum, and at least one
// SuperSpeed packet, so a device that sends more is seen as malformed
// rather than as an overflow.
const size_t kMinReceive = 1024;
const size_t kWriteAckPayload = 4;

const char *commandName(uint16_t command)
{
    return command == kReadMem ? "READMEM" : "WRITEMEM";
}

} // namespace

int commandLimitFromText(const char *text)
{
    if (text == nullptr || text[0] < '1' || text[0] > '9')
        return Channel::kCommandLimitMs;
    char *end = nullptr;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > Channel::kCommandLimitMs)
        return Channel::kCommandLimitMs;
    return (int)value;
}

int configuredCommandLimitMs()
{
    static const int limitMs = commandLimitFromText(getenv("QRV_U3V_COMMAND_LIMIT"));
    return limitMs;
}

Channel::Channel(Transport &transport, Clock &clock, TraceLine trace, int commandLimitMs)
    : transport_(transport), clock_(clock), trace_(trace),
      commandLimitMs_(std::min(std::max(commandLimitMs, 1), kCommandLimitMs)), buffer_(kMinReceive)
{
}

bool Channel::setLimits(uint32_t responseTimeMs, uint32_t maxCommand, uint32_t maxAck)
{
    if (maxCommand < std::max(readMemCommandSize(), writeMemCommandSize(4)) || maxAck < kHeaderSize + kWriteAckPayload)
        return false;
    uint32_t responseMs = std::min<uint32_t>(std::max<uint32_t>(responseTimeMs, kTimeoutFloorMs), kTimeoutCeilingMs);
    timeoutMs_ = (int)responseMs + kTimeoutMarginMs;
    // A device may claim any size; no packet is ever larger than this.
    maxCommand_ = std::min<uint32_t>(maxCommand, kLargestPacket);
    maxAck_ = std::min<uint32_t>(maxAck, kLargestPacket);
    buffer_.resize(std::max<size_t>(maxAck_, kMinReceive));
    return true;
}

int32_t Channel::read(uint64_t address, uint8_t *bytes, size_t size)
{
    return inPieces(kReadMem, address, nullptr, bytes, size, std::min<size_t>(maxAck_ - kHeaderSize, UINT16_MAX));
}

int32_t Channel::write(uint64_t address, const uint8_t *bytes, size_t size)
{
    return inPieces(kWriteMem, address, bytes, nullptr, size,
                    std::min(maxCommand_ - writeMemCommandSize(0), kLargestWriteData));
}

// One command per piece of at most the given size, in address order; the
// first failure ends it.
int32_t Channel::inPieces(uint16_t command, uint64_t address, const uint8_t *data, uint8_t *out, size_t size,
                          size_t piece)
{
    for (size_t done = 0; done < size; done += piece) {
        size_t length = std::min(piece, size - done);
        int32_t status = transact(command, address + done, data != nullptr ? data + done : nullptr, length,
                                  out != nullptr ? out + done : nullptr);
        if (status < 0)
            return status;
    }
    return 0;
}

// One command, tried until it is answered: kTries tries for timeouts,
// stalls and unusable acknowledges; a busy device again and again while
// the time those tries would take remains; all of it within the command
// limit.
int32_t Channel::transact(uint16_t command, uint64_t address, const uint8_t *data, size_t size, uint8_t *out)
{
    int64_t begun = clock_.nowUs();
    int64_t giveUpAt = begun + (int64_t)commandLimitMs_ * 1000;
    int64_t busyUntil = std::min(begun + (int64_t)kTries * timeoutMs_ * 1000, giveUpAt);
    int32_t failure = kStatusTimeout;
    for (int tries = 0; tries < kTries;) {
        if (clock_.nowUs() >= giveUpAt)
            return giveUp(command, address, begun);
        uint16_t id = ids_.take();
        std::vector<uint8_t> packet = command == kReadMem ? encodeReadMem(id, address, (uint16_t)size)
                                                          : encodeWriteMem(id, address, data, size);
        int64_t start = clock_.nowUs();
        int sendMs = msUntil(clock_, std::min(start + (int64_t)timeoutMs_ * 1000, giveUpAt));
        Transfer sent = transport_.send(packet.data(), packet.size(), sendMs);
        int32_t status = kStatusTransfer;
        Outcome outcome = Outcome::Retry;
        if (sent == Transfer::Ok) {
            outcome = await(id, command == kReadMem ? kReadMemAck : kWriteMemAck, size, out, giveUpAt, &status);
        } else if (sent == Transfer::Gone) {
            outcome = Outcome::Gone;
        } else if (sent == Transfer::Stall) {
            transport_.clearHalt(Endpoint::Out);
        } else if (sent == Transfer::Timeout) {
            status = kStatusTimeout;
        }
        if (outcome == Outcome::Gone)
            status = kStatusGone;
        traceTo(trace_,
                "transfer id=%u command=%s address=0x%" PRIX64 " length=%zu -> status=0x%08" PRIX32 " elapsed=%" PRId64
                "us",
                id, commandName(command), address, size, (uint32_t)status, clock_.nowUs() - start);

        switch (outcome) {
        case Outcome::Done:
        case Outcome::Gone:
            return status;
        case Outcome::Busy:
            if (clock_.nowUs() + kBusyPauseMs * 1000 < busyUntil) {
                clock_.sleepMs(kBusyPauseMs);
                break;
            }
            return busyUntil == giveUpAt ? giveUp(command, address, begun) : status;
        case Outcome::Retry:
            failure = status;
            tries++;
            break;
        }
    }
    return clock_.nowUs() >= giveUpAt ? giveUp(command, address, begun) : failure;
}

// The end of a command that reached the command limit.
int32_t Channel::giveUp(uint16_t command, uint64_t address, int64_t begunUs)
{
    traceTo(trace_, "command=%s address=0x%" PRIX64 " given up after %" PRId64 " ms: a command may take %d ms at most",
            commandName(command), address, (clock_.nowUs() - begunUs) / 1000, commandLimitMs_);
    return kStatusTimeout;
}

// Reads acknowledges for the command with this request id until its own
// comes, skipping stale ones, until the deadline (which a PENDING_ACK moves,
// never beyond giveUpAtUs).
Channel::Outcome Channel::await(uint16_t id, uint16_t expectedAck, size_t size, uint8_t *out, int64_t giveUpAtUs,
                                int32_t *status)
{
    int64_t deadline = std::min(clock_.nowUs() + (int64_t)timeoutMs_ * 1000, giveUpAtUs);
    for (;;) {
        *status = kStatusTimeout;
        if (clock_.nowUs() >= deadline)
            return Outcome::Retry;
        size_t received = 0;
        Transfer got = transport_.receive(buffer_.data(), buffer_.size(), &received, msUntil(clock_, deadline));
        *status = kStatusTransfer;
        if (got == Transfer::Gone)
            return Outcome::Gone;
        if (got == Transfer::Stall)
            transport_.clearHalt(Endpoint::In);
        if (got == Transfer::Timeout)
            *status = kStatusTimeout;
        if (got != Transfer::Ok)
            return Outcome::Retry;

        Ack ack;
        *status = kStatusMalformed;
        if (!decodeAck(buffer_.data(), received, &ack))
            return Outcome::Retry;
        if (ack.requestId != id) {
            traceTo(trace_, "stale acknowledge id=%u (waiting for %u)", ack.requestId, id);
            continue;
        }
        if (ack.ackId == kPendingAck) {
            uint16_t waitMs;
            if (!pendingTimeout(ack, &waitMs))
                return Outcome::Retry;
            traceTo(trace_, "pending acknowledge id=%u: %u ms more", id, waitMs);
            deadline = std::min(clock_.nowUs() + (int64_t)waitMs * 1000, giveUpAtUs);
            continue;
        }
        if (ack.ackId != expectedAck) {
            traceTo(trace_, "stale acknowledge id=%u of command 0x%04X", id, ack.ackId);
            continue;
        }
        if (ack.status != kGencpSuccess) {
            *status = deviceStatus(ack.status);
            return ack.status == kGencpBusy ? Outcome::Busy : Outcome::Done;
        }
        if (expectedAck == kReadMemAck) {
            if (ack.length != size)
                return Outcome::Retry;
            memcpy(out, ack.payload, size);
            *status = 0;
            return Outcome::Done;
        }
        uint16_t written;
        if (!bytesWritten(ack, &written))
            return Outcome::Retry;
        *status = written == size ? 0 : kStatusShortWrite;
        return Outcome::Done;
    }
}

} // namespace u3v

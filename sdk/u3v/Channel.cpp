#include "Channel.h"

#include "Protocol.h"
#include "Status.h"

#include <inttypes.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

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

Channel::Channel(Transport &transport, Clock &clock, TraceLine trace)
    : transport_(transport), clock_(clock), trace_(trace), buffer_(kMinReceive)
{
}

bool Channel::setLimits(uint32_t responseTimeMs, uint32_t maxCommand, uint32_t maxAck)
{
    if (maxCommand < std::max(readMemCommandSize(), writeMemCommandSize(4)) || maxAck < kHeaderSize + kWriteAckPayload)
        return false;
    timeoutMs_ = (int)std::min<uint32_t>(std::max<uint32_t>(responseTimeMs, kTimeoutFloorMs), 60000) + kTimeoutMarginMs;
    maxCommand_ = maxCommand;
    maxAck_ = maxAck;
    buffer_.resize(std::max<size_t>(maxAck, kMinReceive));
    return true;
}

void Channel::trace(const char *format, ...)
{
    if (!trace_)
        return;
    char line[256];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    trace_(line);
}

uint16_t Channel::takeRequestId()
{
    uint16_t id = nextId_;
    nextId_ = nextId_ == 0xFFFF ? 1 : nextId_ + 1;
    return id;
}

int32_t Channel::read(uint64_t address, uint8_t *bytes, size_t size)
{
    return inPieces(kReadMem, address, nullptr, bytes, size, maxAck_ - kHeaderSize);
}

int32_t Channel::write(uint64_t address, const uint8_t *bytes, size_t size)
{
    return inPieces(kWriteMem, address, bytes, nullptr, size, maxCommand_ - writeMemCommandSize(0));
}

// One command per piece of at most the given size (and what the 16-bit
// length field holds), in address order; the first failure ends it.
int32_t Channel::inPieces(uint16_t command, uint64_t address, const uint8_t *data, uint8_t *out, size_t size,
                          size_t piece)
{
    piece = std::min<size_t>(piece, UINT16_MAX);
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
// the time those tries would take remains.
int32_t Channel::transact(uint16_t command, uint64_t address, const uint8_t *data, size_t size, uint8_t *out)
{
    int64_t busyUntil = clock_.nowUs() + (int64_t)kTries * timeoutMs_ * 1000;
    int32_t failure = kStatusTimeout;
    for (int tries = 0; tries < kTries;) {
        uint16_t id = takeRequestId();
        std::vector<uint8_t> packet = command == kReadMem ? encodeReadMem(id, address, (uint16_t)size)
                                                          : encodeWriteMem(id, address, data, size);
        int64_t start = clock_.nowUs();
        Transfer sent = transport_.send(packet.data(), packet.size(), timeoutMs_);
        int32_t status = kStatusTransfer;
        Outcome outcome = Outcome::Retry;
        if (sent == Transfer::Ok) {
            outcome = await(id, command == kReadMem ? kReadMemAck : kWriteMemAck, size, out, &status);
        } else if (sent == Transfer::Gone) {
            outcome = Outcome::Gone;
        } else if (sent == Transfer::Stall) {
            transport_.clearHalt(Endpoint::Out);
        } else if (sent == Transfer::Timeout) {
            status = kStatusTimeout;
        }
        if (outcome == Outcome::Gone)
            status = kStatusGone;
        trace("transfer id=%u command=%s address=0x%" PRIX64 " length=%zu -> status=0x%08" PRIX32 " elapsed=%" PRId64
              "us",
              id, commandName(command), address, size, (uint32_t)status, clock_.nowUs() - start);

        switch (outcome) {
        case Outcome::Done:
        case Outcome::Gone:
            return status;
        case Outcome::Busy:
            if (clock_.nowUs() + kBusyPauseMs * 1000 >= busyUntil)
                return status;
            clock_.sleepMs(kBusyPauseMs);
            break;
        case Outcome::Retry:
            failure = status;
            tries++;
            break;
        }
    }
    return failure;
}

// Reads acknowledges for the command with this request id until its own
// comes, skipping stale ones, until the deadline (which a PENDING_ACK moves).
Channel::Outcome Channel::await(uint16_t id, uint16_t expectedAck, size_t size, uint8_t *out, int32_t *status)
{
    int64_t deadline = clock_.nowUs() + (int64_t)timeoutMs_ * 1000;
    for (;;) {
        int64_t remainingUs = deadline - clock_.nowUs();
        *status = kStatusTimeout;
        if (remainingUs <= 0)
            return Outcome::Retry;
        size_t received = 0;
        int remainingMs = (int)((remainingUs + 999) / 1000);
        Transfer got = transport_.receive(buffer_.data(), buffer_.size(), &received, remainingMs);
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
            trace("stale acknowledge id=%u (waiting for %u)", ack.requestId, id);
            continue;
        }
        if (ack.ackId == kPendingAck) {
            uint16_t waitMs;
            if (!pendingTimeout(ack, &waitMs))
                return Outcome::Retry;
            trace("pending acknowledge id=%u: %u ms more", id, waitMs);
            deadline = clock_.nowUs() + (int64_t)waitMs * 1000;
            continue;
        }
        if (ack.ackId != expectedAck) {
            trace("stale acknowledge id=%u of command 0x%04X", id, ack.ackId);
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

#include "GvcpChannel.h"

#include "Gvcp.h"
#include "Status.h"

#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace u3v {
namespace gige {

namespace {

const char *commandName(uint16_t command)
{
    switch (command) {
    case kReadReg:
        return "READREG";
    case kWriteReg:
        return "WRITEREG";
    case kReadMem:
        return "READMEM";
    default:
        return "WRITEMEM";
    }
}

// The acknowledges of WRITEREG and WRITEMEM carry 16 reserved bits and a
// 16-bit index; on success the index is not used (devices differ in what
// they put there).
const size_t kWriteAckLength = 4;
const size_t kEchoedAddressSize = 4;

} // namespace

GvcpChannel::GvcpChannel(Transport &transport, Clock &clock, TraceLine trace, int commandLimitMs)
    : transport_(transport), clock_(clock), trace_(trace), commandLimitMs_(std::max(commandLimitMs, 1)),
      buffer_(kMaxPacket)
{
}

int32_t GvcpChannel::readRegister(uint32_t address, uint32_t *value)
{
    uint8_t bytes[4];
    int32_t status = transact(kReadReg, address, 4, [address](uint16_t id) { return encodeReadReg(id, address); },
                              {kReadRegAck, 4, false, 0}, bytes);
    if (status >= 0)
        *value = getBe32(bytes);
    return status;
}

int32_t GvcpChannel::writeRegister(uint32_t address, uint32_t value)
{
    return transact(kWriteReg, address, 4,
                    [address, value](uint16_t id) { return encodeWriteReg(id, address, value); },
                    {kWriteRegAck, kWriteAckLength, false, 0}, nullptr);
}

int32_t GvcpChannel::readMemory(uint32_t address, uint8_t *bytes, size_t count)
{
    return transact(kReadMem, address, count,
                    [address, count](uint16_t id) { return encodeReadMem(id, address, (uint16_t)count); },
                    {kReadMemAck, kEchoedAddressSize + count, true, address}, bytes);
}

int32_t GvcpChannel::writeMemory(uint32_t address, const uint8_t *bytes, size_t count)
{
    return transact(kWriteMem, address, count,
                    [address, bytes, count](uint16_t id) { return encodeWriteMem(id, address, bytes, count); },
                    {kWriteMemAck, kWriteAckLength, false, 0}, nullptr);
}

// One command: sent again with its id while tries remain, as a new command
// after a busy answer while the tries' time remains, all within the limit.
int32_t GvcpChannel::transact(uint16_t command, uint32_t address, size_t length, const Encoder &encode,
                              const Expected &expected, uint8_t *out)
{
    int64_t begun = clock_.nowUs();
    int64_t giveUpAt = begun + (int64_t)commandLimitMs_ * 1000;
    int64_t busyUntil = std::min(begun + (int64_t)kTries * kTryTimeoutMs * 1000, giveUpAt);
    uint16_t id = ids_.take();
    std::vector<uint8_t> packet = encode(id);
    int32_t failure = kStatusTimeout;
    int tries = 0;
    while (tries < kTries && clock_.nowUs() < giveUpAt) {
        int64_t start = clock_.nowUs();
        Transfer sent = transport_.send(packet.data(), packet.size(), msUntil(clock_, giveUpAt));
        int32_t status = sent == Transfer::Timeout ? kStatusTimeout : kStatusTransfer;
        Outcome outcome = sent == Transfer::Gone ? Outcome::Gone : Outcome::Retry;
        if (sent == Transfer::Ok)
            outcome = await(id, expected, out, giveUpAt, &status);
        if (outcome == Outcome::Gone)
            status = kStatusGone;
        traceTo(trace_,
                "gvcp id=%u command=%s address=0x%" PRIX32 " length=%zu -> status=0x%08" PRIX32 " elapsed=%" PRId64 "us",
                id, commandName(command), address, length, (uint32_t)status, clock_.nowUs() - start);
        if (outcome == Outcome::Done || outcome == Outcome::Gone)
            return status;
        if (outcome == Outcome::Busy) {
            if (clock_.nowUs() + kBusyPauseMs * 1000 >= busyUntil)
                return status;
            clock_.sleepMs(kBusyPauseMs);
            id = ids_.take();
            packet = encode(id);
            continue;
        }
        failure = status;
        tries++;
    }
    if (clock_.nowUs() >= giveUpAt) {
        traceTo(trace_,
                "command=%s address=0x%" PRIX32 " given up after %" PRId64 " ms: a command may take %d ms at most",
                commandName(command), address, (clock_.nowUs() - begun) / 1000, commandLimitMs_);
        return kStatusTimeout;
    }
    return failure;
}

// Reads datagrams until the acknowledge of this id comes, skipping those of
// another id or command, until the deadline (which a PENDING_ACK moves,
// never beyond giveUpAtUs).
GvcpChannel::Outcome GvcpChannel::await(uint16_t id, const Expected &expected, uint8_t *out, int64_t giveUpAtUs,
                                        int32_t *status)
{
    int64_t deadline = std::min(clock_.nowUs() + (int64_t)kTryTimeoutMs * 1000, giveUpAtUs);
    for (;;) {
        *status = kStatusTimeout;
        if (clock_.nowUs() >= deadline)
            return Outcome::Retry;
        size_t received = 0;
        Transfer got = transport_.receive(buffer_.data(), buffer_.size(), &received, msUntil(clock_, deadline));
        if (got == Transfer::Gone)
            return Outcome::Gone;
        if (got == Transfer::Timeout)
            return Outcome::Retry;
        *status = kStatusTransfer;
        if (got != Transfer::Ok)
            return Outcome::Retry;

        Ack ack;
        *status = kStatusMalformed;
        if (!decodeAck(buffer_.data(), received, &ack)) {
            traceTo(trace_, "malformed acknowledge of %zu bytes (waiting for id %u)", received, id);
            return Outcome::Retry;
        }
        if (ack.requestId != id) {
            traceTo(trace_, "stale acknowledge id=%u (waiting for %u)", ack.requestId, id);
            continue;
        }
        if (ack.command == kPendingAck) {
            uint16_t waitMs;
            if (!pendingWaitMs(ack, &waitMs))
                return Outcome::Retry;
            traceTo(trace_, "pending acknowledge id=%u: %u ms more", id, waitMs);
            deadline = std::min(clock_.nowUs() + (int64_t)waitMs * 1000, giveUpAtUs);
            continue;
        }
        if (ack.command != expected.command) {
            traceTo(trace_, "stale acknowledge id=%u of command 0x%04X", id, ack.command);
            continue;
        }
        if (ack.status != kSuccess) {
            *status = deviceStatus(ack.status);
            return ack.status == kBusy ? Outcome::Busy : Outcome::Done;
        }
        if (ack.length != expected.length ||
            (expected.echoesAddress && getBe32(ack.payload) != expected.address)) {
            traceTo(trace_, "unusable acknowledge id=%u: %u bytes of payload, %zu expected", id, ack.length,
                    expected.length);
            return Outcome::Retry;
        }
        if (out != nullptr) {
            size_t skip = expected.echoesAddress ? kEchoedAddressSize : 0;
            memcpy(out, ack.payload + skip, expected.length - skip);
        }
        *status = 0;
        return Outcome::Done;
    }
}

} // namespace gige
} // namespace u3v

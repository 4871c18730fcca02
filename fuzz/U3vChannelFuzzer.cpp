// Fuzzes the open SDK's control channel on the scripted device of its unit
// tests: the input sets the device's maxima and the command limit, the reads
// and writes asked for, and every transfer outcome, delay and acknowledge
// (its request id, command, status, length field, payload, truncation).
// Checked on every run:
// - a read that succeeds holds exactly the bytes of acknowledges with the
//   right request id and command (the device's other acknowledges carry
//   other bytes), and a write that succeeds had each piece confirmed whole;
// - every failure is one of the channel's documented statuses;
// - no command takes longer than the command limit (plus the one
//   millisecond a transfer's timeout is rounded up by);
// - nothing sent is larger than the device's maximum command, no READMEM
//   asks for more than its maximum acknowledge holds, every length field
//   is its packet's, and every WRITEMEM carries the caller's bytes.
#include "../tests/U3vFakeDevice.h"
#include "Channel.h"
#include "FuzzBytes.h"
#include "Status.h"

#include <stdio.h>
#include <stdlib.h>

#include <set>

using namespace u3v;

namespace {

const size_t kMaxOperations = 4;
const size_t kMaxSteps = 64;
const size_t kMaxSends = 128;  // then the device is gone: every run ends soon
const uint32_t kMaxOperationSize = 131071;

[[noreturn]] void fault(const char *what, uint64_t detail = 0)
{
    fprintf(stderr, "channel: %s (%llu)\n", what, (unsigned long long)detail);
    abort();
}

// The byte loops below are not what is fuzzed: without coverage they
// cost a tenth as much.
#if defined(__clang__)
#define NOT_FUZZED __attribute__((no_sanitize("coverage"), noinline))
#else
#define NOT_FUZZED
#endif

// The bytes the device holds at an address (and a caller writes there).
uint8_t pattern(uint64_t address)
{
    return (uint8_t)(address ^ address >> 8 ^ address >> 16 ^ 0xA5);
}

// Fills bytes with the pattern from an address on, each byte xored with mask.
NOT_FUZZED void fill(uint8_t *bytes, size_t size, uint64_t address, uint8_t mask)
{
    for (size_t k = 0; k < size; k++)
        bytes[k] = (uint8_t)(pattern(address + k) ^ mask);
}

// Whether bytes hold the pattern from an address on.
NOT_FUZZED bool holdsPattern(const uint8_t *bytes, size_t size, uint64_t address)
{
    for (size_t k = 0; k < size; k++)
        if (bytes[k] != pattern(address + k))
            return false;
    return true;
}

// What one acknowledge is made of, relative to the command it answers.
struct AckPlan {
    uint8_t idMode = 0, ackMode = 0, statusMode = 0;
    uint16_t randomId = 0, randomAck = 0, randomStatus = 0, pendingMs = 0;
    bool randomLength = false;
    uint16_t length = 0;
    size_t cut = 0;
    bool badPrefix = false;
    bool wrongCount = false;  // a WRITEMEM acknowledge's count of bytes written
    uint8_t mask = 1;  // how an acknowledge's wrong payload differs
};

AckPlan planAck(FuzzBytes &in)
{
    AckPlan plan;
    uint8_t modes = in.byte();
    plan.idMode = modes & 3;
    plan.ackMode = modes >> 2 & 3;
    plan.statusMode = modes >> 4 & 3;
    plan.randomLength = modes & 0x40;
    if (plan.idMode == 3)
        plan.randomId = in.u16();
    if (plan.ackMode == 1)
        plan.pendingMs = in.u16();
    if (plan.ackMode == 3)
        plan.randomAck = in.u16();
    if (plan.statusMode == 2)
        plan.randomStatus = in.u16();
    if (plan.randomLength)
        plan.length = in.u16();
    if (modes & 0x80) {
        uint8_t damage = in.byte();
        plan.cut = damage & 0x3F;
        plan.badPrefix = damage & 0x40;
        plan.wrongCount = damage & 0x80;
    }
    plan.mask = (uint8_t)(in.byte() | 1);
    return plan;
}

// The device: the unit tests' scripted one, which also keeps what the
// invariants need.
class Device : public FakeDevice {
public:
    Device(FakeClock &clock, int limitMs) : FakeDevice(clock), clock_(clock), limitMs_(limitMs) {}

    Transfer send(const uint8_t *bytes, size_t size, int timeoutMs) override
    {
        if (size < kHeaderSize + kAddressSize || get16(bytes + 8) + kHeaderSize != size)
            fault("a length field that is not its packet's", size);
        if (size > maxCommand)
            fault("a command beyond the device's maximum", size);
        uint16_t command = get16(bytes + 6);
        uint64_t address = get64(bytes + 12);
        if (command == kReadMem && get16(bytes + 22) + kHeaderSize > maxAck)
            fault("a READMEM beyond the device's maximum acknowledge", get16(bytes + 22));
        size_t dataAt = kHeaderSize + kAddressSize;
        if (command == kWriteMem && !holdsPattern(bytes + dataAt, size - dataAt, address))
            fault("a WRITEMEM with other bytes than the caller's", address);
        if (address != commandAddress_ || !inCommand_)
            startCommand(address);
        sentAddresses.insert(address);
        if (sent.size() >= kMaxSends)
            return Transfer::Gone;
        return FakeDevice::send(bytes, size, timeoutMs);
    }

    // A new operation: what it sends starts a new command.
    void startOperation()
    {
        endCommand();
        sentAddresses.clear();
        confirmed.clear();
    }
    // The command under way has ended.
    void endCommand()
    {
        if (inCommand_ && clock_.now - commandStart_ > (int64_t)limitMs_ * 1000 + 1000)
            fault("a command longer than the command limit", (uint64_t)(clock_.now - commandStart_));
        inCommand_ = false;
    }

    // The acknowledge a plan makes for a command; a whole, right one
    // confirms the command's address.
    Bytes acknowledge(const AckPlan &plan, const Bytes &command)
    {
        uint16_t commandId = get16(&command[6]);
        uint16_t expectedAck = commandId == kReadMem ? kReadMemAck : kWriteMemAck;
        uint16_t rightId = requestIdOf(command);
        uint64_t address = get64(&command[12]);
        uint16_t requested = commandId == kReadMem ? get16(&command[22]) : 4;
        const uint16_t ids[] = {rightId, (uint16_t)(rightId - 1), (uint16_t)(rightId + 1), plan.randomId};
        const uint16_t acks[] = {expectedAck, kPendingAck, (uint16_t)(expectedAck ^ 2), plan.randomAck};
        const uint16_t statuses[] = {0, kGencpBusy, plan.randomStatus, 0};
        uint16_t id = ids[plan.idMode], ackId = acks[plan.ackMode], status = statuses[plan.statusMode];
        uint16_t length = plan.randomLength ? plan.length : requested;
        bool wrongCount = plan.wrongCount && commandId == kWriteMem;
        bool right = id == rightId && ackId == expectedAck && status == 0 && length == requested && plan.cut == 0 &&
                     !plan.badPrefix && !wrongCount;
        Bytes payload(length);
        if (ackId == kPendingAck && length >= 4) {
            put16(&payload[2], plan.pendingMs);
        } else if (commandId == kReadMem) {
            fill(payload.data(), length, address, right ? 0 : plan.mask);
        } else if (length >= 4) {
            size_t data = command.size() - writeMemCommandSize(0);
            put16(&payload[2], (uint16_t)(right ? data : data ^ plan.mask));
        }
        if (right)
            confirmed.insert(address);
        Bytes packet = ack(status, ackId, id, payload);
        if (plan.badPrefix)
            packet[0] ^= 1;
        packet.resize(packet.size() - std::min(plan.cut, packet.size()));
        return packet;
    }

    uint32_t maxCommand = Channel::kDefaultMaxLength;
    uint32_t maxAck = Channel::kDefaultMaxLength;
    std::set<uint64_t> sentAddresses;  // by this operation
    std::set<uint64_t> confirmed;      // addresses with a whole, right acknowledge

private:
    void startCommand(uint64_t address)
    {
        endCommand();
        inCommand_ = true;
        commandAddress_ = address;
        commandStart_ = clock_.now;
    }

    FakeClock &clock_;
    int limitMs_;
    bool inCommand_ = false;
    uint64_t commandAddress_ = 0;
    int64_t commandStart_ = 0;
};

bool documented(int32_t status)
{
    const int32_t statuses[] = {kStatusTimeout, kStatusGone, kStatusTransfer, kStatusMalformed, kStatusShortWrite};
    for (int32_t known : statuses)
        if (status == known)
            return true;
    return ((uint32_t)status & 0xFFFF0000) == (uint32_t)kStatusDevice && (status & 0xFFFF) != 0;
}

Transfer outcome(uint8_t code)
{
    const Transfer outcomes[] = {Transfer::Ok, Transfer::Ok, Transfer::Ok, Transfer::Ok,
                                 Transfer::Timeout, Transfer::Stall, Transfer::Gone, Transfer::Error};
    return outcomes[code & 7];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzBytes in(data, size);
    uint8_t flags = in.byte();
    uint32_t responseTimeMs = in.u16(), maxCommand = in.u32(), maxAck = in.u32();
    int limitMs = flags & 2 ? in.u16() % Channel::kCommandLimitMs + 1 : Channel::kCommandLimitMs;

    FakeClock clock;
    Device device(clock, limitMs);
    Channel channel(device, clock, Channel::TraceLine(), limitMs);
    if ((flags & 1) && channel.setLimits(responseTimeMs, maxCommand, maxAck)) {
        device.maxCommand = maxCommand;
        device.maxAck = maxAck;
    }
    struct Operation {
        bool write;
        uint64_t address;
        uint32_t size;
    };
    Operation operations[kMaxOperations];
    size_t count = in.byte() % kMaxOperations + 1;
    for (size_t k = 0; k < count; k++) {
        uint8_t kind = in.byte();
        uint64_t address = (uint64_t)in.u32() | (uint64_t)(kind >> 4) << 60;
        uint32_t length = (uint32_t)in.u16() | (uint32_t)(kind >> 1 & 1) << 16;
        operations[k] = {(kind & 1) != 0, address, std::min(length, kMaxOperationSize)};
    }
    for (size_t k = in.byte() % 4; k > 0; k--)
        device.sendResults.push_back(outcome(in.byte()));
    while (!in.empty() && device.steps.size() < kMaxSteps) {
        Step step;
        step.result = outcome(in.byte());
        uint8_t delay = in.byte();
        step.delayMs = delay * delay;
        AckPlan plan = planAck(in);
        step.reply = [&device, plan](const Bytes &command) { return device.acknowledge(plan, command); };
        device.steps.push_back(step);
    }

    for (size_t k = 0; k < count; k++) {
        const Operation &op = operations[k];
        std::vector<uint8_t> bytes(op.size);
        fill(bytes.data(), op.size, op.address, op.write ? 0 : 0xFF);
        device.startOperation();
        int32_t status = op.write ? channel.write(op.address, bytes.data(), op.size)
                                  : channel.read(op.address, bytes.data(), op.size);
        device.endCommand();
        if (status < 0 && !documented(status))
            fault("an undocumented status", (uint32_t)status);
        if (status != 0 && status >= 0)
            fault("a success other than 0", (uint32_t)status);
        if (status != 0)
            continue;
        for (uint64_t address : device.sentAddresses)
            if (device.confirmed.count(address) == 0)
                fault("success without a right acknowledge", address);
        if (!op.write && !holdsPattern(bytes.data(), op.size, op.address))
            fault("a read that returned other bytes than the device's", op.address);
        for (size_t capacity : device.capacities)
            if (capacity > kLargestPacket)
                fault("a receive larger than a packet can be", capacity);
    }
    return 0;
}

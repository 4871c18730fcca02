// Fuzzes the GigE Vision control channel on the scripted device of the
// open SDK's unit tests: the input sets the command limit, the register and
// memory commands asked for, and every transfer outcome, delay and
// acknowledge (its request id, code, status, length field, payload, echoed
// address, padding or truncation).  Checked on every run:
// - a command that succeeds had an acknowledge of its id and code, of
//   success and of exactly the length it needs, and what it read is that
//   acknowledge's (the device's other acknowledges carry other bytes);
// - every failure is one of the channel's documented statuses;
// - no command takes longer than the command limit (plus the millisecond a
//   timeout is rounded up by);
// - every command sent is the standard's: key 0x42, acknowledge asked
//   for, a length field that is its own, an id that is never 0, and a
//   resend is the same bytes.
#include "../tests/U3vFakeDevice.h"
#include "FuzzBytes.h"
#include "Gvcp.h"
#include "GvcpChannel.h"
#include "Status.h"

#include <stdio.h>
#include <stdlib.h>

using namespace u3v;
using namespace u3v::gige;

namespace {

// GigE Vision's, not USB3 Vision's of the same names.
using u3v::gige::kHeaderSize;
using u3v::gige::kPendingAck;
using u3v::gige::kReadMem;

const size_t kMaxOperations = 4;
const size_t kMaxSteps = 48;
const size_t kMaxSends = 96;  // then the camera is gone: every run ends soon

[[noreturn]] void fault(const char *what, uint64_t detail = 0)
{
    fprintf(stderr, "gige channel: %s (%llu)\n", what, (unsigned long long)detail);
    abort();
}

uint8_t pattern(uint32_t address, size_t k)
{
    return (uint8_t)((address + k) ^ (address + k) >> 8 ^ 0x5A);
}

// What one acknowledge is made of, relative to the command it answers.
struct AckPlan {
    uint8_t idMode = 0, codeMode = 0, statusMode = 0;
    uint16_t random = 0, pendingMs = 0;
    int lengthChange = 0;  // added to the payload's length
    int sizeChange = 0;    // bytes cut (negative) or padded after the length field's
    bool otherAddress = false;
};

AckPlan planAck(FuzzBytes &in)
{
    AckPlan plan;
    uint8_t modes = in.byte();
    plan.idMode = modes & 3;
    plan.codeMode = modes >> 2 & 3;
    plan.statusMode = modes >> 4 & 3;
    if (modes & 0x40) {
        uint8_t damage = in.byte();
        plan.lengthChange = (damage & 0x0F) - 8;
        plan.sizeChange = (damage >> 4) - 8;
        plan.otherAddress = damage & 1;
    }
    if (plan.idMode == 3 || plan.codeMode == 3 || plan.statusMode == 2)
        plan.random = in.u16();
    if (plan.codeMode == 1)
        plan.pendingMs = in.u16() % 4000;
    return plan;
}

class Device : public FakeDevice {
public:
    Device(FakeClock &clock, int limitMs) : FakeDevice(clock), clock_(clock), limitMs_(limitMs) {}

    Transfer send(const uint8_t *bytes, size_t size, int timeoutMs) override
    {
        if (size < kHeaderSize || bytes[0] != kKey || bytes[1] != kFlagAckRequired ||
            getBe16(bytes + 4) + kHeaderSize != size || getBe16(bytes + 6) == 0)
            fault("a command that is not the standard's", size);
        if (!sent.empty() && getBe16(bytes + 6) == getBe16(&sent.back()[6]) &&
            Bytes(bytes, bytes + size) != sent.back())
            fault("a resend that differs from the command", size);
        if (sent.size() >= kMaxSends)
            return Transfer::Gone;
        return FakeDevice::send(bytes, size, timeoutMs);
    }

    Bytes acknowledge(const AckPlan &plan, const Bytes &command)
    {
        uint16_t code = getBe16(&command[2]), id = getBe16(&command[6]);
        uint32_t address = getBe32(&command[8]);
        size_t needed = code == kReadReg ? 4 : code == kReadMem ? 4 + getBe16(&command[14]) : 4;
        const uint16_t ids[] = {id, (uint16_t)(id - 1), (uint16_t)(id + 1), plan.random};
        const uint16_t codes[] = {(uint16_t)(code + 1), kPendingAck, (uint16_t)(code ^ 4), plan.random};
        const uint16_t statuses[] = {kSuccess, kBusy, plan.random, kSuccess};
        uint16_t ackCode = codes[plan.codeMode];
        size_t length = ackCode == kPendingAck ? 4 : needed;
        length = (size_t)std::max(0, (int)length + plan.lengthChange);
        bool right = ids[plan.idMode] == id && ackCode == code + 1 && statuses[plan.statusMode] == kSuccess &&
                     length == needed && plan.sizeChange == 0 && !(plan.otherAddress && code == kReadMem);
        Bytes packet(kHeaderSize + length, 0);
        putBe16(&packet[0], statuses[plan.statusMode]);
        putBe16(&packet[2], ackCode);
        putBe16(&packet[4], (uint16_t)length);
        putBe16(&packet[6], ids[plan.idMode]);
        if (ackCode == kPendingAck && length >= 4)
            putBe16(&packet[kHeaderSize + 2], plan.pendingMs);
        else {
            size_t dataAt = code == kReadMem ? 4 : 0;
            if (code == kReadMem && length >= 4)
                putBe32(&packet[kHeaderSize], plan.otherAddress ? address + 4 : address);
            for (size_t k = dataAt; k < length; k++)
                packet[kHeaderSize + k] = (uint8_t)(pattern(address, k - dataAt) ^ (right ? 0 : 0xFF));
        }
        if (plan.sizeChange < 0)
            packet.resize(packet.size() - std::min(packet.size(), (size_t)-plan.sizeChange));
        else
            packet.resize(packet.size() + (size_t)plan.sizeChange, 0);
        if (right)
            rightAnswers++;
        return packet;
    }

    // A command begins and ends: no longer than the limit.
    void begin() { start_ = clock_.now; }
    void end()
    {
        if (clock_.now - start_ > (int64_t)limitMs_ * 1000 + 1000)
            fault("a command longer than the command limit", (uint64_t)(clock_.now - start_));
    }

    size_t rightAnswers = 0;

private:
    FakeClock &clock_;
    int limitMs_;
    int64_t start_ = 0;
};

bool documented(int32_t status)
{
    for (int32_t known : {kStatusTimeout, kStatusGone, kStatusTransfer, kStatusMalformed})
        if (status == known)
            return true;
    return ((uint32_t)status & 0xFFFF0000) == (uint32_t)kStatusDevice && (status & 0xFFFF) != 0;
}

Transfer outcome(uint8_t code)
{
    const Transfer outcomes[] = {Transfer::Ok, Transfer::Ok, Transfer::Ok, Transfer::Ok,
                                 Transfer::Ok, Transfer::Timeout, Transfer::Gone, Transfer::Error};
    return outcomes[code & 7];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzBytes in(data, size);
    int limitMs = in.u16() % 30000 + 1;
    FakeClock clock;
    Device device(clock, limitMs);
    GvcpChannel channel(device, clock, GvcpChannel::TraceLine(), limitMs);
    channel.setNextRequestId(in.u16());
    struct Operation {
        uint8_t kind;
        uint32_t address;
        size_t count;
    };
    Operation operations[kMaxOperations];
    size_t count = in.byte() % kMaxOperations + 1;
    for (size_t k = 0; k < count; k++) {
        uint8_t kind = in.byte() & 3;
        uint32_t address = in.u32() & ~3u;
        size_t words = in.byte() % (kMaxMemoryData / 4) + 1;
        operations[k] = {kind, address, kind >= 2 ? words * 4 : 4};
    }
    while (!in.empty() && device.steps.size() < kMaxSteps) {
        Step step;
        step.result = outcome(in.byte());
        uint8_t delay = in.byte();
        step.delayMs = delay * 4;
        AckPlan plan = planAck(in);
        step.reply = [&device, plan](const Bytes &command) { return device.acknowledge(plan, command); };
        device.steps.push_back(step);
    }

    for (size_t k = 0; k < count; k++) {
        const Operation &op = operations[k];
        Bytes bytes(op.count, 0xEE);
        uint32_t value = 0;
        size_t rightBefore = device.rightAnswers;
        device.begin();
        int32_t status = op.kind == 0   ? channel.readRegister(op.address, &value)
                         : op.kind == 1 ? channel.writeRegister(op.address, 0x01020304)
                         : op.kind == 2 ? channel.readMemory(op.address, bytes.data(), op.count)
                                        : channel.writeMemory(op.address, bytes.data(), op.count);
        device.end();
        if (status < 0 && !documented(status))
            fault("an undocumented status", (uint32_t)status);
        if (status > 0)
            fault("a success other than 0", (uint32_t)status);
        if (status != 0)
            continue;
        if (device.rightAnswers == rightBefore)
            fault("success without a right acknowledge", op.address);
        if (op.kind == 0)
            putBe32(bytes.data(), value);
        if (op.kind == 0 || op.kind == 2)
            for (size_t b = 0; b < op.count; b++)
                if (bytes[b] != pattern(op.address, b))
                    fault("a read that returned other bytes than the camera's", op.address);
    }
    return 0;
}

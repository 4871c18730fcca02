// The open SDK's control channel on a scripted device: what it sends, and
// how it answers each way a device or the bus can misbehave.
#include "Channel.h"
#include "Protocol.h"
#include "Status.h"

#include <deque>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace u3v;
typedef std::vector<uint8_t> Bytes;

class FakeClock : public Clock {
public:
    int64_t nowUs() override { return now; }
    void sleepMs(int milliseconds) override { now += (int64_t)milliseconds * 1000; }
    int64_t now = 0;
};

// One thing the device does when the host reads its acknowledge endpoint.
struct Step {
    Transfer result = Transfer::Ok;
    int delayMs = 0;                            // before it comes
    std::function<Bytes(const Bytes &)> reply;  // from the last command sent
};

// A device scripted byte by byte.  With nothing scripted, reads time out.
class FakeDevice : public Transport {
public:
    explicit FakeDevice(FakeClock &clock) : clock_(clock) {}

    Transfer send(const uint8_t *bytes, size_t size, int) override
    {
        sent.emplace_back(bytes, bytes + size);
        if (sendResults.empty())
            return Transfer::Ok;
        Transfer result = sendResults.front();
        sendResults.pop_front();
        return result;
    }
    Transfer receive(uint8_t *bytes, size_t capacity, size_t *received, int timeoutMs) override
    {
        *received = 0;
        if (steps.empty() || steps.front().delayMs > timeoutMs) {
            if (!steps.empty())
                steps.front().delayMs -= timeoutMs;
            clock_.now += (int64_t)timeoutMs * 1000;
            return Transfer::Timeout;
        }
        Step step = steps.front();
        steps.pop_front();
        clock_.now += (int64_t)step.delayMs * 1000;
        if (step.result != Transfer::Ok)
            return step.result;
        Bytes packet = step.reply(sent.back());
        *received = std::min(packet.size(), capacity);
        std::copy(packet.begin(), packet.begin() + *received, bytes);
        return Transfer::Ok;
    }
    Transfer clearHalt(Endpoint endpoint) override
    {
        cleared.push_back(endpoint);
        return Transfer::Ok;
    }

    std::vector<Bytes> sent;
    std::deque<Transfer> sendResults;
    std::deque<Step> steps;
    std::vector<Endpoint> cleared;

private:
    FakeClock &clock_;
};

uint16_t requestIdOf(const Bytes &command)
{
    return get16(&command[10]);
}

// An acknowledge: header, then payload.
Bytes ack(uint16_t status, uint16_t ackId, uint16_t requestId, const Bytes &payload)
{
    Bytes packet(kHeaderSize + payload.size());
    put32(&packet[0], kPrefix);
    put16(&packet[4], status);
    put16(&packet[6], ackId);
    put16(&packet[8], (uint16_t)payload.size());
    put16(&packet[10], requestId);
    std::copy(payload.begin(), payload.end(), packet.begin() + kHeaderSize);
    return packet;
}

Bytes le32(uint32_t value)
{
    Bytes bytes(4);
    put32(bytes.data(), value);
    return bytes;
}

Step reply(std::function<Bytes(const Bytes &)> make, int delayMs = 0)
{
    Step step;
    step.reply = make;
    step.delayMs = delayMs;
    return step;
}
Step event(Transfer result)
{
    Step step;
    step.result = result;
    return step;
}

// The device's answer to the last command: a READMEM answer of the value,
// or a WRITEMEM answer of the bytes written.
Step readAnswer(uint32_t value, int delayMs = 0)
{
    return reply([value](const Bytes &c) { return ack(0, kReadMemAck, requestIdOf(c), le32(value)); }, delayMs);
}
Step writeAnswer(uint16_t written)
{
    return reply([written](const Bytes &c) {
        Bytes payload(4, 0);
        put16(&payload[2], written);
        return ack(0, kWriteMemAck, requestIdOf(c), payload);
    });
}
Step statusAnswer(uint16_t status)
{
    return reply([status](const Bytes &c) { return ack(status, kReadMemAck, requestIdOf(c), {}); });
}
Step pendingAnswer(uint16_t ms)
{
    return reply([ms](const Bytes &c) {
        Bytes payload(4, 0);
        put16(&payload[2], ms);
        return ack(0, kPendingAck, requestIdOf(c), payload);
    });
}
Step bytesAnswer(const Bytes &bytes)
{
    return reply([bytes](const Bytes &) { return bytes; });
}

class ChannelTest : public ::testing::Test {
protected:
    ChannelTest() : device(clock), channel(device, clock) {}
    int32_t readValue(uint32_t *value)
    {
        uint8_t bytes[4] = {};
        int32_t status = channel.read(0x60018, bytes, 4);
        *value = get32(bytes);
        return status;
    }
    FakeClock clock;
    FakeDevice device;
    Channel channel;
};

TEST_F(ChannelTest, ReadAndWriteMemoryRoundTrips)
{
    device.steps = {readAnswer(0x780), writeAnswer(4)};
    uint32_t value = 0;
    EXPECT_EQ(readValue(&value), 0);
    EXPECT_EQ(value, 0x780u);
    uint8_t written[4] = {0x20, 0, 0, 0};
    EXPECT_EQ(channel.write(0x60050, written, 4), 0);

    ASSERT_EQ(device.sent.size(), 2u);
    const Bytes readMem = {0x55, 0x33, 0x56, 0x43, 0x00, 0x40, 0x00, 0x08, 0x0C, 0x00, 0x01, 0x00,
                           0x18, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00};
    const Bytes writeMem = {0x55, 0x33, 0x56, 0x43, 0x00, 0x40, 0x02, 0x08, 0x0C, 0x00, 0x02, 0x00,
                            0x50, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00};
    EXPECT_EQ(device.sent[0], readMem);
    EXPECT_EQ(device.sent[1], writeMem);
}

TEST_F(ChannelTest, EveryCommandSentHasANewRequestIdThatSkipsZero)
{
    channel.setNextRequestId(0xFFFE);
    device.steps = {readAnswer(1), event(Transfer::Timeout), readAnswer(2)};
    uint32_t value;
    EXPECT_EQ(readValue(&value), 0);
    EXPECT_EQ(readValue(&value), 0);
    ASSERT_EQ(device.sent.size(), 3u);
    EXPECT_EQ(requestIdOf(device.sent[0]), 0xFFFE);
    EXPECT_EQ(requestIdOf(device.sent[1]), 0xFFFF);
    EXPECT_EQ(requestIdOf(device.sent[2]), 1) << "0xFFFF wraps to 1, never 0";
}

// Each way an exchange can go, for one read: the status it ends with, the
// commands sent for it, and the endpoints cleared.
TEST_F(ChannelTest, ReadRecoversOrFailsAsACarefulHostDoes)
{
    const uint16_t kInvalidAddress = 0x8003;
    auto stale = reply([](const Bytes &c) { return ack(0, kReadMemAck, requestIdOf(c) - 1, le32(9)); });
    auto otherCommand = reply([](const Bytes &c) { return ack(0, kWriteMemAck, requestIdOf(c), Bytes(4, 0)); });
    auto wrongLength = reply([](const Bytes &c) { return ack(0, kReadMemAck, requestIdOf(c), Bytes(2, 0)); });
    Bytes wrongPrefix = ack(0, kReadMemAck, 1, le32(7));
    wrongPrefix[0] = 0x56;
    Bytes lengthBeyond = ack(0, kReadMemAck, 1, le32(7));
    put16(&lengthBeyond[8], 40);
    const struct {
        const char *name;
        std::vector<Step> steps;
        std::deque<Transfer> sendResults;
        int32_t status;
        size_t sends;
        std::vector<Endpoint> cleared;
    } cases[] = {
        {"answered", {readAnswer(7)}, {}, 0, 1, {}},
        {"pending once, answered after the usual timeout", {pendingAnswer(200), readAnswer(7, 150)}, {}, 0, 1, {}},
        {"pending several times", {pendingAnswer(100), pendingAnswer(100), readAnswer(7, 90)}, {}, 0, 1, {}},
        {"stale acknowledges skipped", {stale, otherCommand, readAnswer(7)}, {}, 0, 1, {}},
        {"short acknowledge tried again", {bytesAnswer({0x55, 0x33, 0x56}), readAnswer(7)}, {}, 0, 2, {}},
        {"wrong prefix tried again", {bytesAnswer(wrongPrefix), readAnswer(7)}, {}, 0, 2, {}},
        {"length beyond the bytes tried again", {bytesAnswer(lengthBeyond), readAnswer(7)}, {}, 0, 2, {}},
        {"wrong payload length tried again", {wrongLength, readAnswer(7)}, {}, 0, 2, {}},
        {"timeout tried again", {event(Transfer::Timeout), readAnswer(7)}, {}, 0, 2, {}},
        {"stalled IN endpoint cleared", {event(Transfer::Stall), readAnswer(7)}, {}, 0, 2, {Endpoint::In}},
        {"stalled OUT endpoint cleared", {readAnswer(7)}, {Transfer::Stall}, 0, 2, {Endpoint::Out}},
        {"busy tried again", {statusAnswer(kGencpBusy), readAnswer(7)}, {}, 0, 2, {}},
        {"no answer to any try", {}, {}, kStatusTimeout, 3, {}},
        {"malformed every try", {bytesAnswer({1}), bytesAnswer({1}), bytesAnswer({1})}, {}, kStatusMalformed, 3, {}},
        {"device status reported at once", {statusAnswer(kInvalidAddress)}, {}, deviceStatus(kInvalidAddress), 1, {}},
        {"gone while answering", {event(Transfer::Gone)}, {}, kStatusGone, 1, {}},
        {"gone when sent to", {}, {Transfer::Gone}, kStatusGone, 1, {}},
        {"transfer errors every try", {event(Transfer::Error), event(Transfer::Error), event(Transfer::Error)}, {},
         kStatusTransfer, 3, {}},
    };
    for (const auto &c : cases) {
        FakeClock clock;
        FakeDevice device(clock);
        Channel channel(device, clock);
        device.steps.assign(c.steps.begin(), c.steps.end());
        device.sendResults = c.sendResults;
        uint8_t bytes[4] = {};
        EXPECT_EQ(channel.read(0x60018, bytes, 4), c.status) << c.name;
        EXPECT_EQ(device.sent.size(), c.sends) << c.name;
        EXPECT_EQ(device.cleared, c.cleared) << c.name;
        if (c.status == 0) {
            EXPECT_EQ(get32(bytes), 7u) << c.name;
        }
        for (size_t k = 1; k < device.sent.size(); k++)
            EXPECT_NE(requestIdOf(device.sent[k]), requestIdOf(device.sent[k - 1])) << c.name << ": a retry's id";
    }
}

TEST_F(ChannelTest, BusyBeyondTheDeadlineIsReported)
{
    for (int k = 0; k < 1000; k++)
        device.steps.push_back(statusAnswer(kGencpBusy));
    uint32_t value;
    EXPECT_EQ(readValue(&value), deviceStatus(kGencpBusy));
    EXPECT_GT(device.sent.size(), 3u) << "busy is tried while time remains";
    EXPECT_LE(clock.now, (int64_t)Channel::kTries * Channel::kDefaultTimeoutMs * 1000);
}

TEST_F(ChannelTest, WriteMustReportEveryByteWritten)
{
    device.steps = {writeAnswer(2)};
    uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(channel.write(0x60050, bytes, 4), kStatusShortWrite);
    EXPECT_EQ(device.sent.size(), 1u);
}

TEST_F(ChannelTest, TimeoutFollowsTheDeviceResponseTime)
{
    device.steps = {readAnswer(7, Channel::kDefaultTimeoutMs + 10)};
    uint32_t value;
    EXPECT_EQ(readValue(&value), 0) << "a late answer is the next try's";
    EXPECT_EQ(device.sent.size(), 2u);

    device.sent.clear();
    channel.setLimits(300, 1024, 1024);
    device.steps = {readAnswer(7, 250)};
    EXPECT_EQ(readValue(&value), 0);
    EXPECT_EQ(device.sent.size(), 1u) << "within the device's own response time";
}

TEST_F(ChannelTest, TransfersNeverExceedTheDeviceMaxima)
{
    const uint32_t kMaxAck = kHeaderSize + 20;
    EXPECT_FALSE(channel.setLimits(100, 23, 1024)) << "no room for a 4-byte write";
    EXPECT_FALSE(channel.setLimits(100, 1024, 15)) << "no room for its acknowledge";
    ASSERT_TRUE(channel.setLimits(100, 64, kMaxAck));
    for (int k = 0; k < 4; k++)
        device.steps.push_back(reply([](const Bytes &c) {
            return ack(0, kReadMemAck, requestIdOf(c), Bytes(get16(&c[22]), 0xAB));
        }));
    uint8_t serial[64];
    EXPECT_EQ(channel.read(0x144, serial, sizeof serial), 0);
    ASSERT_EQ(device.sent.size(), 4u) << "64 bytes in pieces of 20";
    uint64_t address = 0x144;
    for (const Bytes &command : device.sent) {
        EXPECT_LE(get16(&command[22]) + kHeaderSize, kMaxAck);
        EXPECT_EQ(get64(&command[12]), address);
        address += get16(&command[22]);
    }
    EXPECT_EQ(serial[63], 0xAB);
}

} // namespace

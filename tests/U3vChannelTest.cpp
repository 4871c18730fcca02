// The open SDK's control channel on a scripted device: what it sends, and
// how it answers each way a device or the bus can misbehave.
#include "Channel.h"
#include "Protocol.h"
#include "Status.h"
#include "U3vFakeDevice.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace u3v;

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
Step pendingAnswer(uint16_t ms, int delayMs = 0)
{
    return reply(
        [ms](const Bytes &c) {
            Bytes payload(4, 0);
            put16(&payload[2], ms);
            return ack(0, kPendingAck, requestIdOf(c), payload);
        },
        delayMs);
}
Step bytesAnswer(const Bytes &bytes)
{
    return reply([bytes](const Bytes &) { return bytes; });
}
// The answer to a READMEM of any length, or to a WRITEMEM of any size.
Step anyAnswer(uint8_t fill = 0xAB)
{
    return reply([fill](const Bytes &c) {
        if (get16(&c[6]) == kReadMem)
            return ack(0, kReadMemAck, requestIdOf(c), Bytes(get16(&c[22]), fill));
        Bytes payload(4, 0);
        put16(&payload[2], (uint16_t)(c.size() - writeMemCommandSize(0)));
        return ack(0, kWriteMemAck, requestIdOf(c), payload);
    });
}
std::vector<Step> repeated(size_t times, const Step &step)
{
    return std::vector<Step>(times, step);
}
std::vector<Step> operator+(std::vector<Step> steps, const std::vector<Step> &more)
{
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
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
    auto cutShort = reply([](const Bytes &c) {  // 14 bytes, a length field of 4
        Bytes packet = ack(0, kReadMemAck, requestIdOf(c), le32(7));
        packet.resize(kHeaderSize + 2);
        return packet;
    });
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
        // Pending at 10 ms for 100 ms more: the answer at 130 ms is late
        // (it would not be from the first deadline, 50 ms, plus 100).
        {"pending counted from its arrival", {pendingAnswer(100, 10), readAnswer(7, 120)}, {}, 0, 2, {}},
        {"stale acknowledges skipped", {stale, otherCommand, readAnswer(7)}, {}, 0, 1, {}},
        {"short acknowledge tried again", {bytesAnswer({0x55, 0x33, 0x56}), readAnswer(7)}, {}, 0, 2, {}},
        {"wrong prefix tried again", {bytesAnswer(wrongPrefix), readAnswer(7)}, {}, 0, 2, {}},
        {"length beyond the bytes tried again", {bytesAnswer(lengthBeyond), readAnswer(7)}, {}, 0, 2, {}},
        {"length beyond the bytes after the header tried again", {cutShort, readAnswer(7)}, {}, 0, 2, {}},
        {"wrong payload length tried again", {wrongLength, readAnswer(7)}, {}, 0, 2, {}},
        {"timeout tried again", {event(Transfer::Timeout), readAnswer(7)}, {}, 0, 2, {}},
        {"stalled IN endpoint cleared", {event(Transfer::Stall), readAnswer(7)}, {}, 0, 2, {Endpoint::In}},
        {"stalled OUT endpoint cleared", {readAnswer(7)}, {Transfer::Stall}, 0, 2, {Endpoint::Out}},
        {"busy tried again", {statusAnswer(kGencpBusy), readAnswer(7)}, {}, 0, 2, {}},
        // 40 busy answers 2 ms apart: longer than one timeout, shorter than three.
        {"busy for longer than one try", repeated(40, statusAnswer(kGencpBusy)) + std::vector<Step>{readAnswer(7)}, {},
         0, 41, {}},
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

// A device may claim 4 GiB commands and acknowledges: no packet, and no
// buffer, is larger than the header's 16-bit length field describes, and
// every WRITEMEM's length field holds its address and data.
TEST_F(ChannelTest, MaximaBeyondTheLengthFieldAreClamped)
{
    ASSERT_TRUE(channel.setLimits(100, 0xFFFFFFFF, 0xFFFFFFFF));
    const struct {
        bool write;
        size_t size;
        size_t commands;
    } cases[] = {
        {true, 65527, 1},    // 8 + 65,527 = 65,535: one WRITEMEM
        {true, 65528, 2},    // one byte more than a length field holds
        {false, 65535, 1},   // the largest READMEM
        {false, 100000, 2},
    };
    for (const auto &c : cases) {
        device.sent.clear();
        device.capacities.clear();
        device.steps.assign(c.commands, anyAnswer());
        std::vector<uint8_t> bytes(c.size, 0x5A);
        EXPECT_EQ(c.write ? channel.write(0x100000, bytes.data(), c.size) : channel.read(0x100000, bytes.data(), c.size),
                  0)
            << c.size;
        ASSERT_EQ(device.sent.size(), c.commands) << c.size;
        size_t data = 0;
        for (const Bytes &command : device.sent) {
            EXPECT_EQ(get16(&command[8]) + kHeaderSize, command.size()) << c.size << ": the length field";
            data += c.write ? command.size() - writeMemCommandSize(0) : get16(&command[22]);
        }
        EXPECT_EQ(data, c.size);
        for (size_t capacity : device.capacities)
            EXPECT_LE(capacity, kLargestPacket) << c.size;
    }
}

// No command, however a device stalls it, takes longer than the command
// limit; then it fails with the timeout status, and the trace says why.
TEST_F(ChannelTest, NoCommandOutlastsTheCommandLimit)
{
    const int kSecond = 1000;
    // A PENDING_ACK at once, then one every second.
    auto pendingEverySecond = [](size_t times, uint16_t ms) {
        return std::vector<Step>{pendingAnswer(ms)} + repeated(times - 1, pendingAnswer(ms, kSecond));
    };
    const struct {
        const char *name;
        std::vector<Step> steps;
        uint32_t responseTimeMs;  // 0: not set
        int limitMs;
        int32_t status;
        size_t sends;
    } cases[] = {
        {"pending 25 s, then answered", pendingEverySecond(25, 2 * kSecond) + std::vector<Step>{readAnswer(7, kSecond)},
         0, Channel::kCommandLimitMs, 0, 1},
        {"pending forever", pendingEverySecond(100, 65535), 0, Channel::kCommandLimitMs, kStatusTimeout, 1},
        {"busy forever, with a slow device's long tries", repeated(100000, statusAnswer(kGencpBusy)), 60000,
         Channel::kCommandLimitMs, kStatusTimeout, 15000},
        {"no answer, with a slow device's long tries", {}, 60000, Channel::kCommandLimitMs, kStatusTimeout, 1},
        {"stale answers forever", repeated(100, reply([](const Bytes &c) { return ack(0, kReadMemAck, requestIdOf(c) - 1, le32(9)); }, kSecond)),
         60000, Channel::kCommandLimitMs, kStatusTimeout, 1},
        {"pending forever, with a shorter limit", pendingEverySecond(100, 65535), 0, 2 * kSecond, kStatusTimeout, 1},
    };
    for (const auto &c : cases) {
        FakeClock clock;
        FakeDevice device(clock);
        std::vector<std::string> trace;
        Channel channel(device, clock, [&trace](const char *line) { trace.push_back(line); }, c.limitMs);
        if (c.responseTimeMs > 0) {
            ASSERT_TRUE(channel.setLimits(c.responseTimeMs, 1024, 1024));
        }
        device.steps.assign(c.steps.begin(), c.steps.end());
        uint8_t bytes[4] = {};
        EXPECT_EQ(channel.read(0x60018, bytes, 4), c.status) << c.name;
        EXPECT_EQ(device.sent.size(), c.sends) << c.name;
        EXPECT_LE(clock.now, (int64_t)c.limitMs * 1000 + 1000) << c.name;
        std::string last = trace.empty() ? "" : trace.back();
        std::string why = " ms: a command may take " + std::to_string(c.limitMs) + " ms at most";
        bool givenUp = last.rfind("command=READMEM address=0x60018 given up after ", 0) == 0 &&
                       last.size() > why.size() && last.compare(last.size() - why.size(), why.size(), why) == 0;
        EXPECT_EQ(givenUp, c.status != 0) << c.name << ": " << last;
    }
}

TEST(CommandLimit, SetByTheEnvironment)
{
    const struct {
        const char *text;
        int limitMs;
    } cases[] = {
        {nullptr, 30000}, {"", 30000},    {"2000", 2000}, {"1", 1},         {"30000", 30000},
        {"30001", 30000}, {"0", 30000},   {"-5", 30000},  {"2000ms", 30000}, {" 2000", 30000},
        {"99999999999999999999", 30000},
    };
    for (const auto &c : cases)
        EXPECT_EQ(commandLimitFromText(c.text), c.limitMs) << (c.text != nullptr ? c.text : "null");
}

} // namespace

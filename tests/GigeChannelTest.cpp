// The GigE Vision control channel on a scripted device (U3vFakeDevice.h's,
// whose clock moves only when the device or the channel makes it): the
// standard's bytes of each command, and how the channel answers each way a
// camera or the network misbehaves.
#include "Gvcp.h"
#include "GvcpChannel.h"
#include "Status.h"
#include "U3vFakeDevice.h"

#include <gtest/gtest.h>

namespace {

using namespace u3v;
using namespace u3v::gige;
// GigE Vision's, not USB3 Vision's of the same names.
using u3v::gige::kHeaderSize;
using u3v::gige::kPendingAck;
using u3v::gige::kReadMemAck;
using u3v::gige::kWriteMemAck;

uint16_t gvcpIdOf(const Bytes &command)
{
    return getBe16(&command[6]);
}

Bytes gvcpAck(uint16_t status, uint16_t command, uint16_t id, const Bytes &payload)
{
    Bytes packet(kHeaderSize + payload.size());
    putBe16(&packet[0], status);
    putBe16(&packet[2], command);
    putBe16(&packet[4], (uint16_t)payload.size());
    putBe16(&packet[6], id);
    std::copy(payload.begin(), payload.end(), packet.begin() + kHeaderSize);
    return packet;
}

Bytes be32(uint32_t value)
{
    Bytes bytes(4);
    putBe32(bytes.data(), value);
    return bytes;
}

Step answer(std::function<Bytes(const Bytes &)> make, int delayMs = 0)
{
    Step step;
    step.reply = make;
    step.delayMs = delayMs;
    return step;
}

// READREG's answer: the value.
Step valueAnswer(uint32_t value, int delayMs = 0)
{
    return answer([value](const Bytes &c) { return gvcpAck(0, kReadRegAck, gvcpIdOf(c), be32(value)); }, delayMs);
}
Step statusAnswer(uint16_t status, uint16_t command = kReadRegAck)
{
    return answer([status, command](const Bytes &c) { return gvcpAck(status, command, gvcpIdOf(c), {}); });
}
Step pendingAnswer(uint16_t ms, int delayMs = 0)
{
    return answer(
        [ms](const Bytes &c) { return gvcpAck(0, kPendingAck, gvcpIdOf(c), {0, 0, (uint8_t)(ms >> 8), (uint8_t)ms}); },
        delayMs);
}
Step rawAnswer(std::function<Bytes(uint16_t id)> make)
{
    return answer([make](const Bytes &c) { return make(gvcpIdOf(c)); });
}
std::deque<Step> repeated(size_t times, const Step &step)
{
    return std::deque<Step>(times, step);
}

class GigeChannel : public ::testing::Test {
protected:
    GigeChannel() : device(clock), channel(device, clock, {}, 30000) {}
    FakeClock clock;
    FakeDevice device;
    GvcpChannel channel;
};

TEST_F(GigeChannel, EachCommandIsTheStandardsBytesAndItsAnswerIsUsed)
{
    device.steps = {valueAnswer(0x200),
                    answer([](const Bytes &c) { return gvcpAck(0, kWriteRegAck, gvcpIdOf(c), {0, 0, 0, 1}); }),
                    answer([](const Bytes &c) {
                        return gvcpAck(0, kReadMemAck, gvcpIdOf(c), {0, 1, 0, 0, 'L', 'o', 'c', 'a', 'l', ':', 0, 0});
                    }),
                    answer([](const Bytes &c) { return gvcpAck(0, kWriteMemAck, gvcpIdOf(c), {0, 0, 0, 8}); })};
    uint32_t value = 0;
    EXPECT_EQ(channel.readRegister(0x100, &value), 0);
    EXPECT_EQ(value, 0x200u) << "the number the register holds, sent big-endian";
    EXPECT_EQ(channel.writeRegister(0x0A00, 2), 0);
    uint8_t text[8] = {};
    EXPECT_EQ(channel.readMemory(0x10000, text, 8), 0);
    EXPECT_EQ(Bytes(text, text + 8), Bytes({'L', 'o', 'c', 'a', 'l', ':', 0, 0}));
    const uint8_t written[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(channel.writeMemory(0x00E8, written, 8), 0);

    const std::vector<Bytes> expected = {
        {0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00},
        {0x42, 0x01, 0x00, 0x82, 0x00, 0x08, 0x00, 0x02, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x02},
        {0x42, 0x01, 0x00, 0x84, 0x00, 0x08, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08},
        {0x42, 0x01, 0x00, 0x86, 0x00, 0x0C, 0x00, 0x04, 0x00, 0x00, 0x00, 0xE8, 1, 2, 3, 4, 5, 6, 7, 8},
    };
    EXPECT_EQ(device.sent, expected);
}

// A lost command or acknowledge: the same command, with its id, again.
TEST_F(GigeChannel, ACommandWithoutAnswerIsSentAgainWithItsId)
{
    device.steps = {valueAnswer(7, GvcpChannel::kTryTimeoutMs + 100)};
    uint32_t value = 0;
    EXPECT_EQ(channel.readRegister(0x100, &value), 0);
    EXPECT_EQ(value, 7u);
    ASSERT_EQ(device.sent.size(), 2u);
    EXPECT_EQ(device.sent[0], device.sent[1]);
    EXPECT_EQ(clock.now, (GvcpChannel::kTryTimeoutMs + 100) * 1000);

    device.sent.clear();
    clock.now = 0;
    EXPECT_EQ(channel.readRegister(0x100, &value), kStatusTimeout);
    ASSERT_EQ(device.sent.size(), (size_t)GvcpChannel::kTries);
    EXPECT_EQ(device.sent[0], device.sent[2]);
    EXPECT_EQ(clock.now, GvcpChannel::kTries * GvcpChannel::kTryTimeoutMs * 1000);
}

// PENDING_ACK: the wait it asks for, once or again and again, but never
// beyond the command limit.
TEST_F(GigeChannel, PendingAcknowledgesAreHonouredWithinTheLimit)
{
    device.steps = {pendingAnswer(2000, 10), pendingAnswer(2000, 1900), valueAnswer(9, 1900)};
    uint32_t value = 0;
    EXPECT_EQ(channel.readRegister(0x100, &value), 0);
    EXPECT_EQ(value, 9u);
    EXPECT_EQ(device.sent.size(), 1u) << "promised answers are waited for, not asked again";

    FakeClock limitClock;
    FakeDevice forever(limitClock);
    GvcpChannel limited(forever, limitClock, {}, 5000);
    forever.steps = repeated(100, pendingAnswer(1000, 400));
    EXPECT_EQ(limited.readRegister(0x100, &value), kStatusTimeout);
    EXPECT_EQ(limitClock.now, 5000 * 1000) << "given up at the limit";
    EXPECT_EQ(forever.sent.size(), 1u);
}

// Busy: asked again, a new command each time, while the tries' time lasts.
TEST_F(GigeChannel, ABusyCameraIsAskedAgainWithNewIds)
{
    device.steps = {statusAnswer(kBusy), statusAnswer(kBusy), valueAnswer(3)};
    uint32_t value = 0;
    EXPECT_EQ(channel.readRegister(0x100, &value), 0);
    EXPECT_EQ(value, 3u);
    ASSERT_EQ(device.sent.size(), 3u);
    EXPECT_NE(gvcpIdOf(device.sent[0]), gvcpIdOf(device.sent[1]));
    EXPECT_NE(gvcpIdOf(device.sent[1]), gvcpIdOf(device.sent[2]));

    device.sent.clear();
    device.steps = repeated(2000, statusAnswer(kBusy));
    clock.now = 0;
    EXPECT_EQ(channel.readRegister(0x100, &value), deviceStatus(kBusy));
    EXPECT_LE(clock.now, GvcpChannel::kTries * GvcpChannel::kTryTimeoutMs * 1000);
}

// Stale answers and answers of another command are skipped; a status
// other than success or busy ends the command at once; a camera gone too.
TEST_F(GigeChannel, AnswersOfAnotherIdOrCommandAreSkippedAndStatusesReported)
{
    device.steps = {rawAnswer([](uint16_t id) { return gvcpAck(0, kReadRegAck, (uint16_t)(id + 5), be32(1)); }),
                    rawAnswer([](uint16_t id) { return gvcpAck(0, kReadMemAck, id, be32(2)); }), valueAnswer(3)};
    uint32_t value = 0;
    EXPECT_EQ(channel.readRegister(0x100, &value), 0);
    EXPECT_EQ(value, 3u);
    EXPECT_EQ(device.sent.size(), 1u);

    device.steps = {statusAnswer(0x8003)};
    EXPECT_EQ(channel.readRegister(0x100, &value), deviceStatus(0x8003));
    Step gone;
    gone.result = Transfer::Gone;
    device.steps = {gone};
    EXPECT_EQ(channel.writeRegister(0x100, 1), kStatusGone);
}

// An acknowledge of this command and id that is short, padded, of the
// wrong length for the command, or echoing another address is not used:
// the command is sent again and the next, good, answer is taken.
TEST_F(GigeChannel, MalformedAcknowledgesAreNotUsed)
{
    const struct {
        const char *name;
        std::function<Bytes(uint16_t id)> bad;
    } kCases[] = {
        {"shorter than a header", [](uint16_t) { return Bytes{0, 0, 0, 0x85, 0}; }},
        {"shorter than its length field",
         [](uint16_t id) {
             Bytes ack = gvcpAck(0, kReadMemAck, id, {0, 1, 0, 0, 9, 9, 9, 9});
             ack.pop_back();
             return ack;
         }},
        {"longer than its length field",
         [](uint16_t id) {
             Bytes ack = gvcpAck(0, kReadMemAck, id, {0, 1, 0, 0, 9, 9, 9, 9});
             ack.push_back(0);
             return ack;
         }},
        {"fewer bytes than asked", [](uint16_t id) { return gvcpAck(0, kReadMemAck, id, {0, 1, 0, 0, 9, 9}); }},
        {"more bytes than asked",
         [](uint16_t id) { return gvcpAck(0, kReadMemAck, id, {0, 1, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9}); }},
        {"another address", [](uint16_t id) { return gvcpAck(0, kReadMemAck, id, {0, 1, 0, 4, 9, 9, 9, 9}); }},
        {"oversized datagram", [](uint16_t id) { return gvcpAck(0, kReadMemAck, id, Bytes(2000, 9)); }},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.name);
        device.sent.clear();
        device.steps = {rawAnswer(c.bad), rawAnswer([](uint16_t id) {
                            return gvcpAck(0, kReadMemAck, id, {0, 1, 0, 0, 'G', 'V', '0', '1'});
                        })};
        uint8_t bytes[4] = {};
        EXPECT_EQ(channel.readMemory(0x10000, bytes, 4), 0);
        EXPECT_EQ(Bytes(bytes, bytes + 4), Bytes({'G', 'V', '0', '1'}));
        ASSERT_EQ(device.sent.size(), 2u);
        EXPECT_EQ(gvcpIdOf(device.sent[0]), gvcpIdOf(device.sent[1]));
    }
}

TEST_F(GigeChannel, RequestIdsWrapPastZero)
{
    channel.setNextRequestId(0xFFFF);
    device.steps = {valueAnswer(1), valueAnswer(2)};
    uint32_t value = 0;
    EXPECT_EQ(channel.readRegister(0, &value), 0);
    EXPECT_EQ(channel.readRegister(0, &value), 0);
    EXPECT_EQ(gvcpIdOf(device.sent[0]), 0xFFFF);
    EXPECT_EQ(gvcpIdOf(device.sent[1]), 1);
}

} // namespace

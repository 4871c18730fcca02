// Where the open SDK looks for GigE Vision cameras (QRV_U3V_GIGE), what it
// takes of a discovery answer, and a discovery over loopback to cameras of
// the test's own, some of which lie.  Nothing is broadcast: every
// discovery here asks addresses only.
#include "GigeDiscovery.h"
#include "GigeFakeCamera.h"
#include "Gvcp.h"

#include <chrono>

#include <gtest/gtest.h>

namespace {

using namespace u3v;
using namespace u3v::gige;
typedef std::vector<uint8_t> Bytes;

std::string describe(const DiscoverySettings &s)
{
    std::string text = s.everyInterface ? "all" : "";
    for (const std::string &name : s.interfaces)
        text += " if:" + name;
    for (const Target &target : s.addresses)
        text += " at:" + targetText(target);
    for (const std::string &word : s.rejected)
        text += " rejected:" + word;
    return text + " wait:" + std::to_string(s.waitMs);
}

TEST(GigeDiscovery, SettingsTakeInterfacesAddressesAllAndNone)
{
    const struct {
        const char *text;
        const char *wait;
        const char *expected;
    } kCases[] = {
        {nullptr, nullptr, "all wait:1000"},
        {"", nullptr, " wait:1000"},
        {"none", "250", " wait:250"},
        {"127.0.0.1 127.0.0.2", nullptr, " at:127.0.0.1 at:127.0.0.2 wait:1000"},
        {"all,10.1.2.3:4000", "10000", "all at:10.1.2.3:4000 wait:10000"},
        {"\teth1  veth-va0,lo", "0", " if:eth1 if:veth-va0 if:lo wait:1000"},
        {"10.0.0.256 1.2.3.4:0 1.2.3.4:70000 0.0.0.0 1.2.3", "10001",
         " if:1.2.3 rejected:10.0.0.256 rejected:1.2.3.4:0 rejected:1.2.3.4:70000 rejected:0.0.0.0 wait:1000"},
        {"an-interface-name-too-long-for-linux", "-5", " rejected:an-interface-name-too-long-for-linux wait:1000"},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(describe(discoverySettingsFrom(c.text, c.wait)), c.expected) << (c.text ? c.text : "(unset)");
}

Bytes answerBytes(uint16_t status, uint16_t command, uint16_t id, size_t length, size_t actual)
{
    Bytes packet(kHeaderSize + actual, 0);
    putBe16(&packet[0], status);
    putBe16(&packet[2], command);
    putBe16(&packet[4], (uint16_t)length);
    putBe16(&packet[6], id);
    if (actual >= kDiscoveryDataSize) {
        packet[kHeaderSize + 0x0A] = 0x00;
        packet[kHeaderSize + 0x0B] = 0x11;
        putBe32(&packet[kHeaderSize + 0x0C], 0x22334455);
        putBe32(&packet[kHeaderSize + 0x24], 0x0A000002);
        memcpy(&packet[kHeaderSize + 0x48], "Vendor", 6);
        memcpy(&packet[kHeaderSize + 0x68], "Model", 5);
        memcpy(&packet[kHeaderSize + 0xD8], "0123456789ABCDEF", 16);  // full: no NUL
        memcpy(&packet[kHeaderSize + 0xE8], "left  ", 6);
    }
    return packet;
}

// An answer is taken only when it is one to this discovery, of success,
// and exactly as long as its header says, with room for every field.
TEST(GigeDiscovery, AnswersAreTakenOnlyWhenWholeAndOfThisDiscovery)
{
    const struct {
        const char *name;
        Bytes bytes;
        bool taken;
    } kCases[] = {
        {"the standard's 256 bytes", answerBytes(0, kDiscoveryAck, 7, 248, 248), true},
        {"a longer one, exact", answerBytes(0, kDiscoveryAck, 7, 300, 300), true},
        {"a header claiming more than came", answerBytes(0, kDiscoveryAck, 7, 300, 248), false},
        {"a header claiming less than came", answerBytes(0, kDiscoveryAck, 7, 200, 248), false},
        {"too short for the fields", answerBytes(0, kDiscoveryAck, 7, 200, 200), false},
        {"shorter than a header", Bytes(7, 0), false},
        {"another discovery's", answerBytes(0, kDiscoveryAck, 8, 248, 248), false},
        {"another command's", answerBytes(0, kReadMemAck, 7, 248, 248), false},
        {"a failure status", answerBytes(0x8001, kDiscoveryAck, 7, 248, 248), false},
    };
    for (const auto &c : kCases) {
        DiscoveryAnswer answer;
        EXPECT_EQ(decodeDiscoveryAck(c.bytes.data(), c.bytes.size(), 7, &answer), c.taken) << c.name;
    }
    DiscoveryAnswer answer;
    Bytes good = answerBytes(0, kDiscoveryAck, 7, 248, 248);
    ASSERT_TRUE(decodeDiscoveryAck(good.data(), good.size(), 7, &answer));
    EXPECT_EQ(macText(answer.mac), "00:11:22:33:44:55");
    EXPECT_EQ(ipText(answer.address), "10.0.0.2");
    EXPECT_EQ(answer.vendor, "Vendor");
    EXPECT_EQ(answer.model, "Model");
    EXPECT_EQ(answer.serial, "0123456789ABCDEF") << "a full field ends with the field";
    EXPECT_EQ(answer.userName, "left");
}

DiscoverySettings asking(std::vector<Target> targets, int waitMs = kDefaultWaitMs)
{
    DiscoverySettings settings;
    settings.addresses = targets;
    settings.waitMs = waitMs;
    return settings;
}

// Cameras asked directly answer; the discovery ends once each has, not at
// the end of its wait.  An answer twice counts once.
TEST(GigeDiscovery, AskedCamerasAreFoundWithoutWaitingOut)
{
    GigeFakeCamera first("CAM1"), second("CAM2");
    second.setHook([](const Bytes &command, const std::function<void(const Bytes &)> &reply) {
        if (getBe16(&command[2]) != kDiscovery)
            return false;
        Bytes answer = answerBytes(0, kDiscoveryAck, getBe16(&command[6]), 248, 248);
        memcpy(&answer[kHeaderSize + 0xD8], "CAM2\0", 5);
        reply(answer);
        reply(answer);
        return true;
    });
    auto start = std::chrono::steady_clock::now();
    std::vector<GigeDevice> devices =
        discoverDevices(asking({first.target(), second.target()}, 5000), systemClock(), 3);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    ASSERT_EQ(devices.size(), 2u);
    std::set<std::string> serials = {devices[0].answer.serial, devices[1].answer.serial};
    EXPECT_EQ(serials, std::set<std::string>({"CAM1", "CAM2"}));
    for (const GigeDevice &device : devices)
        EXPECT_EQ(placeOf(device), device.answer.serial == "CAM1" ? "gige:" + targetText(first.target())
                                                                   : std::string("gige:00:11:22:33:44:55"));
}

// Answers that lie about their length, or come from another discovery,
// find nothing; a refused address (nothing listens there) ends its wait.
TEST(GigeDiscovery, LyingAnswersFindNothingAndRefusalsEndTheWait)
{
    GigeFakeCamera liar;
    liar.setHook([](const Bytes &command, const std::function<void(const Bytes &)> &reply) {
        uint16_t id = getBe16(&command[6]);
        reply(answerBytes(0, kDiscoveryAck, id, 400, 248));
        reply(answerBytes(0, kDiscoveryAck, id, 100, 248));
        reply(answerBytes(0, kDiscoveryAck, (uint16_t)(id + 1), 248, 248));
        return true;
    });
    std::vector<GigeDevice> devices = discoverDevices(asking({liar.target()}, 300), systemClock(), 9);
    EXPECT_TRUE(devices.empty());

    Target nowhere;
    {
        GigeFakeCamera gone;
        nowhere = gone.target();
    }
    auto start = std::chrono::steady_clock::now();
    devices = discoverDevices(asking({nowhere}, 5000), systemClock(), 10);
    EXPECT_TRUE(devices.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << "the refusal ended the wait";
}

} // namespace

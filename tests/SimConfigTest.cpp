// The simulator's configuration and number reading, called directly.
#include "SimFixture.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

namespace {

using qrvsim::Config;

using SimConfig = SimFolder;

TEST(SimNumber, OnlyAWholeNumberIsANumber)
{
    const struct {
        std::string word;
        bool accepted;
        uint64_t value;
    } cases[] = {
        {"0", true, 0},
        {"010", true, 10},
        {"0x1f", true, 31},
        {"0X1F", true, 31},
        {"0xFFFFFFFFFFFFFFFF", true, UINT64_MAX},
        {"18446744073709551615", true, UINT64_MAX},
        {"18446744073709551616", false, 0},
        {"0x0x10", false, 0},
        {"0x0X1f", false, 0},
        {"0x", false, 0},
        {"", false, 0},
        {"+5", false, 0},
        {"0x-5", false, 0},
        {"0x 5", false, 0},
        {"5 ", false, 0},
        {std::string("5\0", 2), false, 0},
        {std::string("0x5\0" "1", 5), false, 0},
    };
    for (const auto &c : cases) {
        uint64_t value = 0;
        EXPECT_EQ(qrvsim::parseNumber(c.word, UINT64_MAX, &value), c.accepted) << "'" << c.word << "'";
        if (c.accepted) {
            EXPECT_EQ(value, c.value) << c.word;
        }
    }
}

// Every fault names the file and line; the configuration is then not used.
TEST_F(SimConfig, RejectedStatementsNameFileAndLine)
{
    const struct {
        std::string config;
        std::string error;  // after "<file>:"
    } cases[] = {
        {std::string("camera 5\0 no-open\n", 18), "1: a NUL byte in the line"},
        {std::string("camera 5\ncamera 6 # \0\n", 22), "2: a NUL byte in the line"},
        {"camera 1\nregister * 0x0x10 1\n", "2: bad number '0x0x10'"},
        {"camera 1\nregister 1 0x10 0x0X1f\n", "2: bad number '0x0X1f'"},
        {"camera 1\nregister 1 0x10000000000000000 1\n", "2: bad number '0x10000000000000000'"},
        {"camera 1\nfault * 0x1FFFFFFFFFFFFFFFF read-only\n", "2: bad number '0x1FFFFFFFFFFFFFFFF'"},
        {"camera 1\nidentity 1 colour red\n", "2: unknown identity field 'colour'"},
        {"camera 1\nidentity 1\n", "2: expected: identity <camera>|* vendor|model|family|version|serial|name [<text>]"},
        {"camera 1\nidentity 2 name x\n", "2: camera 2 is not listed above"},
        {"camera 1\nidentity * name " + std::string(61, 'x') + " yz\n", "2: identity text longer than 63 bytes"},
        {"camera 1\ngenicam 1\n", "2: expected: genicam <camera>|* <file>|none"},
        {"camera 1\ngenicam 1 missing.xml\n", "2: @missing.xml: No such file or directory"},
        {"camera 1\ngenicam * big.xml\n", "2: @big.xml: larger than 64 MiB"},
        {"camera 1\ngenicam * .\n", "2: @.: not a regular file"},
    };
    writeFile("big.xml", "");
    std::filesystem::resize_file(path("big.xml"), qrvsim::kDescriptionMax + 1);
    for (const auto &c : cases) {
        Config config;
        std::string err;
        std::string error = c.error;
        if (error.find('@') != std::string::npos)
            error.replace(error.find('@'), 1, dir_ + "/");
        EXPECT_FALSE(readConfig(c.config, &config, &err)) << c.error;
        EXPECT_EQ(err, "QrVApi simulator: " + path("sim.cfg") + ":" + error + "\n");
    }
}

// A description named by the configuration that is a FIFO is refused at
// once, as any other file that is not a regular one, never waited on.
TEST_F(SimConfig, ADescriptionThatIsAFifoIsRefusedWithoutWaiting)
{
    ASSERT_EQ(mkfifo(path("fifo.xml").c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, [this] {
        Config config;
        std::string err;
        bool accepted = readConfig("camera 1\ngenicam * fifo.xml\n", &config, &err);
        return std::make_pair(accepted, err);
    });
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the blocked open go, so that the test can end.
        int writer = open(path("fifo.xml").c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            close(writer);
        ADD_FAILURE() << "the simulator waited on the FIFO";
    }
    auto result = reading.get();
    EXPECT_FALSE(result.first);
    EXPECT_EQ(result.second, "QrVApi simulator: " + path("sim.cfg") + ":2: " + path("fifo.xml") +
                                 ": not a regular file\n");
}

// Identity texts, descriptions and 64-bit addresses, each camera's own
// setting over the "*" one.
TEST_F(SimConfig, IdentityDescriptionAndWideAddresses)
{
    const std::string longest(qrvsim::kIdentityTextMax, 'x');
    writeFile("abc.xml", "abc");
    writeFile("camera.zip", std::string("PK\3\4", 4) + "rest");
    Config config;
    std::string err;
    ASSERT_TRUE(readConfig("camera 1\ncamera 2\ncamera 3\n"
                           "identity *   vendor   Maker   of  things   # a comment\n"
                           "identity 2 name\n"
                           "identity * name " + longest + "\n"
                           "genicam * abc.xml\n"
                           "genicam 2 none\n"
                           "genicam 3 " + path("camera.zip") + "\n"
                           "register * 0xFFFFF0F00A0C 5\n"
                           "fault 1 0xFFFFFFFFFFFFFFFC read-only\n",
                           &config, &err))
        << err;
    const qrvsim::Camera &first = config.cameras[0], &second = config.cameras[1], &third = config.cameras[2];
    EXPECT_EQ(first.identity[qrvsim::kVendor], "Maker of things");
    EXPECT_EQ(first.identity[qrvsim::kModel], "Simulated camera");
    EXPECT_EQ(first.identity[qrvsim::kSerial], "1");
    EXPECT_EQ(first.identity[qrvsim::kUserName], longest);
    EXPECT_EQ(second.identity[qrvsim::kUserName], "");
    ASSERT_NE(first.description, nullptr);
    EXPECT_EQ(std::string((const char *)first.description->bytes, first.description->size), "abc");
    EXPECT_FALSE(first.description->zip);
    // Its SHA-1; all zeros, "none given", in a simulator built without libmd.
    const uint8_t abcSha1[20] = {0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
                                 0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
    const uint8_t noSha1[20] = {};
    EXPECT_EQ(memcmp(first.description->sha1, QRV_SIM_SHA1 ? abcSha1 : noSha1, sizeof abcSha1), 0);
    EXPECT_EQ(second.description, nullptr);
    ASSERT_NE(third.description, nullptr);
    EXPECT_TRUE(third.description->zip);
    EXPECT_EQ(first.registers.at(0xFFFFF0F00A0Cu), 5u);
    EXPECT_EQ(first.faults.at(0xFFFFFFFFFFFFFFFCu), (unsigned)qrvsim::kReadOnly);

    Config defaults = qrvsim::defaultConfig();
    EXPECT_EQ(defaults.cameras[1].identity[qrvsim::kSerial], "21330418");
    EXPECT_EQ(defaults.cameras[1].description, qrvsim::defaultDescription());
}

} // namespace

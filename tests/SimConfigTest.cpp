// The simulator's configuration and number reading, called directly.
#include "Sim.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace {

using qrvsim::Config;

// A configuration file in a folder of its own, read as the simulator reads
// it; what it reported goes to err.
class SimConfig : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "visionaccess-config-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    void writeFile(const std::string &name, const std::string &text) const
    {
        std::ofstream(path(name), std::ios::binary) << text;
    }
    bool read(const std::string &text, Config *config, std::string *err)
    {
        writeFile("sim.cfg", text);
        ::testing::internal::CaptureStderr();
        bool accepted = qrvsim::readConfig(path("sim.cfg").c_str(), config);
        *err = ::testing::internal::GetCapturedStderr();
        return accepted;
    }

    std::string dir_;
};

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
    };
    for (const auto &c : cases) {
        Config config;
        std::string err;
        EXPECT_FALSE(read(c.config, &config, &err)) << c.error;
        EXPECT_EQ(err, "QrVApi simulator: " + path("sim.cfg") + ":" + c.error + "\n");
    }
}

} // namespace

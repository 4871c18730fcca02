// A simulated camera's memory, called directly: registers and read-only
// memory in blocks, faults per register, writes all or nothing.
#include "SimFixture.h"

#include <string.h>

namespace {

using qrvsim::Config;
using qrvsim::RegisterState;

const int32_t kNoRegister = qrvsim::kStatusNoRegister;
const int32_t kReadOnly = qrvsim::kStatusReadOnly;
const int32_t kInjected = qrvsim::kStatusInjected;

// What a failed or no-store read leaves: the bytes the caller had there.
const uint8_t kFiller = 0xEE;

class SimMemory : public SimFolder {
protected:
    void SetUp() override
    {
        SimFolder::SetUp();
        writeFile("abcde.xml", "abcde");
        std::string err;
        ASSERT_TRUE(readConfig("camera 7\n"
                               "register 7 0x1000 0x11223344\n"
                               "register 7 0x1004 0x55667788\n"
                               "register 7 0x1008 0x99AABBCC\n"
                               "register 7 0xFFFFF0F00A0C 5\n"
                               "register 7 0x1C8 0xCAFE\n"     // over the bootstrap: the register wins
                               "fault 7 0x1008 read-fails\n"
                               "fault 7 0x1004 read-only\n"
                               "fault 7 0x148 read-no-store\n"  // in the serial number
                               "identity 7 vendor Maker of things\n"
                               "genicam 7 abcde.xml\n",
                               &config_, &err))
            << err;
        setenv("QRV_SIM_STATE", path("state").c_str(), 1);
        state_.configure();
    }
    void TearDown() override
    {
        unsetenv("QRV_SIM_STATE");
        SimFolder::TearDown();
    }
    const qrvsim::Camera &camera() const { return config_.cameras[0]; }
    // The status, and the bytes read (kFiller where nothing was stored).
    std::pair<int32_t, std::string> read(uint64_t address, uint32_t size)
    {
        std::string bytes(size, (char)kFiller);
        int32_t status = qrvsim::readMemory(camera(), state_, address, (uint8_t *)bytes.data(), size);
        return {status, bytes};
    }
    int32_t write(uint64_t address, const std::string &bytes)
    {
        return qrvsim::writeMemory(camera(), state_, address, (const uint8_t *)bytes.data(), (uint32_t)bytes.size());
    }

    Config config_;
    RegisterState state_;
};

std::string bytes(std::initializer_list<int> values)
{
    std::string text;
    for (int value : values)
        text += (char)value;
    return text;
}

std::string text64(const std::string &text)
{
    return text + std::string(64 - text.size(), '\0');
}

TEST_F(SimMemory, ReadsCoverWholeRegistersAndAnyReadOnlyBytes)
{
    const std::string filler(1, (char)kFiller);
    const struct {
        const char *name;
        uint64_t address;
        uint32_t size;
        int32_t status;
        std::string bytes;  // on success
    } cases[] = {
        {"two registers", 0x1000, 8, 0, bytes({0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55})},
        {"ends inside a register", 0x1000, 6, kNoRegister, ""},
        {"starts inside a register", 0x1002, 4, kNoRegister, ""},
        {"past the registers", 0x1000, 16, kInjected, ""},
        {"a read fault anywhere fails it all", 0x1004, 8, kInjected, ""},
        {"above 4 GiB", 0xFFFFF0F00A0C, 4, 0, bytes({5, 0, 0, 0})},
        {"nothing there", 0xFFFFF0F00A10, 4, kNoRegister, ""},
        {"wraps past 2^64", 0xFFFFFFFFFFFFFFFC, 8, kNoRegister, ""},
        {"nothing asked", 0x2000, 0, 0, ""},
        {"GenCP version", 0x0, 4, 0, bytes({0, 0, 1, 0})},
        {"vendor", 0x4, 64, 0, text64("Maker of things")},
        {"model, one byte", 0x44, 1, 0, "S"},
        {"version", 0xC4, 64, 0, text64(VISIONACCESS_VERSION)},
        {"serial, one word stored nothing", 0x144, 12, 0, bytes({'7', 0, 0, 0}) + filler + filler + filler + filler + bytes({0, 0, 0, 0})},
        {"a register over the bootstrap", 0x1C4, 12, 0, std::string(4, '\0') + bytes({0xFE, 0xCA, 0, 0}) + std::string(4, '\0')},
        {"manifest address", 0x1D0, 8, 0, bytes({0, 0, 1, 0, 0, 0, 0, 0})},
        {"past the bootstrap", 0x1D4, 8, kNoRegister, ""},
        {"manifest entry count", 0x10000, 8, 0, bytes({1, 0, 0, 0, 0, 0, 0, 0})},
        {"entry: versions", 0x10008, 8, 0, bytes({0, 0, 0, 1, 0, 0, 1, 1})},
        {"entry: address and size", 0x10010, 16, 0, bytes({0, 0, 0x10, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0})},
        {"description", 0x100000, 5, 0, "abcde"},
        {"description, padded to whole words", 0x100004, 4, 0, bytes({'e', 0, 0, 0})},
        {"past the description", 0x100000, 9, kNoRegister, ""},
    };
    for (const auto &c : cases) {
        auto [status, read] = this->read(c.address, c.size);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(read, c.status == 0 ? c.bytes : std::string(c.size, (char)kFiller)) << c.name;
    }
}

TEST_F(SimMemory, ManifestEntryCarriesTheSha1)
{
    const uint8_t abcdeSha1[20] = {0x03, 0xde, 0x6c, 0x57, 0x0b, 0xfe, 0x24, 0xbf, 0xc3, 0x28,
                                   0xcc, 0xd7, 0xca, 0x46, 0xb7, 0x6e, 0xad, 0xaf, 0x43, 0x34};
    auto [status, sha1] = read(0x10008 + 0x18, 20);
    EXPECT_EQ(status, 0);
    // All zeros, "none given", in a simulator built without libmd.
    EXPECT_EQ(sha1, QRV_SIM_SHA1 ? std::string((const char *)abcdeSha1, 20) : std::string(20, '\0'));
    EXPECT_EQ(read(0x10008 + 0x2C, 20).second, std::string(20, '\0')) << "reserved";
}

// A write is checked whole before anything is kept, and then kept in one
// write to the state file.
TEST_F(SimMemory, WritesAreAllOrNothing)
{
    const struct {
        const char *name;
        uint64_t address;
        std::string bytes;
        int32_t status;
    } cases[] = {
        {"read-only register in the block", 0x1000, std::string(8, '\1'), kReadOnly},
        {"half a register", 0x1008, std::string(2, '\1'), kNoRegister},
        {"bootstrap", 0x184, "name", kReadOnly},
        {"description", 0x100000, "abcd", kReadOnly},
        {"nothing there", 0x2000, "abcd", kNoRegister},
        {"register then nothing", 0x1008, std::string(8, '\1'), kNoRegister},
    };
    for (const auto &c : cases)
        EXPECT_EQ(write(c.address, c.bytes), c.status) << c.name;
    EXPECT_FALSE(std::filesystem::exists(path("state"))) << "nothing was kept";

    config_.cameras[0].faults.clear();
    EXPECT_EQ(write(0x1000, bytes({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0})), 0);
    EXPECT_EQ(write(0xFFFFF0F00A0C, bytes({0x78, 0x56, 0x34, 0x12})), 0);
    EXPECT_EQ(read(0x1000, 12).second, bytes({1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
    std::ifstream file(path("state"));
    std::string journal((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(journal.find("7 0x00001000 0x00000001\n7 0x00001004 0x00000002\n7 0x00001008 0x00000003\n"
                           "7 0xFFFFF0F00A0C 0x12345678\n"),
              std::string::npos)
        << journal;
    RegisterState again;
    again.configure();
    again.reload();
    EXPECT_EQ(again.values(), state_.values()) << "wide addresses read back";
}

// No manifest with "genicam none"; a ZIP file's entry says so in its format.
TEST_F(SimMemory, ManifestFollowsTheGenicamStatement)
{
    writeFile("camera.zip", std::string("PK\3\4", 4) + "rest");
    std::string err;
    Config config;
    ASSERT_TRUE(readConfig("camera 7\ncamera 8\ngenicam 7 none\ngenicam 8 camera.zip\n", &config, &err)) << err;
    uint8_t got[8];
    memset(got, kFiller, sizeof got);
    EXPECT_EQ(qrvsim::readMemory(config.cameras[0], state_, 0x1D0, got, 8), 0);
    EXPECT_EQ(std::string((char *)got, 8), std::string(8, '\0'));
    EXPECT_EQ(qrvsim::readMemory(config.cameras[0], state_, 0x10000, got, 4), kNoRegister);
    EXPECT_EQ(qrvsim::readMemory(config.cameras[1], state_, 0x10008 + 4, got, 4), 0);
    EXPECT_EQ(std::string((char *)got, 4), bytes({0x00, 0x04, 0x01, 0x01})) << "schema 1.1, ZIP";
}

} // namespace

// The simulated SDK called directly, as any program might call it.
#include "QrVApi.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

// The trace file of this process's simulator.
const std::string kTrace =
    (std::filesystem::temp_directory_path() / ("visionaccess-sim-trace-" + std::to_string(getpid()))).string();

// The simulator reads its environment at its first call: no configuration,
// a trace, and nothing kept across runs for these tests.
class SimulatorEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        unsetenv("QRV_SIM_CONFIG");
        setenv("QRV_SIM_TRACE", kTrace.c_str(), 1);
        setenv("QRV_SIM_STATE", "off", 1);
    }
    void TearDown() override { unlink(kTrace.c_str()); }
};
const ::testing::Environment *const kEnvironment = ::testing::AddGlobalTestEnvironment(new SimulatorEnvironment);

const uint32_t kFirstCamera = 21330417;
const int32_t kStatusReadOnly = (int32_t)0x8000F009;

// The trace lines written since the last call.
std::vector<std::string> newTraceLines()
{
    static size_t seen = 0;
    std::ifstream file(kTrace, std::ios::binary);
    file.seekg((std::streamoff)seen);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
        seen += line.size() + 1;
    }
    return lines;
}

// A camera opened for one test.
class OpenCamera : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GE(QrVInitializeEx(kFirstCamera, &handle_, 0), 0);
        newTraceLines();
    }
    void TearDown() override { QrVUninitialize(handle_); }
    uint64_t readU64(uint64_t address)
    {
        uint8_t bytes[8] = {};
        EXPECT_EQ(QrVReadMemory(handle_, address, bytes, sizeof bytes), 0) << std::hex << address;
        uint64_t value = 0;
        for (int k = 7; k >= 0; k--)
            value = value << 8 | bytes[k];
        return value;
    }
    void *handle_ = nullptr;
};

TEST(Simulator, CallsWithBadHandlesOrPointersFailWithoutCrashing)
{
    uint32_t command[3] = {43, 0x60018, 0};
    void *never = reinterpret_cast<void *>(0x5eed);
    EXPECT_LT(QrVUninitialize(never), 0);
    EXPECT_LT(QrVUninitialize(nullptr), 0);
    EXPECT_LT(QrVPrivateCmd(never, sizeof command, command), 0);
    EXPECT_LT(QrVPrivateCmd(nullptr, sizeof command, command), 0);
    EXPECT_LT(QrVGetNumberCamerasEx(nullptr, nullptr), 0);
    EXPECT_LT(QrVInitializeEx(kFirstCamera, nullptr, 0), 0);

    _CAMERA_ID_INFO unprepared = {};
    uint32_t count = 1;
    EXPECT_LT(QrVGetNumberCamerasEx(&unprepared, &count), 0) << "recordSize not set";
}

TEST(Simulator, CameraOpensOnceAndClosesOnce)
{
    void *camera = nullptr;
    void *again = nullptr;
    ASSERT_GE(QrVInitializeEx(kFirstCamera, &camera, 0), 0);
    EXPECT_LT(QrVInitializeEx(kFirstCamera, &again, 0), 0) << "already open";
    EXPECT_LT(QrVInitializeEx(12345, &again, 0), 0) << "no such camera";
    EXPECT_GE(QrVUninitialize(camera), 0);
    EXPECT_LT(QrVUninitialize(camera), 0) << "closed twice";
    uint32_t command[3] = {43, 0x60018, 0};
    EXPECT_LT(QrVPrivateCmd(camera, sizeof command, command), 0) << "used after close";
}

TEST(Simulator, PrivateCommandMustBeAKnownTwelveByteRecord)
{
    void *camera = nullptr;
    ASSERT_GE(QrVInitializeEx(kFirstCamera, &camera, 0), 0);
    uint32_t command[3] = {43, 0x60018, 0x55555555};
    EXPECT_LT(QrVPrivateCmd(camera, 8, command), 0);
    EXPECT_LT(QrVPrivateCmd(camera, sizeof command, nullptr), 0);
    command[0] = 7;
    EXPECT_LT(QrVPrivateCmd(camera, sizeof command, command), 0) << "unknown opcode";
    command[0] = 43;
    EXPECT_GE(QrVPrivateCmd(camera, sizeof command, command), 0);
    EXPECT_EQ(command[2], 1920u) << "Width";
    EXPECT_GE(QrVUninitialize(camera), 0);
}

TEST(Simulator, MemoryCallsCheckHandleAndPointer)
{
    uint8_t bytes[4];
    void *never = reinterpret_cast<void *>(0x5eed);
    EXPECT_EQ(QrVReadMemory(never, 0x60018, bytes, 4), (int32_t)0x8000F006);
    EXPECT_EQ(QrVWriteMemory(nullptr, 0x60018, bytes, 4), (int32_t)0x8000F006);
    void *camera = nullptr;
    ASSERT_GE(QrVInitializeEx(kFirstCamera, &camera, 0), 0);
    EXPECT_EQ(QrVReadMemory(camera, 0x60018, nullptr, 4), (int32_t)0x8000F002);
    EXPECT_EQ(QrVWriteMemory(camera, 0x60018, nullptr, 4), (int32_t)0x8000F002);
    EXPECT_EQ(QrVReadMemory(camera, 0x60018, nullptr, 0), 0) << "nothing asked, nothing needed";
    EXPECT_GE(QrVUninitialize(camera), 0);
}

// The default description, fetched as a host does: the manifest table's
// address, its entry, then the file in 64 KiB blocks; the same bytes come 4
// at a time through the private command, and none can be written.
TEST_F(OpenCamera, DefaultDescriptionIsServedWithItsSha1)
{
    uint64_t table = readU64(0x1D0);
    ASSERT_EQ(readU64(table), 1u) << "one entry";
    uint8_t entry[64];
    ASSERT_EQ(QrVReadMemory(handle_, table + 8, entry, sizeof entry), 0);
    uint32_t format = entry[4] | entry[5] << 8 | entry[6] << 16 | (uint32_t)entry[7] << 24;
    EXPECT_EQ(format >> 24, 1u) << "schema 1.1";
    EXPECT_EQ(format >> 16 & 0xFF, 1u);
    EXPECT_EQ(format >> 10 & 0x3F, 0u) << "uncompressed XML";
    uint64_t address = readU64(table + 8 + 8);
    uint64_t size = readU64(table + 8 + 16);
    ASSERT_GT(size, 0u);
    ASSERT_LT(address + size, 1ull << 32);

    const uint32_t kBlock = 64 * 1024;
    std::string file(size, '\0');
    for (uint64_t done = 0; done < size; done += kBlock) {
        uint32_t piece = (uint32_t)std::min<uint64_t>(kBlock, size - done);
        ASSERT_EQ(QrVReadMemory(handle_, address + done, &file[done], piece), 0);
    }
    // The file's bytes, with the SHA-1 of SimulatedCamera.xml (as CMake
    // computed it when configuring), whether or not libmd was found.
    std::ostringstream source;
    source << std::ifstream(SIM_DEFAULT_DESCRIPTION, std::ios::binary).rdbuf();
    EXPECT_EQ(file, source.str());
    std::string sha1;
    for (int i = 0; i < 20; i++) {
        char hex[3];
        snprintf(hex, sizeof hex, "%02x", entry[0x18 + i]);
        sha1 += hex;
    }
    EXPECT_EQ(sha1, SIM_DEFAULT_DESCRIPTION_SHA1) << "the SHA-1 computed at build time";
    EXPECT_EQ(file.rfind("<?xml", 0), 0u);
    for (const char *feature : {"<IntReg Name=\"Width\"", "<FloatReg Name=\"AcquisitionFrameRate\"", "<Port Name=\"Device\""})
        EXPECT_NE(file.find(feature), std::string::npos) << feature;

    std::string wordByWord;
    for (uint64_t at = address; at < address + size; at += 4) {
        uint32_t command[3] = {43, (uint32_t)at, 0};
        ASSERT_EQ(QrVPrivateCmd(handle_, sizeof command, command), 0) << std::hex << at;
        wordByWord.append((const char *)&command[2], 4);
    }
    EXPECT_EQ(wordByWord.substr(0, size), file);
    uint32_t write[3] = {44, (uint32_t)address, 0};
    EXPECT_EQ(QrVPrivateCmd(handle_, sizeof write, write), kStatusReadOnly);
    EXPECT_EQ(QrVWriteMemory(handle_, 0x144, "1234", 4), kStatusReadOnly) << "serial";
}

// One trace line per memory call, whatever its size, with up to 16 of its
// bytes.
TEST_F(OpenCamera, MemoryCallsAreTracedOneLineEach)
{
    uint64_t size = readU64(0x10000 + 8 + 16);
    newTraceLines();
    std::string block(size, '\0');
    uint8_t width[4] = {0x80, 0x07, 0, 0};
    QrVReadMemory(handle_, 0x100000, &block[0], (uint32_t)size);
    QrVReadMemory(handle_, 0x4, &block[0], 16);
    QrVReadMemory(handle_, 0xFFFFF0F00A0C, &block[0], 4);
    QrVWriteMemory(handle_, 0x60018, width, 4);
    QrVReadMemory(handle_, 0x60018, &block[0], 4);
    std::string call = "(handle=" + std::to_string(reinterpret_cast<uintptr_t>(handle_)) + " address=0x";
    const std::vector<std::string> expected = {
        "QrVReadMemory" + call + "100000 size=" + std::to_string(size) +
            ") -> status=0x00000000 bytes=3C3F786D6C2076657273696F6E3D2231...",
        "QrVReadMemory" + call + "4 size=16) -> status=0x00000000 bytes=5172564170692073696D756C61746F72",
        "QrVReadMemory" + call + "FFFFF0F00A0C size=4) -> status=0x8000F008",
        "QrVWriteMemory" + call + "60018 size=4 bytes=80070000) -> status=0x00000000",
        "QrVReadMemory" + call + "60018 size=4) -> status=0x00000000 bytes=80070000",
    };
    EXPECT_EQ(newTraceLines(), expected);
}

} // namespace

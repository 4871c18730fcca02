// The open SDK's exported functions on devices of the scripted stand-in for
// libusb: this test links both, the stand-in first, so the stand-in answers
// the SDK's libusb calls.
#include "GigeFakeCamera.h"
#include "Identity.h"
#include "Status.h"
#include "ToolHarness.h"
#include "U3vFakeUsb.h"

#include "QrVApi.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace u3v;

class U3vApi : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "visionaccess-u3v-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        setenv("U3V_FAKE_USB", (dir_ + "/devices").c_str(), 1);
        setenv("U3V_FAKE_USB_LOG", (dir_ + "/transfers").c_str(), 1);
        // No GigE Vision discovery on this machine's interfaces; a test that
        // wants one names its cameras before its first call.
        setenv("QRV_U3V_GIGE", "none", 1);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // Attaches exactly the devices of this script, replacing the last.
    void attach(const std::string &script)
    {
        std::string next = dir_ + "/devices.next";
        std::ofstream(next) << script;
        ASSERT_EQ(rename(next.c_str(), (dir_ + "/devices").c_str()), 0);
    }
    // The camera numbers the SDK lists.
    std::vector<uint32_t> numbers()
    {
        uint32_t capacity = 8;
        std::vector<_CAMERA_ID_INFO> records(capacity);
        records[0].recordSize = sizeof records[0];
        EXPECT_EQ(QrVGetNumberCamerasEx(records.data(), &capacity), 0);
        std::vector<uint32_t> listed;
        for (uint32_t k = 0; k < capacity; k++)
            listed.push_back(records[k].cameraNumber);
        return listed;
    }
    // The stand-in's transfer lines since the last call.
    std::vector<std::string> transfers()
    {
        std::ifstream in(dir_ + "/transfers");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        ::remove((dir_ + "/transfers").c_str());
        return lines;
    }
    // The commands sent (lines "out ..."), since the last call.
    size_t commandsSent()
    {
        size_t sent = 0;
        for (const std::string &line : transfers())
            sent += line.rfind("out ", 0) == 0;
        return sent;
    }

    std::string dir_;
};

TEST_F(U3vApi, RecordsOfAnotherSizeAreRefused)
{
    for (uint32_t size : {0u, 51u, 53u, 104u}) {
        _CAMERA_ID_INFO records[2] = {};
        records[0].recordSize = size;
        uint32_t capacity = 2;
        EXPECT_EQ(QrVGetNumberCamerasEx(records, &capacity), kStatusBadArgument) << "recordSize " << size;
    }
    EXPECT_EQ(numbers(), std::vector<uint32_t>{}) << "52 is right, with no device";
}

// A USB3 Vision device and GigE Vision cameras in one list, numbered
// together: two of the same serial, one of each transport, each by its
// place; the third by its serial.  Each opens and answers as its own
// transport has it: the GigE Vision camera's register the number it holds,
// its memory big-endian.  Its record names its address.
TEST_F(U3vApi, UsbAndGigeCamerasAreListedAndNumberedTogether)
{
    gige::GigeFakeCamera twin("12345678"), other("GV02");
    twin.putWord(0x100, 0x200);
    setenv("QRV_U3V_GIGE", (gige::targetText(twin.target()) + "," + gige::targetText(other.target())).c_str(), 1);
    attach("device 1 2 5\nserial 12345678\nregister 60018 780\n");
    uint32_t usbNumber = cameraNumberFromPort(1, (const uint8_t *)"\x02", 1);
    uint32_t twinNumber = cameraNumberFromPlace("gige:" + gige::targetText(twin.target()));
    // USB3 Vision devices first, then GigE Vision cameras by address and port.
    std::vector<uint32_t> expected = {usbNumber, twinNumber, cameraNumberFromSerial("GV02")};
    if (other.target() < twin.target())
        std::swap(expected[1], expected[2]);
    EXPECT_EQ(numbers(), expected);

    uint32_t capacity = 3;
    std::vector<_CAMERA_ID_INFO> records(capacity);
    records[0].recordSize = sizeof records[0];
    ASSERT_EQ(QrVGetNumberCamerasEx(records.data(), &capacity), 0);
    const _CAMERA_ID_INFO &record = records[expected[1] == twinNumber ? 1 : 2];
    EXPECT_EQ(record.sdkData[0], 0) << "no USB bus";
    EXPECT_EQ(std::string((const char *)&record.sdkData[13]), gige::targetText(twin.target()));

    void *usb = nullptr, *camera = nullptr;
    ASSERT_EQ(QrVInitializeEx(usbNumber, &usb, 0), 0);
    ASSERT_EQ(QrVInitializeEx(twinNumber, &camera, 0), 0);
    uint32_t command[3] = {43, 0x60018, 0};
    EXPECT_EQ(QrVPrivateCmd(usb, sizeof command, command), 0);
    EXPECT_EQ(command[2], 0x780u);
    command[1] = 0x100;
    EXPECT_EQ(QrVPrivateCmd(camera, sizeof command, command), 0);
    EXPECT_EQ(command[2], 0x200u);
    uint8_t bytes[4] = {};
    EXPECT_EQ(QrVReadMemory(camera, 0x100, bytes, 4), 0);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), std::vector<uint8_t>({0, 0, 2, 0}));
    EXPECT_EQ(QrVWriteMemory(camera, 0x102, bytes, 4), kStatusUnaligned);
    EXPECT_EQ(QrVUninitialize(camera), 0);
    EXPECT_EQ(QrVUninitialize(usb), 0);
    EXPECT_EQ(twin.controller(), "") << "control given back";
}

TEST_F(U3vApi, PrivateCommandsOtherThanReadAndWriteAreRefused)
{
    attach("device 1 3 7\nserial 3003\nregister 60018 780\n");
    void *camera = nullptr;
    ASSERT_EQ(QrVInitializeEx(3003, &camera, 0), 0);
    transfers();
    uint32_t record[3] = {45, 0x60018, 0};
    EXPECT_EQ(QrVPrivateCmd(camera, sizeof record, record), kStatusBadCommand);
    EXPECT_EQ(commandsSent(), 0u);
    record[0] = 43;
    EXPECT_EQ(QrVPrivateCmd(camera, sizeof record, record), 0);
    EXPECT_EQ(record[2], 0x780u);
    EXPECT_EQ(QrVUninitialize(camera), 0);
}

// The optional memory calls: split into pieces of what the device's maxima
// allow (here 52 bytes of data per acknowledge, 44 per write), 64-bit
// addresses, and their argument checks.
TEST_F(U3vApi, MemoryIsReadAndWrittenInPieces)
{
    attach("device 1 5 9\nserial 5005\nmax-command 64\nmax-ack 64\n"
           "pattern 100000 400\npattern FFFFF0F00000 16\n");
    void *camera = nullptr;
    ASSERT_EQ(QrVInitializeEx(5005, &camera, 0), 0);
    transfers();
    const struct {
        const char *name;
        bool write;
        uint64_t address;
        uint32_t size;
        bool nullBytes;
        int32_t status;
        size_t commands;
    } cases[] = {
        {"a block in one piece", false, 0x100000, 52, false, 0, 1},
        {"a read across piece boundaries", false, 0x100010, 200, false, 0, 4},
        {"beyond 32 bits", false, 0xFFFFF0F00000, 16, false, 0, 1},
        {"a write across piece boundaries", true, 0x100100, 100, false, 0, 3},
        {"size 0", false, 0x100000, 0, false, 0, 0},
        {"size 0, no bytes", true, 0x100000, 0, true, 0, 0},
        {"no bytes", false, 0x100000, 4, true, kStatusBadArgument, 0},
        {"no bytes to write", true, 0x100000, 4, true, kStatusBadArgument, 0},
        {"past the end of the address space", false, UINT64_MAX - 2, 4, false, kStatusBadArgument, 0},
        {"an address the device lacks", false, 0x200000, 4, false, deviceStatus(0x8003), 1},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> bytes(c.size + 1, 0xEE);
        for (uint32_t k = 0; k < c.size; k++)
            bytes[k] = (uint8_t)~fakeUsbPattern(c.address + k);
        void *given = c.nullBytes ? nullptr : bytes.data();
        int32_t status = c.write ? QrVWriteMemory(camera, c.address, given, c.size) : QrVReadMemory(camera, c.address, given, c.size);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(commandsSent(), c.commands) << c.name;
        if (c.status != 0 || c.size == 0)
            continue;
        std::vector<uint8_t> back(c.size);
        ASSERT_EQ(QrVReadMemory(camera, c.address, back.data(), c.size), 0) << c.name;
        transfers();
        for (uint32_t k = 0; k < c.size; k++)
            ASSERT_EQ(back[k], c.write ? bytes[k] : fakeUsbPattern(c.address + k)) << c.name << ", byte " << k;
        EXPECT_EQ(bytes[c.size], 0xEE) << c.name << ": nothing beyond size";
    }
    EXPECT_EQ(QrVReadMemory(camera, 0x100000, nullptr, 0), 0);
    EXPECT_EQ(QrVUninitialize(camera), 0);
    uint8_t four[4];
    EXPECT_EQ(QrVReadMemory(camera, 0x100000, four, 4), kStatusBadHandle) << "closed";
    EXPECT_EQ(QrVReadMemory(camera, 0x100000, nullptr, 0), kStatusBadHandle) << "closed, size 0";
    EXPECT_EQ(QrVWriteMemory(nullptr, 0x100000, four, 4), kStatusBadHandle);
}

// Another device at the same place and address (the first unplugged): its
// own serial and number, not those remembered of the first.
TEST_F(U3vApi, ADeviceSwappedAtOneAddressIsIdentifiedAgain)
{
    attach("device 2 1.4 17\nserial 1111\n");
    EXPECT_EQ(numbers(), std::vector<uint32_t>{1111});
    EXPECT_EQ(numbers(), std::vector<uint32_t>{1111}) << "the same device";
    attach("device 2 1.4 17\nserial 2222\nproduct 0004\n");
    EXPECT_EQ(numbers(), std::vector<uint32_t>{2222}) << "another product";
    attach("device 2 1.4 17\nserial 3333\nproduct 0004\nserial-index 5\n");
    EXPECT_EQ(numbers(), std::vector<uint32_t>{3333}) << "another serial string";
    attach("device 2 1.4 17\nserial 4444\nproduct 0004\nserial-index 5\nrelease 0200\n");
    EXPECT_EQ(numbers(), std::vector<uint32_t>{4444}) << "another release";
}

// Makes every allocation from now on fail: the address space limited to
// what is in use, and what is left of the heap taken.
void exhaustMemory()
{
    long pages = 0;
    FILE *statm = fopen("/proc/self/statm", "r");
    if (statm == nullptr || fscanf(statm, "%ld", &pages) != 1)
        _exit(3);
    fclose(statm);
    limitAddressSpaceOrExit((size_t)pages * (size_t)sysconf(_SC_PAGESIZE) + (1 << 20));
    void *volatile taken;  // or the compiler drops the allocations
    for (size_t size = 1 << 20; size > 4096; size /= 2)
        while ((taken = malloc(size)) != nullptr)
            ;
    for (size_t size = 4096; size > 0; size -= 8)  // every small size, freed ones too
        while ((taken = malloc(size)) != nullptr)
            ;
}

TEST_F(U3vApi, RunningOutOfMemoryIsAStatus)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than a limit to run out under";
#endif
    attach("device 1 6 11\nserial 6006\n");
    uint32_t cameras = 0;
    ASSERT_EQ(QrVGetNumberCamerasEx(nullptr, &cameras), 0) << "the first call sets up what stays";
    ASSERT_EQ(cameras, 1u);
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        exhaustMemory();
        _exit(QrVGetNumberCamerasEx(nullptr, &cameras) == kStatusNoMemory ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kAddressLimitIgnored)
        GTEST_SKIP() << "the address space limit is not in force here (an emulator keeps it from its guest)";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << (WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                                : "exit status " + std::to_string(WEXITSTATUS(status)));
}

} // namespace

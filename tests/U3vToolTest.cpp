// VisionAccess on the open SDK, on this machine: no USB3 Vision device (and
// here no USB bus at all) is no camera, quietly; and odd or hostile devices
// of the scripted stand-in for libusb (U3vFakeUsb.h), preloaded.
#include "ToolHarness.h"

#include <algorithm>
#include <sstream>

namespace {

class U3vTool : public ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        setEnv("LD_LIBRARY_PATH", U3V_SDK_DIR);
        setEnv("QRV_U3V_TRACE", path("u3v-trace"));
    }
    // The devices of the stand-in, for the next runs.
    void attach(const std::string &script)
    {
        writeFile("devices", script);
        setEnv("LD_PRELOAD", FAKE_USB);
        setEnv("U3V_FAKE_USB", path("devices"));
        setEnv("U3V_FAKE_USB_LOG", path("transfers"));
        // The stand-in is loaded ahead of the sanitizer runtime in sanitized builds.
        const char *asan = getenv("ASAN_OPTIONS");
        setEnv("ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0");
    }
    // The lines of a file of the test's folder that start with the prefix.
    std::vector<std::string> linesOf(const std::string &name, const std::string &prefix)
    {
        std::istringstream text(readFile(name));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);)
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        return lines;
    }
};

TEST_F(U3vTool, NoDeviceIsNoCamera)
{
    ToolRun result = run({"-r", "60018"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + "    No cameras found !!\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile("trace"), "") << "the simulator was not loaded";
    EXPECT_EQ(readFile("u3v-trace").rfind("QrVGetNumberCamerasEx(info=NULL capacity=0) -> status=0x00000000 count=0 ", 0),
              0u)
        << readFile("u3v-trace");
}

// An impostor reporting a camera's serial takes neither the number nor the
// writes meant for the camera: both are numbered by their place, and one
// line says so.
TEST_F(U3vTool, DevicesSharingASerialAreNumberedByTheirPlace)
{
    attach("device 1 2 5\nserial 12345678\nregister 60018 780\n"
           "device 1 3 6\nserial 12345678\nregister 60018 500\n"
           "device 2 1 3\nserial 87654321\nregister 60018 400\n");
    ToolRun result = run({"-r", "60018"});
    EXPECT_EQ(result.status, 0);
    // The hashes of usb:1-2 and usb:1-3, as cameraNumberFromPort makes them.
    EXPECT_EQ(result.out, kStamp +
                              "    Camera 187700655\n"
                              "        Register 0x60018 read as 0x00000780\n"
                              "    Camera 170923036\n"
                              "        Register 0x60018 read as 0x00000500\n"
                              "    Camera 87654321\n"
                              "        Register 0x60018 read as 0x00000400\n");
    EXPECT_EQ(result.err, "QrVApi (USB3 Vision): the USB3 Vision devices on bus 001 device 005 at 1-2 (serial "
                          "\"12345678\") and bus 001 device 006 at 1-3 (serial \"12345678\") claim camera number "
                          "12345678: each is numbered by its place on the bus instead (man visionaccess-u3v: CAMERA NUMBERS)\n");
}

// A device's strings reach the trace and standard error with every byte
// outside printable ASCII as \xNN: no forged line, no terminal escape.
TEST_F(U3vTool, DeviceStringsAreEscaped)
{
    attach("device 1 2 5\nserial 7\\x0AQrVPrivateCmd(handle=1)\\x1B[2J\nvendor Tab\\x09Vendor\nmodel \\x7F\n"
           "device 1 3 6\nserial 7\\x0AQrVPrivateCmd(handle=1)\\x1B[2J\n");
    ToolRun result = run({});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find(" (serial \"7\\x0AQrVPrivateCmd(handle=1)\\x1B[2J\") and "), std::string::npos)
        << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(result.err.find('\x1B'), std::string::npos) << result.err;
    std::vector<std::string> cameras = linesOf("u3v-trace", "camera ");
    ASSERT_FALSE(cameras.empty()) << readFile("u3v-trace");
    EXPECT_EQ(cameras[0].substr(0, cameras[0].find(" bus=")),
              "camera number=187700655 serial=7\\x0AQrVPrivateCmd(handle=1)\\x1B[2J vendor=Tab\\x09Vendor model=\\x7F");
    EXPECT_EQ(linesOf("u3v-trace", "QrVPrivateCmd").size(), 0u) << "no forged line";
    EXPECT_EQ(readFile("u3v-trace").find('\x1B'), std::string::npos);
}

// A device claiming 4 GiB commands and acknowledges: what the channel can
// ever use is taken instead, and sizes stay in libusb's int.
TEST_F(U3vTool, HugeMaximaAreClampedToTheLargestPacket)
{
    attach("device 1 2 5\nserial 555\nmax-command 0xFFFFFFFF\nmax-ack 0xFFFFFFFF\nregister 60018 780\n");
    ToolRun result = run({"-r", "60018"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + "    Camera 555\n        Register 0x60018 read as 0x00000780\n");
    std::vector<std::string> asked = linesOf("transfers", "in ");
    ASSERT_FALSE(asked.empty());
    for (const std::string &line : asked) {
        long capacity = std::stol(line.substr(3));
        EXPECT_GE(capacity, 16) << line;
        EXPECT_LE(capacity, 12 + 65535) << line;
    }
}

} // namespace

// What a camera says of itself (-v), which cameras a run takes (-s), and
// registers above 32-bit addresses, on the simulated cameras: with the
// optional memory calls, and on the simulator built without them, as an SDK
// that has only the four calls.
#include "ToolHarness.h"

#include <algorithm>
#include <tuple>

namespace {

using Cameras = ToolTest;

int countContaining(const std::vector<std::string> &lines, const std::string &text)
{
    return (int)std::count_if(lines.begin(), lines.end(),
                              [&](const std::string &line) { return line.find(text) != std::string::npos; });
}

// A camera of the simulator shaped as a GigE Vision camera: a device mode at
// 0x0004 whose first byte is no text, a URL in its first URL register, and
// each text field (address, size, text) where GigE Vision keeps it, as
// register lines of the configuration.
std::string gigeShaped(uint32_t camera, const std::vector<std::tuple<uint32_t, size_t, std::string>> &fields)
{
    std::string lines = "camera " + std::to_string(camera) + "\n";
    auto put = [&](uint32_t address, size_t size, const std::string &text) {
        std::string bytes = text;
        bytes.resize(size, '\0');
        for (size_t at = 0; at < size; at += 4) {
            uint32_t word = 0;
            for (size_t k = 0; k < 4; k++)
                word |= (uint32_t)(uint8_t)bytes[at + k] << (8 * k);
            char line[64];
            snprintf(line, sizeof line, "register %u 0x%X 0x%X\n", camera, address + (uint32_t)at, word);
            lines += line;
        }
    };
    put(0x4, 4, std::string("\x80\0\0\x01", 4));
    put(0x200, 32, "Local:camera.xml;10000;3e67");
    for (const auto &field : fields)
        put(std::get<0>(field), std::get<1>(field), std::get<2>(field));
    return lines;
}

const std::string kDefaultIdentity = "        Vendor: QrVApi simulator\n"
                                     "        Model: Simulated camera\n"
                                     "        Version: 1.0.0\n";

TEST_F(Cameras, IdentityLinesFollowTheHeading)
{
    const struct {
        const char *name;
        std::string config;
        std::string out;
    } cases[] = {
        {"the defaults: no line for an empty family or user name", "camera 5\n",
         "    Camera 5\n" + kDefaultIdentity + "        Serial: 5\n        Register 0x60018 read as 0x00000780\n"},
        {"every field, bytes outside printable ASCII escaped",
         "camera 5\nidentity 5 vendor Maker\nidentity 5 model Cam\xC3\xA9ra \x1B[2J\nidentity 5 family F\n"
         "identity 5 version 2.0\nidentity 5 serial SN-5\nidentity 5 name left one\n",
         "    Camera 5\n        Vendor: Maker\n        Model: Cam\\xC3\\xA9ra \\x1B[2J\n        Family: F\n"
         "        Version: 2.0\n        Serial: SN-5\n        User name: left one\n"
         "        Register 0x60018 read as 0x00000780\n"},
        {"an empty vendor, model or serial still has its line",
         "camera 5\nidentity 5 vendor\nidentity 5 model\nidentity 5 version\nidentity 5 serial\n",
         "    Camera 5\n        Vendor:\n        Model:\n        Serial:\n        Register 0x60018 read as 0x00000780\n"},
        {"every byte outside 0x20 to 0x7E escaped, at both ends of the range and past it",
         "camera 5\nidentity 5 model \x01\x1F" "A~ !\x7F\x80\xFF\n",
         "    Camera 5\n" "        Vendor: QrVApi simulator\n        Model: \\x01\\x1FA~ !\\x7F\\x80\\xFF\n"
         "        Version: 1.0.0\n        Serial: 5\n        Register 0x60018 read as 0x00000780\n"},
        {"a serial of all its 64 bytes, no NUL: whole, and the name after it apart",
         "camera 5\nidentity 5 serial " + std::string(60, 's') + "xyz\nregister 5 0x180 0x44434241\n"
         "identity 5 name N\n",
         "    Camera 5\n" + kDefaultIdentity + "        Serial: " + std::string(60, 's') + "ABCD\n"
         "        User name: N\n        Register 0x60018 read as 0x00000780\n"},
        {"a field that cannot be read, and the others go on", "camera 5\nfault 5 0x44 read-fails\n",
         "    Camera 5\n        Vendor: QrVApi simulator\n        Could not read the camera's model\n"
         "        Version: 1.0.0\n        Serial: 5\n        Register 0x60018 read as 0x00000780\n"},
        {"a GigE Vision camera: its fields where it keeps them, a full one whole, no family",
         gigeShaped(5, {{0x48, 32, "Aravis"}, {0x68, 32, "Fake"}, {0x88, 32, "0.8.26"},
                        {0xD8, 16, "GV0123456789ABCD"}, {0xE8, 16, "left"}}),
         "    Camera 5\n        Vendor: Aravis\n        Model: Fake\n        Version: 0.8.26\n"
         "        Serial: GV0123456789ABCD\n        User name: left\n        Register 0x60018 read as 0x00000780\n"},
        {"a device mode that is no text but no URL register: a USB3 Vision camera",
         "camera 5\nregister 5 0x4 0x1000080\n",
         "    Camera 5\n        Vendor: \\x80\n        Model: Simulated camera\n        Version: 1.0.0\n"
         "        Serial: 5\n        Register 0x60018 read as 0x00000780\n"},
    };
    for (const char *sdk : {SIM_SDK_DIR, NARROW_SIM_SDK_DIR}) {
        setEnv("LD_LIBRARY_PATH", sdk);
        for (const auto &c : cases) {
            useConfig(c.config);
            ToolRun result = run({"-r", "60018", "-v"});
            EXPECT_EQ(result.status, 0) << sdk << ": " << c.name;
            EXPECT_EQ(result.out, kStamp + c.out) << sdk << ": " << c.name;
            EXPECT_EQ(result.err, "") << sdk << ": " << c.name;
        }
    }
}

// One block read per field where the SDK has it, else 16 words of 4 bytes.
TEST_F(Cameras, IdentityIsReadInBlocksWhereTheSdkOffersThem)
{
    const struct {
        const char *sdk;
        const char *call;
        int calls;
    } cases[] = {
        {SIM_SDK_DIR, "QrVReadMemory(", 6},
        {NARROW_SIM_SDK_DIR, "QrVPrivateCmd(", 6 * 16},
    };
    useConfig("camera 5\n");
    for (const auto &c : cases) {
        setEnv("LD_LIBRARY_PATH", c.sdk);
        writeFile("trace", "");
        ASSERT_EQ(run({"-v"}).status, 0);
        std::vector<std::string> trace = traceLines();
        EXPECT_EQ(countContaining(trace, c.call), c.calls) << c.sdk;
    }
}

TEST_F(Cameras, SelectionTakesOnlyTheCamerasAskedFor)
{
    useConfig("camera 1001\ncamera 1002\ncamera 1003\n"
              "identity 1002 serial SN-B\nidentity 1003 name left\n");
    const struct {
        std::vector<std::string> args;
        std::string out;
        int opened;  // QrVInitializeEx calls
    } cases[] = {
        {{}, "    Camera 1001\n    Camera 1002\n    Camera 1003\n", 3},
        {{"-s", "1002"}, "    Camera 1002\n", 1},
        {{"-S", "1003", "-s", "1001"}, "    Camera 1001\n    Camera 1003\n", 2},
        {{"-s", "SN-B"}, "    Camera 1002\n", 3},
        {{"-s", "left", "-s", "1001"}, "    Camera 1001\n    Camera 1003\n", 3},
        {{"-s", "sn-b"}, "    No camera matches sn-b\n", 3},
        {{"-s", "9", "-s", "nobody", "-s", "1002"}, "    Camera 1002\n    No camera matches 9\n"
                                                    "    No camera matches nobody\n", 3},
        {{"-s", "9", "-s", "1004"}, "    No camera matches 9\n    No camera matches 1004\n", 0},
        {{"-s", "9", "-s", "-1002"}, "    No camera matches 9\n    No camera matches -1002\n", 3},
        {{"-s", "1002", "-s", "1002"}, "    Camera 1002\n", 1},
        {{"-s", "no\ncamera"}, "    No camera matches no\\x0Acamera\n", 3},
    };
    for (const auto &c : cases) {
        writeFile("trace", "");
        ToolRun result = run(c.args);
        EXPECT_EQ(result.status, 0) << describe(c.args);
        EXPECT_EQ(result.out, kStamp + c.out) << describe(c.args);
        EXPECT_EQ(countContaining(traceLines(), "QrVInitializeEx("), c.opened) << describe(c.args);
    }
}

// -s by a GigE Vision camera's serial or user-defined name, where it keeps them.
TEST_F(Cameras, SelectionFindsAGigeCamerasSerialAndName)
{
    useConfig("camera 1001\n" + gigeShaped(1002, {{0xD8, 16, "GV01"}, {0xE8, 16, "right"}}) +
              "identity 1002 serial SN-USB\n");
    for (const char *sdk : {SIM_SDK_DIR, NARROW_SIM_SDK_DIR}) {
        setEnv("LD_LIBRARY_PATH", sdk);
        EXPECT_EQ(run({"-s", "GV01"}).out, kStamp + "    Camera 1002\n") << sdk;
        EXPECT_EQ(run({"-s", "right", "-s", "1001"}).out, kStamp + "    Camera 1001\n    Camera 1002\n") << sdk;
        EXPECT_EQ(run({"-s", "1002"}).out, kStamp + "    Camera 1002\n") << sdk;
        EXPECT_EQ(run({"-s", "SN-USB"}).out, kStamp + "    No camera matches SN-USB\n")
            << sdk << ": not where a USB3 Vision camera keeps its serial";
    }
}

// A camera number is a word of decimal digits only, up to 4294967295; any
// other word is a serial number or user-defined name, matched exactly, for
// which every camera is opened.
TEST_F(Cameras, OnlyDigitsAreACameraNumber)
{
    useConfig("camera 7\ncamera 4294967291\ncamera 12\n"
              "identity 12 serial +5\nidentity 7 serial 99999999999\n");
    const struct {
        const char *word;
        std::string out;
        int opened;
    } cases[] = {
        {"12", "    Camera 12\n", 1},
        {"007", "    Camera 7\n", 1},
        {"4294967291", "    Camera -5\n", 1},
        {"0", "    No camera matches 0\n", 0},
        {"-5", "    No camera matches -5\n", 3},  // the heading's form is no camera number
        {"+5", "    Camera 12\n", 3},
        {" 5", "    No camera matches  5\n", 3},
        {"12 ", "    No camera matches 12 \n", 3},
        {"99999999999", "    Camera 7\n", 3},
        {"4294967296", "    No camera matches 4294967296\n", 3},
        {"0x7", "    No camera matches 0x7\n", 3},
    };
    for (const auto &c : cases) {
        writeFile("trace", "");
        ToolRun result = run({"-s", c.word});
        EXPECT_EQ(result.status, 0) << c.word;
        EXPECT_EQ(result.out, kStamp + c.out) << c.word;
        EXPECT_EQ(countContaining(traceLines(), "QrVInitializeEx("), c.opened) << c.word;
    }
}

// A text matches a whole serial number or user-defined name, byte for byte:
// never a part of one, never in another case, and all 64 bytes of a field
// that has no NUL.
TEST_F(Cameras, SelectionMatchesWholeTextsOnly)
{
    const std::string serial64 = std::string(60, 's') + "ABCD";
    useConfig("camera 1001\ncamera 1002\ncamera 1003\nidentity 1001 serial " + std::string(60, 's') +
              "xyz\nregister 1001 0x180 0x44434241\nidentity 1002 serial SN-B\nidentity 1003 name left\n");
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"-s", "SN-B"}, "    Camera 1002\n"},
        {{"-s", "SN-"}, "    No camera matches SN-\n"},
        {{"-s", "SN-BB"}, "    No camera matches SN-BB\n"},
        {{"-s", "N-B"}, "    No camera matches N-B\n"},
        {{"-s", "lef", "-s", "LEFT", "-s", "left "}, "    No camera matches lef\n    No camera matches LEFT\n"
                                                     "    No camera matches left \n"},
        {{"-s", "left", "-s", "SN-B"}, "    Camera 1002\n    Camera 1003\n"},
        {{"-s", serial64}, "    Camera 1001\n"},
        {{"-s", serial64.substr(0, 63)}, "    No camera matches " + serial64.substr(0, 63) + "\n"},
        {{"-s", serial64 + "N"}, "    No camera matches " + serial64 + "N\n"},
    };
    for (const auto &c : cases) {
        ToolRun result = run(c.args);
        EXPECT_EQ(result.status, 0) << describe(c.args);
        EXPECT_EQ(result.out, kStamp + c.out) << describe(c.args);
    }
}

TEST_F(Cameras, UnmatchedSelectionsComeBeforeEachPrompt)
{
    useConfig("camera 5\nfail count -1\n");
    ToolRun result = runTwoScans({"-c", "-s", "5"});
    const std::string scan = kStamp + "    No cameras found !!\n    No camera matches 5\n"
                                      "PRESS ANY KEY TO EXIT (after 5000 ms delay)\n";
    EXPECT_EQ(result.out, scan + scan);
}

TEST_F(Cameras, RegistersAbove32BitsNeedTheMemoryCalls)
{
    useConfig("camera 5\nregister * 0xFFFFF0F00A0C 0x12345678\n");
    const struct {
        const char *sdk;
        std::vector<std::string> args;
        std::string out;
        const char *traced;  // a call the trace must show
    } cases[] = {
        {SIM_SDK_DIR, {"-r", "FFFFF0F00A0C"}, "        Register 0xFFFFF0F00A0C read as 0x12345678\n",
         "QrVReadMemory(handle=1 address=0xFFFFF0F00A0C size=4)"},
        {SIM_SDK_DIR, {"-i", "-w", "0xFFFFF0F00A0C", "7", "-r", "FFFFF0F00A0C"},
         "        Register 0xFFFFF0F00A0C written with value 0x00000007\n"
         "        Register 0xFFFFF0F00A0C read as 7\n",
         "QrVWriteMemory(handle=1 address=0xFFFFF0F00A0C size=4 bytes=07000000)"},
        {SIM_SDK_DIR, {"-r", "FFFFFFFF"}, "        Could not read register 0xFFFFFFFF\n",
         "QrVPrivateCmd(handle=1 size=12 opcode=43 address=0xFFFFFFFF"},
        {SIM_SDK_DIR, {"-r", "100000000"}, "        Could not read register 0x100000000\n",
         "QrVReadMemory(handle=1 address=0x100000000 size=4)"},
        {SIM_SDK_DIR, {"-r", "Face"}, "        Could not read register 0xFACE\n",
         "QrVPrivateCmd(handle=1 size=12 opcode=43 address=0xFACE"},
        {NARROW_SIM_SDK_DIR, {"-r", "FFFFF0F00A0C"},
         "        Could not read register 0xFFFFF0F00A0C: the SDK reaches only 32-bit addresses\n",
         "QrVUninitialize"},
        {NARROW_SIM_SDK_DIR, {"-w", "FFFFF0F00A0C", "1", "-r", "60018"},
         "        Could not write register 0xFFFFF0F00A0C: the SDK reaches only 32-bit addresses\n"
         "        Register 0x60018 read as 0x00000780\n",
         "QrVPrivateCmd(handle=1 size=12 opcode=43 address=0x60018"},
    };
    for (const auto &c : cases) {
        setEnv("LD_LIBRARY_PATH", c.sdk);
        writeFile("trace", "");
        ToolRun result = run(c.args);
        EXPECT_EQ(result.status, 0) << c.sdk << ": " << describe(c.args);
        EXPECT_EQ(result.out, kStamp + "    Camera 5\n" + c.out) << c.sdk << ": " << describe(c.args);
        EXPECT_EQ(countContaining(traceLines(), c.traced), 1) << c.sdk << ": " << describe(c.args);
    }
}

} // namespace

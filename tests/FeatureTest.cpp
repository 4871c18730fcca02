// GenICam features by name on the simulated cameras: values in their own
// forms, the camera's description fetched once and then cached, -x, -g and
// -a, and the SDK calls each makes.
#include "Skip.h"
#include "ToolHarness.h"

#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

class Features : public ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        SKIP_UNLESS(GENICAM_MODULE_BUILT, GENICAM_MODULE_MISSING, GENICAM_MODULE_HOW);
        setEnv("XDG_CACHE_HOME", path("cache"));
        useConfig("camera 5\n");
    }

    int countContaining(const std::string &text) const
    {
        std::vector<std::string> trace = traceLines();
        return (int)std::count_if(trace.begin(), trace.end(),
                                  [&](const std::string &line) { return line.find(text) != std::string::npos; });
    }

    // Runs the tool on camera 5 alone and gives its lines below the heading.
    std::string cameraLines(const std::vector<std::string> &args)
    {
        writeFile("trace", "");
        ToolRun result = run(args);
        EXPECT_EQ(result.status, 0) << describe(args);
        EXPECT_EQ(result.err, "") << describe(args);
        const std::string heading = kStamp + "    Camera 5\n";
        if (result.out.compare(0, heading.size(), heading) != 0)
            return "not a scan of camera 5: " + result.out;
        return result.out.substr(heading.size());
    }
};

// A description written for the tests: Width on the Height register, a
// selector kept on the host, a gain register chosen by it, a 2-byte
// register, and a register above 4 GiB.
const char kDescription[] = R"(<?xml version="1.0" encoding="utf-8"?>
<RegisterDescription ModelName="Test" VendorName="Test" StandardNameSpace="None" SchemaMajorVersion="1"
    SchemaMinorVersion="1" SchemaSubMinorVersion="0" MajorVersion="1" MinorVersion="0" SubMinorVersion="0"
    ProductGuid="00000000-0000-0000-0000-000000000001" VersionGuid="00000000-0000-0000-0000-000000000002"
    xmlns="http://www.genicam.org/GenApi/Version_1_1">
  <Category Name="Root"><pFeature>Width</pFeature><pFeature>GainSelector</pFeature><pFeature>Gain</pFeature></Category>
  <IntReg Name="Width"><Address>0x6001C</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <Enumeration Name="GainSelector">
    <EnumEntry Name="EnumEntry_GainSelector_Digital"><Value>0</Value><Symbolic>Digital</Symbolic></EnumEntry>
    <EnumEntry Name="EnumEntry_GainSelector_Analog"><Value>1</Value><Symbolic>Analog</Symbolic></EnumEntry>
    <Value>0</Value>
  </Enumeration>
  <IntReg Name="Gain"><Address>0x70000</Address><pIndex Offset="4">GainSelector</pIndex><Length>4</Length>
    <AccessMode>RW</AccessMode><pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <IntReg Name="Short"><Address>0x60018</Address><Length>2</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <IntReg Name="High"><Address>0x100000000</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <Port Name="Device"/>
</RegisterDescription>
)";

TEST_F(Features, ValuesAreReadAndWrittenInTheirOwnForms)
{
    useConfig("camera 5\nfault 5 0x60028 read-fails\n");
    const struct {
        std::vector<std::string> args;
        std::string lines;
        int writes;  // register writes the camera saw
    } cases[] = {
        {{"-r", "Width", "-r", "ExposureTime"}, "        Feature Width read as 1920\n"
                                                "        Feature ExposureTime read as 10000\n", 0},
        {{"-i", "-r", "Width", "-r", "60018"}, "        Feature Width read as 1920\n"
                                               "        Register 0x60018 read as 1920\n", 0},
        {{"-f", "-r", "Width", "-r", "60050"}, "        Feature Width read as 1920\n"
                                               "        Register 0x60050 read as 30.000000\n", 0},
        {{"-r", "Width", "-w", "Width", "0x280", "-r", "60018"},
         "        Feature Width written with value 0x280\n        Feature Width read as 640\n"
         "        Register 0x60018 read as 0x00000280\n", 1},
        {{"-w", "ExposureTime", "5000.25", "-f", "-r", "60040", "-r", "ExposureTime"},
         "        Feature ExposureTime written with value 5000.25\n        Register 0x60040 read as 5000.250000\n"
         "        Feature ExposureTime read as 5000.25\n", 1},
        {{"-w", "Width", "64O", "-w", "Gain", "1,5", "-w", "Width", "1 2"},
         "        Could not write feature Width: not an integer: '64O'\n"
         "        Could not write feature Gain: not a number: '1,5'\n"
         "        Could not write feature Width: not an integer: '1 2'\n", 0},
        {{"-r", "PixelFormat", "-w", "OffsetX", "0"}, "        Could not write feature OffsetX: no such feature\n"
                                                      "        Could not read feature PixelFormat: no such feature\n", 0},
        {{"-r", "BinningHorizontal"},
         "        Could not read feature BinningHorizontal: register 0x60028 could not be read (status 0x8000F00A)\n", 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(cameraLines(c.args), c.lines) << describe(c.args);
        EXPECT_EQ(countContaining("QrVWriteMemory(") + countContaining("opcode=44"), c.writes) << describe(c.args);
    }
}

// The description is read once from the camera, in one block; later runs
// read only the manifest, then just the registers a feature needs.
TEST_F(Features, DescriptionIsFetchedOnceThenCached)
{
    EXPECT_EQ(cameraLines({"-r", "Width"}), "        Feature Width read as 1920\n");
    EXPECT_EQ(countContaining("QrVReadMemory(handle=1 address=0x100000 "), 1);
    for (int run = 0; run < 2; run++) {
        EXPECT_EQ(cameraLines({"-r", "Width"}), "        Feature Width read as 1920\n");
        EXPECT_EQ(countContaining("address=0x100000 "), 0) << "run " << run;
        EXPECT_EQ(countContaining("QrVReadMemory("), 4) << "manifest address, count and entry, then Width";
    }
    // A damaged copy is fetched again and replaced.
    std::string folder = path("cache/visionaccess/genicam");
    std::vector<std::string> cached;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        cached.push_back(entry.path().string());
    ASSERT_EQ(cached.size(), 1u);
    std::ofstream(cached[0]) << "<not a description";
    EXPECT_EQ(cameraLines({"-r", "Width"}), "        Feature Width read as 1920\n");
    EXPECT_EQ(countContaining("address=0x100000 "), 1);
    EXPECT_EQ(slurp(cached[0]).substr(0, 5), "<?xml");
}

TEST_F(Features, WithoutACacheEveryRunFetches)
{
    setEnv("XDG_CACHE_HOME", "relative/cache");
    setEnv("HOME", "");
    for (int run = 0; run < 2; run++) {
        EXPECT_EQ(cameraLines({"-r", "Width"}), "        Feature Width read as 1920\n");
        EXPECT_EQ(countContaining("address=0x100000 "), 1) << "run " << run;
    }
}

TEST_F(Features, CameraWithoutADescription)
{
    useConfig("camera 5\ngenicam 5 none\n");
    EXPECT_EQ(cameraLines({"-x", ".", "-r", "Width", "-r", "60018"}),
              "        Could not read the GenICam description: no manifest\n"
              "        Could not read feature Width: the camera has no GenICam description (no manifest)\n"
              "        Register 0x60018 read as 0x00000780\n");
}

TEST_F(Features, SavedDescriptionIsTheCamerasOwn)
{
    writeFile("camera.xml", kDescription);
    useConfig("camera 5\ngenicam 5 camera.xml\n");
    ASSERT_EQ(mkdir(path("saved").c_str(), 0700), 0);
    EXPECT_EQ(cameraLines({"-X", path("saved")}), "        GenICam description saved to " + path("saved") + "/5.xml\n");
    EXPECT_EQ(slurp(path("saved/5.xml")), kDescription);
}

// An SDK with only the four calls: the description comes 4 bytes a call,
// and what lies above 4 GiB or is not whole words is out of its reach.
TEST_F(Features, SdkWithoutMemoryCalls)
{
    setEnv("LD_LIBRARY_PATH", NARROW_SIM_SDK_DIR);
    writeFile("camera.xml", kDescription);
    useConfig("camera 5\ngenicam 5 camera.xml\nregister 5 0x70000 10\n");
    EXPECT_EQ(cameraLines({"-r", "Width", "-w", "Short", "1", "-r", "Short", "-r", "High"}),
              "        Could not write feature Short: register 0x60018 could not be written: the SDK writes only "
              "whole aligned 4-byte words, and writing part of one could change its neighbour\n"
              "        Feature Width read as 1200\n        Feature Short read as 1920\n"
              "        Could not read feature High: register 0x100000000 could not be read: the SDK reaches only "
              "32-bit addresses\n");
    size_t words = (sizeof kDescription - 1 + 3) / 4;
    const int kManifestWords = 2 + 2 + 16;  // table address, entry count, entry
    EXPECT_EQ(countContaining("QrVPrivateCmd("), kManifestWords + (int)words + 2) << "and the two registers read";
}

// -g: one description for every camera, read before any camera is touched;
// a selector written on the host chooses the register a later read uses.
TEST_F(Features, DescriptionFileServesEveryCamera)
{
    writeFile("test.xml", kDescription);
    useConfig("camera 5\nregister 5 0x70000 10\nregister 5 0x70004 20\n");
    EXPECT_EQ(cameraLines({"-g", path("test.xml"), "-r", "Gain", "-w", "GainSelector", "Analog", "-r", "Gain",
                           "-r", "GainSelector", "-r", "Width"}),
              "        Feature GainSelector written with value Analog\n        Feature Gain read as 20\n"
              "        Feature Gain read as 20\n        Feature GainSelector read as Analog\n"
              "        Feature Width read as 1200\n");
    EXPECT_EQ(countContaining("address=0x1D0 "), 0) << "the camera's own description is never asked for";
    EXPECT_EQ(cameraLines({"-g", path("test.xml"), "-r", "Gain", "-r", "GainSelector"}),
              "        Feature Gain read as 10\n        Feature GainSelector read as Digital\n")
        << "host-side values live for a camera's turn";
}

TEST_F(Features, ListingReadsEveryFeatureAndWritesNothing)
{
    EXPECT_EQ(cameraLines({"-a"}), "        Feature Width (IntReg, RW) read as 1920\n"
                                   "        Feature Height (IntReg, RW) read as 1200\n"
                                   "        Feature BinningHorizontal (IntReg, RW) read as 1\n"
                                   "        Feature BinningVertical (IntReg, RW) read as 1\n"
                                   "        Feature ExposureTime (FloatReg, RW) read as 10000\n"
                                   "        Feature Gain (FloatReg, RW) read as 0\n"
                                   "        Feature AcquisitionFrameRate (FloatReg, RW) read as 30\n");
    EXPECT_EQ(countContaining("QrVWriteMemory(") + countContaining("opcode=44"), 0);
}

// A fetch of more than a second shows its progress on standard error when
// that is a terminal, one line rewritten and erased at the end; never when
// it is not.  The camera answers each 4-byte read in 1 ms, so the 8 KB
// description takes some 2 s.
TEST_F(Features, SlowFetchShowsProgressOnATerminalOnly)
{
    setEnv("LD_LIBRARY_PATH", NARROW_SIM_SDK_DIR);
    writeFile("camera.xml", std::string(kDescription) + "<!--" + std::string(8192, '-') + "-->\n");
    useConfig("camera 5\ngenicam 5 camera.xml\nlatency 1000\n");
    setEnv("XDG_CACHE_HOME", "");
    setEnv("HOME", "");

    ToolRun plain = run({"-r", "Width"});
    EXPECT_EQ(plain.out, kStamp + "    Camera 5\n        Feature Width read as 1200\n");
    EXPECT_EQ(plain.err, "") << "no progress where standard error is no terminal";

    int terminal = -1, child = -1;
    ASSERT_EQ(openpty(&terminal, &child, nullptr, nullptr, nullptr), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(terminal);
        if (login_tty(child) == 0)
            execTool({"-r", "Width"});
        _exit(127);
    }
    close(child);
    std::string screen;
    char buffer[4096];
    for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;)
        screen.append(buffer, (size_t)got);
    close(terminal);
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(status, 0);
    const std::string progress = "\rReading the GenICam description of camera 5: ";
    size_t shown = screen.find(progress);
    EXPECT_NE(shown, std::string::npos) << screen;
    EXPECT_NE(screen.find("\r\x1B[K", shown), std::string::npos) << "erased at the end: " << screen;
    EXPECT_NE(screen.find("Feature Width read as 1200"), std::string::npos) << screen;
}

} // namespace

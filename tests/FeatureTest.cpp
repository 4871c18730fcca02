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

    // The SDK calls that reached the camera's memory, each up to its " -> ".
    std::vector<std::string> memoryCalls() const
    {
        std::vector<std::string> calls;
        for (const std::string &line : traceLines())
            if (line.rfind("QrVPrivateCmd(", 0) == 0 || line.rfind("QrVReadMemory(", 0) == 0 ||
                line.rfind("QrVWriteMemory(", 0) == 0)
                calls.push_back(line.substr(0, line.find(" -> ")));
        return calls;
    }
};

// The 4-byte command as the trace shows it: a read of the word at address,
// or a write of value there.
std::string wordRead(const std::string &address)
{
    return "QrVPrivateCmd(handle=1 size=12 opcode=43 address=" + address + " value=0x55555555)";
}
std::string wordWrite(const std::string &address, const std::string &value)
{
    return "QrVPrivateCmd(handle=1 size=12 opcode=44 address=" + address + " value=" + value + ")";
}

// A ZIP archive of one file, stored uncompressed, as any archiver writes it.
std::string storedZip(const std::string &name, const std::string &content)
{
    uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : content) {
        crc ^= byte;
        for (int bit = 0; bit < 8; bit++)
            crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    crc = ~crc;
    auto put = [](std::string *out, uint32_t value, int bytes) {
        for (int k = 0; k < bytes; k++)
            out->push_back((char)(value >> (8 * k)));
    };
    const uint32_t size = (uint32_t)content.size();
    const uint32_t nameSize = (uint32_t)name.size();
    std::string local = "PK\x03\x04";
    for (uint32_t field : {20u, 0u, 0u, 0u, 0u})  // version needed, flags, stored, time, date
        put(&local, field, 2);
    for (uint32_t field : {crc, size, size})
        put(&local, field, 4);
    put(&local, nameSize, 2);
    put(&local, 0, 2);  // no extra field
    local += name + content;
    std::string central = "PK\x01\x02";
    for (uint32_t field : {20u, 20u, 0u, 0u, 0u, 0u})  // made by, needed, flags, stored, time, date
        put(&central, field, 2);
    for (uint32_t field : {crc, size, size})
        put(&central, field, 4);
    for (uint32_t field : {nameSize, 0u, 0u, 0u, 0u})  // name, extra, comment, disk, internal attributes
        put(&central, field, 2);
    put(&central, 0, 4);  // external attributes
    put(&central, 0, 4);  // the local header's offset
    central += name;
    std::string end = "PK\x05\x06";
    for (uint32_t field : {0u, 0u, 1u, 1u})  // disk, its first, entries here, entries
        put(&end, field, 2);
    put(&end, (uint32_t)central.size(), 4);
    put(&end, (uint32_t)local.size(), 4);
    put(&end, 0, 2);  // no comment
    return local + central + end;
}

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

// A cache folder planted as a link in a folder others may write to is
// never followed: nothing lands where it leads, and every run fetches.
TEST_F(Features, APlantedCacheFolderIsNeverUsed)
{
    ASSERT_EQ(mkdir(path("shared").c_str(), 0777), 0);
    ASSERT_EQ(chmod(path("shared").c_str(), 0777), 0);
    ASSERT_EQ(mkdir(path("victim").c_str(), 0700), 0);
    ASSERT_EQ(symlink(path("victim").c_str(), path("shared/visionaccess").c_str()), 0);
    setEnv("XDG_CACHE_HOME", path("shared"));
    for (int run = 0; run < 2; run++) {
        EXPECT_EQ(cameraLines({"-r", "Width"}), "        Feature Width read as 1920\n");
        EXPECT_EQ(countContaining("address=0x100000 "), 1) << "run " << run;
    }
    EXPECT_TRUE(std::filesystem::is_empty(path("victim")));
}

// A continual run starts each scan afresh on the module's side and still
// reads every scan's features.
TEST_F(Features, EveryScanOfAContinualRunReadsFeatures)
{
    ToolRun result = runTwoScans({"-c", "-r", "Width"});
    const std::string scan = "    Camera 5\n        Feature Width read as 1920\n";
    size_t first = result.out.find(scan);
    ASSERT_NE(first, std::string::npos) << result.out;
    EXPECT_NE(result.out.find(scan, first + scan.size()), std::string::npos) << result.out;
    EXPECT_EQ(countContaining("address=0x100000 "), 1) << "fetched once, then cached";
}

TEST_F(Features, CameraWithoutADescription)
{
    useConfig("camera 5\ngenicam 5 none\n");
    // -x comes after the reads.
    EXPECT_EQ(cameraLines({"-x", ".", "-r", "Width", "-r", "60018"}),
              "        Could not read feature Width: the camera has no GenICam description (no manifest)\n"
              "        Register 0x60018 read as 0x00000780\n"
              "        Could not read the GenICam description: no manifest\n");
}

TEST_F(Features, SavedDescriptionIsTheCamerasOwn)
{
    writeFile("camera.xml", kDescription);
    useConfig("camera 5\ngenicam 5 camera.xml\n");
    ASSERT_EQ(mkdir(path("saved").c_str(), 0700), 0);
    EXPECT_EQ(cameraLines({"-X", path("saved")}), "        GenICam description saved to " + path("saved") + "/5.xml\n");
    EXPECT_EQ(slurp(path("saved/5.xml")), kDescription);
}

// -x writes each file whole through a new file of its own, renamed into
// place: a link planted at the name is replaced, never followed, and a
// failed write leaves whatever was there and nothing of its own.
TEST_F(Features, SavedDescriptionNeverGoesThroughALinkOrHalfWay)
{
    const std::string padded = std::string(kDescription) + "<!--" + std::string(8192, '-') + "-->\n";
    writeFile("camera.xml", padded);
    useConfig("camera 5\ncamera 4294967291\ngenicam * camera.xml\n");
    setEnv("XDG_CACHE_HOME", "");
    setEnv("HOME", "");
    const struct {
        const char *name;
        const char *planted;  // what stands at saved/5.xml first: "link", "folder", "file" or ""
        long sizeLimit;
        std::string lines5;
        std::string saved5;  // saved/5.xml afterwards; "" for a folder
    } cases[] = {
        {"a new file", "", 0, "        GenICam description saved to saved/5.xml\n", padded},
        {"a planted link is replaced", "link", 0, "        GenICam description saved to saved/5.xml\n", padded},
        {"an older file is replaced", "file", 0, "        GenICam description saved to saved/5.xml\n", padded},
        {"a folder in the way", "folder", 0,
         "        Could not save the GenICam description to saved/5.xml: Is a directory\n", ""},
        {"a write that fails half-way keeps the older file", "file", 4096,
         "        Could not save the GenICam description to saved/5.xml: File too large\n", "older\n"},
    };
    for (const auto &c : cases) {
        std::filesystem::remove_all(path("saved"));
        ASSERT_EQ(mkdir(path("saved").c_str(), 0700), 0);
        writeFile("victim", "precious\n");
        std::string planted = c.planted;
        if (planted == "link")
            ASSERT_EQ(symlink("../victim", path("saved/5.xml").c_str()), 0);
        else if (planted == "folder")
            ASSERT_EQ(mkdir(path("saved/5.xml").c_str(), 0700), 0);
        else if (planted == "file")
            writeFile("saved/5.xml", "older\n");
        limitFileSize(c.sizeLimit);
        ToolRun result = run({"-x", "saved", "-s", "5"});
        EXPECT_EQ(result.out, kStamp + "    Camera 5\n" + c.lines5) << c.name;
        EXPECT_EQ(readFile("victim"), "precious\n") << c.name;
        if (!c.saved5.empty()) {
            EXPECT_FALSE(std::filesystem::is_symlink(path("saved/5.xml"))) << c.name;
            EXPECT_EQ(slurp(path("saved/5.xml")), c.saved5) << c.name;
        }
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(path("saved")))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"5.xml"}) << c.name << ": nothing of its own left";
    }
    limitFileSize(0);
    // A camera number above 2147483647 names its file unsigned, as the SDK
    // gives it, while its heading shows it as an int.
    ToolRun result = run({"-x", "saved", "-s", "4294967291"});
    EXPECT_EQ(result.out, kStamp + "    Camera -5\n        GenICam description saved to saved/4294967291.xml\n");
    EXPECT_EQ(slurp(path("saved/4294967291.xml")), padded);
}

// Every byte a camera or its description sends is printed with the bytes
// outside printable ASCII as \xNN: values, names and the category path of
// -a, and reasons; in the log the same.
TEST_F(Features, CameraBytesArePrintedEscaped)
{
    const char description[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<RegisterDescription ModelName=\"T\" VendorName=\"T\" StandardNameSpace=\"None\" SchemaMajorVersion=\"1\"\n"
        "    SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\"\n"
        "    SubMinorVersion=\"0\" ProductGuid=\"00000000-0000-0000-0000-000000000001\"\n"
        "    VersionGuid=\"00000000-0000-0000-0000-000000000002\" xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n"
        "  <Category Name=\"Root\"><pFeature>Caf\xC3\xA9</pFeature></Category>\n"
        "  <Category Name=\"Caf\xC3\xA9\"><pFeature>Label</pFeature><pFeature>Mode</pFeature></Category>\n"
        "  <StringReg Name=\"Label\"><Address>0x70010</Address><Length>16</Length><AccessMode>RO</AccessMode>\n"
        "    <pPort>Device</pPort></StringReg>\n"
        "  <Enumeration Name=\"Mode\"><EnumEntry Name=\"EnumEntry_Mode_\xC3\xA9t\xC3\xA9\"><Value>0</Value></EnumEntry>\n"
        "    <pValue>ModeValue</pValue></Enumeration>\n"
        "  <IntReg Name=\"ModeValue\"><Address>0x70020</Address><Length>4</Length><AccessMode>RW</AccessMode>\n"
        "    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>\n"
        "  <Port Name=\"Device\"/>\n"
        "</RegisterDescription>\n";
    writeFile("camera.xml", description);
    // "\x1B[2J\n     Cam\x9B" in the StringReg, a value no entry has in Mode.
    useConfig("camera 5\ngenicam 5 camera.xml\nregister 5 0x70010 0x4A325B1B\nregister 5 0x70014 0x2020200A\n"
              "register 5 0x70018 0x61432020\nregister 5 0x7001C 0x009B6D\nregister 5 0x70020 7\n");
    const std::string label = "\\x1B[2J\\x0A     Cam\\x9B";
    const struct {
        std::vector<std::string> args;
        std::string lines;
    } cases[] = {
        {{"-r", "Label"}, "        Feature Label read as " + label + "\n"},
        {{"-a"}, "        Feature Caf\\xC3\\xA9/Label (StringReg, RO) read as " + label + "\n"
                 "        Feature Caf\\xC3\\xA9/Mode (Enumeration, RW) cannot be read: "},
        {{"-w", "Label", "x\x1B]0;t\x07"}, "        Could not write feature Label: not writable\n"},
        {{"-w", "ModeValue", "1\x1B[2J"}, "        Could not write feature ModeValue: not an integer: '1\\x1B[2J'\n"},
        {{"-w", "Mode", "x"},
         "        Could not write feature Mode: not an entry of Mode (EnumEntry_Mode_\\xC3\\xA9t\\xC3\\xA9)\n"},
    };
    for (const auto &c : cases) {
        std::string lines = cameraLines(c.args);
        EXPECT_EQ(lines.substr(0, c.lines.size()), c.lines) << describe(c.args);
        for (char byte : lines)
            EXPECT_TRUE(byte == '\n' || (byte >= 0x20 && byte < 0x7F)) << describe(c.args) << ": " << lines;
    }
    ToolRun logged = run({"-l", "log.txt", "-r", "Label"});
    EXPECT_EQ(logged.status, 0);
    EXPECT_EQ(readFile("log.txt"), kStamp + "    Camera 5\n        Feature Label read as " + label + "\n");
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
// it is not.  The camera answers each 4-byte read in 1 ms, so the 10 KiB
// description takes some 3 s.
TEST_F(Features, SlowFetchShowsProgressOnATerminalOnly)
{
    setEnv("LD_LIBRARY_PATH", NARROW_SIM_SDK_DIR);
    // 10 KiB in all, so that each 4 KiB piece ends on a whole percent.
    const size_t padding = 10240 - (sizeof kDescription - 1) - sizeof "<!---->\n" + 1;
    writeFile("camera.xml", std::string(kDescription) + "<!--" + std::string(padding, '-') + "-->\n");
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

    // Each figure is the share of the file fetched, in whole percent, after
    // one of its 4 KiB pieces: which pieces show depends on the clock, the
    // figures they show do not.
    const uint64_t size = slurp(path("camera.xml")).size();
    std::vector<std::string> possible;
    for (uint64_t done = 4096; done < size; done += 4096)
        possible.push_back(std::to_string(done * 100 / size) + "%");
    ASSERT_EQ(possible, (std::vector<std::string>{"40%", "80%"})) << "the description's size changed";
    std::vector<std::string> figures;
    for (size_t at = shown; at != std::string::npos; at = screen.find(progress, at + 1)) {
        size_t start = at + progress.size();
        figures.push_back(screen.substr(start, screen.find_first_not_of("0123456789", start) + 1 - start));
    }
    ASSERT_FALSE(figures.empty());
    for (const std::string &figure : figures)
        EXPECT_NE(std::find(possible.begin(), possible.end(), figure), possible.end()) << figure << " in " << screen;
    EXPECT_TRUE(std::is_sorted(figures.begin(), figures.end())) << screen;
}

// The head of a description written for a test; describing() closes it.
const char kHead[] = R"(<?xml version="1.0" encoding="utf-8"?>
<RegisterDescription ModelName="Test" VendorName="Test" StandardNameSpace="None" SchemaMajorVersion="1"
    SchemaMinorVersion="1" SchemaSubMinorVersion="0" MajorVersion="1" MinorVersion="0" SubMinorVersion="0"
    ProductGuid="00000000-0000-0000-0000-000000000001" VersionGuid="00000000-0000-0000-0000-000000000002"
    xmlns="http://www.genicam.org/GenApi/Version_1_1">
)";

std::string describing(const std::string &nodes)
{
    return kHead + nodes + "  <Port Name=\"Device\"/>\n</RegisterDescription>\n";
}

std::string intReg(const std::string &name, const std::string &address, int length, const std::string &access = "RO",
                   const std::string &endianness = "LittleEndian")
{
    return "  <IntReg Name=\"" + name + "\"><Address>" + address + "</Address><Length>" + std::to_string(length) +
           "</Length><AccessMode>" + access + "</AccessMode><pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>" +
           endianness + "</Endianess></IntReg>\n";
}

std::string category(const std::string &name, const std::vector<std::string> &features)
{
    std::string text = "  <Category Name=\"" + name + "\">";
    for (const std::string &feature : features)
        text += "<pFeature>" + feature + "</pFeature>";
    return text + "</Category>\n";
}

const char *const kMemorySdk = SIM_SDK_DIR;
const char *const kNarrowSdk = NARROW_SIM_SDK_DIR;

// Registers at every byte of a word and across words, over the camera's
// model text "ABCDEFGHIJKLMNOP" (bytes 0x41 to 0x50 at 0x44 to 0x53, after
// the NUL at 0x43 that ends the vendor field); at the top of the 32-bit
// space and above it; two 4-byte registers written as one.  Through the
// 4-byte command, each word that holds a byte asked for is read once, in
// order; through the memory calls, the register is one call.
TEST_F(Features, RegistersAtAnyByteThroughEitherSdk)
{
    writeFile("registers.xml",
              describing(intReg("Byte45", "0x45", 1) + intReg("Word46", "0x46", 2) + intReg("Word47", "0x47", 2) +
                         intReg("Word47Big", "0x47", 2, "RO", "BigEndian") + intReg("Long45", "0x45", 4) +
                         intReg("Long45Big", "0x45", 4, "RO", "BigEndian") + intReg("Quad43", "0x43", 8) +
                         intReg("Byte4B", "0x4B", 1) +
                         "  <StringReg Name=\"Text45\"><Address>0x45</Address><Length>6</Length>"
                         "<AccessMode>RO</AccessMode><pPort>Device</pPort></StringReg>\n" +
                         intReg("Top1", "0xFFFFFFFF", 1) + intReg("Top2", "0xFFFFFFFE", 2) +
                         intReg("Top4", "0xFFFFFFFC", 4, "RW") + intReg("Past", "0xFFFFFFFE", 4, "RW") +
                         intReg("High", "0xFFFFF0F00A0C", 4, "RW") +
                         intReg("Pair", "0x60018", 8, "RW") + intReg("Mid", "0x6001A", 4, "RW")));
    useConfig("camera 5\nidentity 5 model ABCDEFGHIJKLMNOP\nregister 5 0xFFFFFFFC 0x11223344\n"
              "register 5 0xFFFFF0F00A0C 0x12345678\n");
    const std::string beyond32 = "the SDK reaches only 32-bit addresses\n";
    const struct {
        const char *sdk;
        std::vector<std::string> args;
        std::string lines;
        std::vector<std::string> calls;  // memory calls the camera saw, in order
    } cases[] = {
        {kNarrowSdk, {"-r", "Byte45"}, "        Feature Byte45 read as 66\n", {wordRead("0x44")}},
        {kNarrowSdk, {"-r", "Byte4B"}, "        Feature Byte4B read as 72\n", {wordRead("0x48")}},
        {kNarrowSdk, {"-r", "Word46"}, "        Feature Word46 read as 17475\n", {wordRead("0x44")}},
        {kNarrowSdk, {"-r", "Word47"}, "        Feature Word47 read as 17732\n", {wordRead("0x44"), wordRead("0x48")}},
        {kNarrowSdk, {"-r", "Word47Big"}, "        Feature Word47Big read as 17477\n",
         {wordRead("0x44"), wordRead("0x48")}},
        {kNarrowSdk, {"-r", "Long45"}, "        Feature Long45 read as 1162101570\n",
         {wordRead("0x44"), wordRead("0x48")}},
        {kNarrowSdk, {"-r", "Long45Big"}, "        Feature Long45Big read as 1111704645\n",
         {wordRead("0x44"), wordRead("0x48")}},
        {kNarrowSdk, {"-r", "Quad43"}, "        Feature Quad43 read as 5135868584551137536\n",
         {wordRead("0x40"), wordRead("0x44"), wordRead("0x48")}},
        {kNarrowSdk, {"-r", "Text45"}, "        Feature Text45 read as BCDEFG\n", {wordRead("0x44"), wordRead("0x48")}},
        {kNarrowSdk, {"-r", "Top1"}, "        Feature Top1 read as 17\n", {wordRead("0xFFFFFFFC")}},
        {kNarrowSdk, {"-r", "Top2"}, "        Feature Top2 read as 4386\n", {wordRead("0xFFFFFFFC")}},
        {kNarrowSdk, {"-r", "Top4"}, "        Feature Top4 read as 287454020\n", {wordRead("0xFFFFFFFC")}},
        {kNarrowSdk, {"-r", "Past"},
         "        Could not read feature Past: register 0xFFFFFFFE could not be read: " + beyond32, {}},
        {kNarrowSdk, {"-r", "High"},
         "        Could not read feature High: register 0xFFFFF0F00A0C could not be read: " + beyond32, {}},
        {kMemorySdk, {"-r", "Word47"}, "        Feature Word47 read as 17732\n",
         {"QrVReadMemory(handle=1 address=0x47 size=2)"}},
        {kMemorySdk, {"-r", "Quad43"}, "        Feature Quad43 read as 5135868584551137536\n",
         {"QrVReadMemory(handle=1 address=0x43 size=8)"}},
        {kMemorySdk, {"-r", "Text45"}, "        Feature Text45 read as BCDEFG\n",
         {"QrVReadMemory(handle=1 address=0x45 size=6)"}},
        {kMemorySdk, {"-r", "Top4"}, "        Feature Top4 read as 287454020\n",
         {"QrVReadMemory(handle=1 address=0xFFFFFFFC size=4)"}},
        {kMemorySdk, {"-r", "High"}, "        Feature High read as 305419896\n",
         {"QrVReadMemory(handle=1 address=0xFFFFF0F00A0C size=4)"}},
        // Writes come last: the camera keeps what they write.
        {kNarrowSdk, {"-w", "Pair", "0x0000000200000001", "-r", "60018", "-r", "6001C"},
         "        Feature Pair written with value 0x0000000200000001\n"
         "        Register 0x60018 read as 0x00000001\n        Register 0x6001C read as 0x00000002\n",
         {wordWrite("0x60018", "0x00000001"), wordWrite("0x6001C", "0x00000002"), wordRead("0x60018"),
          wordRead("0x6001C")}},
        {kNarrowSdk, {"-w", "Mid", "1"},
         "        Could not write feature Mid: register 0x6001A could not be written: the SDK writes only whole "
         "aligned 4-byte words, and writing part of one could change its neighbour\n",
         {}},
        {kNarrowSdk, {"-w", "Top4", "0x55", "-r", "Top4"},
         "        Feature Top4 written with value 0x55\n        Feature Top4 read as 85\n",
         {wordWrite("0xFFFFFFFC", "0x00000055"), wordRead("0xFFFFFFFC")}},
        {kNarrowSdk, {"-w", "Past", "1"},
         "        Could not write feature Past: register 0xFFFFFFFE could not be written: " + beyond32, {}},
        {kMemorySdk, {"-w", "Pair", "0x300000004"}, "        Feature Pair written with value 0x300000004\n",
         {"QrVWriteMemory(handle=1 address=0x60018 size=8 bytes=0400000003000000)"}},
        {kMemorySdk, {"-w", "High", "7"}, "        Feature High written with value 7\n",
         {"QrVWriteMemory(handle=1 address=0xFFFFF0F00A0C size=4 bytes=07000000)"}},
    };
    for (const auto &c : cases) {
        setEnv("LD_LIBRARY_PATH", c.sdk);
        std::vector<std::string> args = {"-g", "registers.xml"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(cameraLines(args), c.lines) << c.sdk << ": " << describe(c.args);
        EXPECT_EQ(memoryCalls(), c.calls) << c.sdk << ": " << describe(c.args);
    }
}

// -x names each file by the camera number as the SDK gives it, unsigned,
// also where the heading shows that number as an int; a zipped description
// is saved unpacked.
TEST_F(Features, SavedDescriptionsAreNamedByTheUnsignedCameraNumber)
{
    writeFile("camera.xml", kDescription);
    writeFile("camera.zip", storedZip("camera.xml", kDescription));
    const struct {
        const char *number;
        const char *heading;
        const char *served;
    } cases[] = {
        {"0", "0", "camera.xml"},
        {"2147483647", "2147483647", "camera.zip"},
        {"2147483648", "-2147483648", "camera.xml"},
        {"4294967295", "-1", "camera.zip"},
    };
    std::string config;
    std::string expected = kStamp;
    std::vector<std::string> files;
    for (const auto &c : cases) {
        config += std::string("camera ") + c.number + "\ngenicam " + c.number + " " + c.served + "\n";
        expected += std::string("    Camera ") + c.heading + "\n        GenICam description saved to saved/" +
                    c.number + ".xml\n";
        files.push_back(std::string(c.number) + ".xml");
    }
    useConfig(config);
    ASSERT_EQ(mkdir(path("saved").c_str(), 0700), 0);
    ToolRun result = run({"-x", "saved"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "");
    std::vector<std::string> saved;
    for (const auto &entry : std::filesystem::directory_iterator(path("saved")))
        saved.push_back(entry.path().filename().string());
    std::sort(saved.begin(), saved.end());
    EXPECT_EQ(saved, files);
    for (const std::string &file : files)
        EXPECT_EQ(slurp(path("saved/" + file)), kDescription) << file;
}

// -g tells a ZIP from an XML by its first bytes, whatever the file is
// called; what is neither is refused before any camera is touched.
TEST_F(Features, DescriptionFileIsZipOrXmlByItsContent)
{
    const std::string zip = storedZip("test.xml", kDescription);
    const std::string read = kStamp + "    Camera 5\n        Feature Width read as 1200\n";
    const std::string refused = "VisionAccess: cannot use the GenICam description ";
    const struct {
        const char *file;
        std::string bytes;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        {"test.xml", kDescription, 0, read, ""},
        {"test.zip", zip, 0, read, ""},
        {"zipped.xml", zip, 0, read, ""},
        {"plain.zip", kDescription, 0, read, ""},
        {"pk.xml", "PK is no archive", 1, expectedUsage(),
         refused + "'pk.xml': pk.xml is not a GenICam description: not XML: No document element found at byte 16\n"},
        {"cut.zip", zip.substr(0, 40), 1, expectedUsage(), refused + "'cut.zip': cut.zip: not a ZIP with one XML\n"},
        {"readme.zip", storedZip("readme.txt", "hello"), 1, expectedUsage(),
         refused + "'readme.zip': readme.zip: not a ZIP with one XML\n"},
        {"hello.zip", storedZip("hello.xml", "hello"), 1, expectedUsage(),
         refused + "'hello.zip': hello.zip is not a GenICam description: not XML: No document element found at "
                   "byte 5\n"},
    };
    for (const auto &c : cases) {
        writeFile(c.file, c.bytes);
        writeFile("trace", "");
        ToolRun result = run({"-g", c.file, "-r", "Width"});
        EXPECT_EQ(result.status, c.status) << c.file;
        EXPECT_EQ(result.out, c.out) << c.file;
        EXPECT_EQ(result.err, c.err) << c.file;
        EXPECT_EQ(countContaining("QrVInitializeEx("), c.status == 0 ? 1 : 0) << c.file;
    }
}

// -a: one line per feature under its category path below Root (a category
// only named like Root keeps its name); a feature that cannot be read gets
// the reason in place of its value, and the listing goes on.
TEST_F(Features, ListingGivesTheReasonForEachFeatureThatCannotBeRead)
{
    writeFile("listed.xml",
              describing(category("Root", {"Width", "Sub", "RootX", "Broken", "Blind", "Missing", "Far"}) +
                         category("Sub", {"Height", "Deeper"}) + category("Deeper", {"Model"}) +
                         category("RootX", {"Binning"}) + intReg("Width", "0x60018", 4, "RW") +
                         intReg("Height", "0x6001C", 4) + intReg("Binning", "0x60028", 4, "RW") +
                         intReg("Broken", "0x60044", 4, "RW") + intReg("Blind", "0x6002C", 4, "WO") +
                         intReg("Missing", "0x7FFF0", 4) + intReg("Far", "0x100000000", 4) +
                         "  <StringReg Name=\"Model\"><Address>0x44</Address><Length>8</Length>"
                         "<AccessMode>RO</AccessMode><pPort>Device</pPort></StringReg>\n"));
    const std::string config = "camera 5\nidentity 5 model ABCDEFGHIJKLMNOP\nfault 5 0x60044 read-fails\n";
    const std::string listing = "        Feature Width (IntReg, RW) read as 1920\n"
                                "        Feature Sub/Height (IntReg, RO) read as 1200\n"
                                "        Feature Sub/Deeper/Model (StringReg, RO) read as ABCDEFGH\n"
                                "        Feature RootX/Binning (IntReg, RW) read as 1\n"
                                "        Feature Broken (IntReg, RW) cannot be read: register 0x60044 could not be "
                                "read (status 0x8000F00A)\n"
                                "        Feature Blind (IntReg, WO) cannot be read: not readable\n"
                                "        Feature Missing (IntReg, RO) cannot be read: register 0x7FFF0 could not be "
                                "read (status 0x8000F008)\n";
    const struct {
        const char *sdk;
        std::string config;
        std::vector<std::string> args;
        std::string lines;
    } cases[] = {
        {kMemorySdk, config, {"-g", "listed.xml", "-a"},
         listing + "        Feature Far (IntReg, RO) cannot be read: register 0x100000000 could not be read "
                   "(status 0x8000F008)\n"},
        {kNarrowSdk, config, {"-g", "listed.xml", "-a"},
         listing + "        Feature Far (IntReg, RO) cannot be read: register 0x100000000 could not be read: the SDK "
                   "reaches only 32-bit addresses\n"},
        {kMemorySdk, config + "genicam 5 none\n", {"-a", "-r", "60018"},
         "        Register 0x60018 read as 0x00000780\n"
         "        Could not list the features: the camera has no GenICam description (no manifest)\n"},
    };
    for (const auto &c : cases) {
        setEnv("LD_LIBRARY_PATH", c.sdk);
        useConfig(c.config);
        EXPECT_EQ(cameraLines(c.args), c.lines) << c.sdk << ": " << describe(c.args);
        EXPECT_EQ(countContaining("QrVWriteMemory(") + countContaining("opcode=44"), 0) << c.sdk;
    }
}

} // namespace

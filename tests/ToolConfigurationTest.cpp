// -o, -p and -m as a user runs them: the real VisionAccess on the
// simulator's example cameras, every line and exit status pinned, and the
// cameras' registers compared before and after wherever a run must leave
// them as they were.
#include "ToolHarness.h"

#include <errno.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <sstream>

namespace {

const std::string kMagic = "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n";
const std::string kIndent = "        ";

class ConfigurationTool : public ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        setEnv("XDG_CACHE_HOME", path("cache"));
        // The example, beside its description, with what a test adds.
        writeFile("example-camera.xml", slurp(SIM_EXAMPLE_DIR "/example-camera.xml"));
        useExample("");
        ASSERT_EQ(mkdir(path("configs").c_str(), 0755), 0);
    }

    void useExample(const std::string &more) { useConfig(slurp(SIM_EXAMPLE_DIR "/example.conf") + more); }

    // Runs the tool, expecting nothing on standard error.
    ToolRun quiet(const std::vector<std::string> &args)
    {
        ToolRun result = run(args);
        EXPECT_EQ(result.err, "") << describe(args);
        return result;
    }

    // Every register of the example and of the default cameras, as -r shows
    // them on one camera: what a run that must leave a camera as it was
    // must leave.
    std::string registers(const std::string &camera)
    {
        std::vector<std::string> args = {"-s", camera};
        std::istringstream config(slurp(SIM_EXAMPLE_DIR "/example.conf"));
        for (std::string line; std::getline(config, line);)
            if (line.rfind("register * ", 0) == 0)
                args.insert(args.end(), {"-r", line.substr(11, line.find(' ', 11) - 11)});
        for (const char *address : {"60018", "6001C", "60028", "6002C", "60040", "60044", "60050"})
            args.insert(args.end(), {"-r", address});
        ToolRun result = quiet(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out.find("Could not"), std::string::npos) << result.out;
        return result.out;
    }

    // Camera 31000001 tuned by hand: the whole sensor, a digital gain, a
    // frame rate enabled and set, a name.
    void tuneFirstCamera()
    {
        ToolRun result = quiet({"-s", "31000001", "-w", "OffsetX", "0", "-w", "Width", "2048", "-w", "GainSelector",
                                "DigitalAll", "-w", "Gain", "6", "-w", "GainSelector", "AnalogAll", "-w",
                                "AcquisitionFrameRateEnable", "1", "-w", "AcquisitionFrameRate", "20", "-w",
                                "DeviceUserID", "left"});
        ASSERT_EQ(result.status, 0);
        ASSERT_EQ(result.out.find("Could not"), std::string::npos) << result.out;
    }

    // The writes the trace shows, in order.
    size_t writesTraced()
    {
        size_t writes = 0;
        for (const std::string &line : traceLines())
            writes += line.rfind("QrVWriteMemory", 0) == 0 || line.find("opcode=44") != std::string::npos;
        return writes;
    }
};

std::string camera(const std::string &number, const std::string &lines)
{
    return "    Camera " + number + "\n" + lines;
}

TEST_F(ConfigurationTool, SaveOneCameraApplyToTheOtherAndBothMatch)
{
    tuneFirstCamera();
    ToolRun saved = quiet({"-s", "31000001", "-o", "configs"});
    EXPECT_EQ(saved.status, 0);
    EXPECT_EQ(saved.out, kStamp + camera("31000001", kIndent + "Configuration saved to configs/31000001.pfs (51 values)\n"));
    std::string file = readFile("configs/31000001.pfs");
    EXPECT_EQ(file.substr(0, file.find("Width")),
              kMagic + "# GenApi persistence file written by VisionAccess " VISIONACCESS_VERSION "\n"
                       "# Vendor = QrVApi simulator -- Model = Example camera -- Serial number = 31000001 -- "
                       "Description version = 1.2.0\n"
                       "DeviceUserID\tleft\n");
    for (const char *line : {"\nWidth\t2048\n", "\nOffsetX\t0\n", "\nGainSelector\tDigitalAll\nGain\t6\n",
                             "\nAcquisitionFrameRateEnable\t1\nAcquisitionFrameRate\t20\n",
                             "\nLUTValueAll\t0x000000004902000092040000db060000240900006d0b0000b60d0000ff0f0000\n"})
        EXPECT_NE(file.find(line), std::string::npos) << line;
    EXPECT_EQ(file.find("TLParamsLocked"), std::string::npos) << "not Streamable";
    EXPECT_EQ(file.find("\nAcquisitionStart\t"), std::string::npos) << "a Command";

    ToolRun differs = quiet({"-s", "31000002", "-m", "configs/31000001.pfs"});
    EXPECT_EQ(differs.status, 4);
    EXPECT_EQ(differs.out,
              kStamp + camera("31000002", kIndent + "Feature DeviceUserID is , the file has left\n" + kIndent +
                                              "Feature Width is 1920, the file has 2048\n" + kIndent +
                                              "Feature OffsetX is 64, the file has 0\n" + kIndent +
                                              "Feature AcquisitionFrameRateEnable is false, the file has 1\n" +
                                              kIndent +
                                              "Feature AcquisitionFrameRate cannot be read (not available now), the "
                                              "file has 20\n" +
                                              kIndent + "Feature Gain [GainSelector=DigitalAll] is 0, the file has 6\n" +
                                              kIndent + "Configuration differs from configs/31000001.pfs in 6 values\n"));

    ToolRun applied = quiet({"-s", "31000002", "-p", "configs/31000001.pfs"});
    EXPECT_EQ(applied.status, 0);
    EXPECT_EQ(applied.out,
              kStamp + camera("31000002", kIndent +
                                              "Configuration configs/31000001.pfs applied: 51 values written and "
                                              "verified\n"));
    ToolRun matches = quiet({"-m", "configs/31000001.pfs"});
    EXPECT_EQ(matches.status, 0);
    EXPECT_EQ(matches.out, kStamp + camera("31000001", kIndent + "Configuration matches configs/31000001.pfs\n") +
                               camera("31000002", kIndent + "Configuration matches configs/31000001.pfs\n"));
    EXPECT_EQ(registers("31000002").substr(kStamp.size() + 20), registers("31000001").substr(kStamp.size() + 20));
}

// A save reads the selectors through every value and sets them back: the
// camera's registers are as they were, and only selectors were written.
TEST_F(ConfigurationTool, SavingLeavesEveryRegisterAsItWas)
{
    tuneFirstCamera();
    ASSERT_EQ(quiet({"-s", "31000001", "-w", "ColorTransformationSelector", "RGBtoYUV", "-w",
                     "ColorTransformationValueSelector", "Gain12", "-w", "BalanceRatioSelector", "Blue"})
                  .status,
              0);
    std::string before = registers("31000001");
    ASSERT_EQ(quiet({"-s", "31000001", "-o", "configs"}).status, 0);
    EXPECT_EQ(registers("31000001"), before);
}

// A file whose Width is locked on the camera: every locked value gets its
// line, the values written before the failure are written back, and every
// register is as it was.
TEST_F(ConfigurationTool, AFailingApplyNamesEachValueAndRestoresEveryRegister)
{
    tuneFirstCamera();
    ASSERT_EQ(quiet({"-s", "31000001", "-o", "configs"}).status, 0);
    ASSERT_EQ(quiet({"-s", "31000002", "-w", "TLParamsLocked", "1", "-w", "BalanceRatioSelector", "Green"}).status,
              0);
    std::string before = registers("31000002");
    writeFile("trace", "");
    ToolRun result = quiet({"-s", "31000002", "-p", "configs/31000001.pfs"});
    EXPECT_EQ(result.status, 4);
    std::string lines;
    for (const char *feature : {"Width", "Height", "BinningHorizontal", "BinningVertical", "PixelFormat",
                                "AcquisitionMode"})
        lines += kIndent + "Could not apply feature " + feature + ": locked\n";
    EXPECT_EQ(result.out, kStamp + camera("31000002", lines + kIndent +
                                                          "Configuration configs/31000001.pfs not applied: 6 values "
                                                          "failed; the previous settings are restored\n"));
    EXPECT_GT(writesTraced(), 50u) << "the other values were written, then written back";
    EXPECT_EQ(registers("31000002"), before);
}

TEST_F(ConfigurationTool, DifferencesNameTheirSelectorsAndValuesThatCannotBeRead)
{
    writeFile("line.pfs", kMagic +
                              "Width\t1920\n"
                              "GainSelector\tDigitalAll\nGain\t6\nGainSelector\tAnalogAll\n"
                              "AcquisitionFrameRate\t20\n"
                              "ColorTransformationSelector\tRGBtoYUV\nColorTransformationValueSelector\tGain01\n"
                              "ColorTransformationValue\t0.5\n"
                              "ColorTransformationSelector\tRGBtoRGB\nColorTransformationValueSelector\tGain00\n"
                              "BalanceRatioSelector\tGreen\n");
    std::string before = registers("31000001");
    ToolRun result = quiet({"-s", "31000001", "-m", "line.pfs"});
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.out,
              kStamp + camera("31000001",
                              kIndent + "Feature Gain [GainSelector=DigitalAll] is 0, the file has 6\n" + kIndent +
                                  "Feature AcquisitionFrameRate cannot be read (not available now), the file has 20\n" +
                                  kIndent +
                                  "Feature ColorTransformationValue [ColorTransformationSelector=RGBtoYUV, "
                                  "ColorTransformationValueSelector=Gain01] is 0.5869140625, the file has 0.5\n" +
                                  kIndent + "Feature BalanceRatioSelector is Red, the file has Green\n" + kIndent +
                                  "Configuration differs from line.pfs in 4 values\n"));
    EXPECT_EQ(registers("31000001"), before) << "only selectors moved, and they are back";
}

// Reads are kept only between two writes: each value is read back from the
// camera after the apply's writes, while the selector register that every
// selected value's address depends on is not read again for each one.
TEST_F(ConfigurationTool, AnApplyReadsEveryValueBackFromTheCamera)
{
    writeFile("line.pfs", kMagic + "Width\t1024\nBalanceRatioSelector\tRed\nBalanceRatio\t1.5\n"
                                   "BalanceRatioSelector\tGreen\nBalanceRatio\t2\n"
                                   "BalanceRatioSelector\tBlue\nBalanceRatio\t2.5\n");
    writeFile("trace", "");
    ToolRun result = quiet({"-s", "31000001", "-p", "line.pfs"});
    EXPECT_EQ(result.out, kStamp + camera("31000001", kIndent + "Configuration line.pfs applied: 5 values written and "
                                                                "verified\n"));
    std::vector<std::string> lines = traceLines();
    // The last write of each value, then a read of it.
    for (const char *address : {"0x60018", "0x70048", "0x7004C", "0x70050"}) {
        const std::string write = "QrVWriteMemory(handle=1 address=" + std::string(address) + " ",
                          read = "QrVReadMemory(handle=1 address=" + std::string(address) + " ";
        size_t lastWrite = 0, lastRead = 0;
        for (size_t k = 0; k < lines.size(); k++) {
            if (lines[k].rfind(write, 0) == 0)
                lastWrite = k;
            if (lines[k].rfind(read, 0) == 0)
                lastRead = k;
        }
        EXPECT_GT(lastWrite, 0u) << address;
        EXPECT_GT(lastRead, lastWrite) << address << ": read back after its write";
    }
    // BalanceRatioSelector's register, which each BalanceRatio's address
    // reads: once at first, then once after each time it was written.
    size_t selectorReads = 0, selectorWrites = 0;
    for (const std::string &line : lines) {
        selectorReads += line.rfind("QrVReadMemory(handle=1 address=0x70044 ", 0) == 0;
        selectorWrites += line.rfind("QrVWriteMemory(handle=1 address=0x70044 ", 0) == 0;
    }
    EXPECT_LE(selectorReads, selectorWrites + 1);
}

// With -j, a difference gives the camera's value in its own type, and the
// other configuration lines their fields.
TEST_F(ConfigurationTool, JsonLinesTypeTheCameraValueOfADifference)
{
    writeFile("line.pfs", kMagic + "Width\t1024\nReverseX\t1\nPixelFormat\tMono8\n"
                                   "ColorTransformationSelector\tRGBtoYUV\nColorTransformationValueSelector\tGain01\n"
                                   "ColorTransformationValue\t0.5\n"
                                   "ColorTransformationSelector\tRGBtoRGB\nColorTransformationValueSelector\tGain00\n");
    ToolRun result = quiet({"-j", "-s", "31000001", "-m", "line.pfs"});
    EXPECT_EQ(result.status, 4);
    std::vector<std::string> lines;
    std::istringstream out(result.out);
    for (std::string line; std::getline(out, line);)
        lines.push_back(line.rfind("{\"event\":\"scan\",", 0) == 0 ? "scan" : line);
    auto without = [](std::string line) {  // the elapsed time left out
        size_t at = line.find("\"elapsed\":");
        return at == std::string::npos ? line : line.erase(at, line.find(',', at) + 1 - at);
    };
    std::vector<std::string> expected = {
        "scan",
        R"({"event":"camera","camera":31000001})",
        R"({"event":"difference","camera":31000001,"feature":"Width","selectors":{},"value":1920,)"
        R"("text":"1920","wanted":"1024"})",
        R"({"event":"difference","camera":31000001,"feature":"ReverseX","selectors":{},"value":false,)"
        R"("text":"false","wanted":"1"})",
        R"({"event":"difference","camera":31000001,"feature":"PixelFormat","selectors":{},)"
        R"("value":"BayerRG8","text":"BayerRG8","wanted":"Mono8"})",
        R"({"event":"difference","camera":31000001,"feature":"ColorTransformationValue","selectors":)"
        R"({"ColorTransformationSelector":"RGBtoYUV","ColorTransformationValueSelector":"Gain01"},)"
        R"("value":0.5869140625,"text":"0.5869140625","wanted":"0.5"})",
        R"({"event":"configuration-differs","camera":31000001,"file":"line.pfs","count":4})",
    };
    ASSERT_EQ(lines.size(), expected.size()) << result.out;
    for (size_t k = 1; k < lines.size(); k++)
        EXPECT_EQ(without(lines[k]), expected[k]);
}

// A camera without a description: -p and -m say why, -o says why it saved
// nothing; the others go on, and the run ends with status 4.
TEST_F(ConfigurationTool, ACameraWithoutADescriptionSaysWhy)
{
    useExample("camera 5\ngenicam 5 none\nregister 5 0x60018 1920\n");
    writeFile("same.pfs", kMagic + "Width\t1920\n");
    ToolRun result = quiet({"-s", "5", "-s", "31000001", "-p", "same.pfs", "-m", "same.pfs", "-o", "configs"});
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.out,
              kStamp +
                  camera("31000001", kIndent + "Configuration same.pfs applied: 1 values written and verified\n" +
                                         kIndent + "Configuration matches same.pfs\n" + kIndent +
                                         "Configuration saved to configs/31000001.pfs (50 values)\n") +
                  camera("5", kIndent + "Could not read the GenICam description: no manifest\n" + kIndent +
                                  "Could not read the GenICam description: no manifest\n" + kIndent +
                                  "Could not save the configuration: the camera has no GenICam description (no "
                                  "manifest)\n"));
    EXPECT_EQ(readFile("configs/5.pfs"), "");
}

// A file as another tool writes it: CRLF, its own comment lines, blank
// lines, and values in the forms -w also takes.
TEST_F(ConfigurationTool, AFileAnotherToolWroteApplies)
{
    writeFile("other.pfs", "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\r\n"
                           "# GenApi persistence file (version 3.4.0)\r\n"
                           "# Device = ExampleCamera -- The example camera -- Device version = 1.2.0\r\n"
                           "\r\n"
                           "Width\t0x400\r\n"
                           "ReverseX\ttrue\r\n"
                           "PixelFormat\t17301505\r\n"
                           "   # an indented comment\r\n"
                           "Gamma\t1.50000\r\n");
    ToolRun result = quiet({"-s", "31000001", "-p", "other.pfs", "-r", "Width", "-r", "ReverseX", "-r",
                            "PixelFormat", "-r", "Gamma"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + camera("31000001", kIndent + "Configuration other.pfs applied: 4 values written "
                                                                "and verified\n" +
                                                          kIndent + "Feature Width read as 1024\n" + kIndent +
                                                          "Feature ReverseX read as true\n" + kIndent +
                                                          "Feature PixelFormat read as Mono8\n" + kIndent +
                                                          "Feature Gamma read as 1.5\n"));
}

// A camera whose configuration cannot be saved gets its line and no file;
// a camera numbered beyond 2147483647 saves under its unsigned number.
TEST_F(ConfigurationTool, SaveFailuresLeaveNoFileAndNumbersAreUnsigned)
{
    ToolRun tab = quiet({"-s", "31000001", "-w", "DeviceUserID", "a\tb", "-o", "configs"});
    EXPECT_EQ(tab.status, 4);
    EXPECT_EQ(tab.out, kStamp + camera("31000001", kIndent + "Feature DeviceUserID written with value a\\x09b\n" +
                                                       kIndent +
                                                       "Could not save the configuration: DeviceUserID: holds a tab, "
                                                       "CR, LF or NUL, which a configuration file cannot hold\n"));
    EXPECT_EQ(readFile("configs/31000001.pfs"), "");
    EXPECT_EQ(system(("test -z \"$(ls -A " + path("configs") + ")\"").c_str()), 0) << "no file, nor a temporary one";

    std::string example = slurp(SIM_EXAMPLE_DIR "/example.conf");
    size_t cameras = example.find("camera 31000001\ncamera 31000002\n");
    ASSERT_NE(cameras, std::string::npos);
    useConfig(example.replace(cameras, 32, "camera 4294967291\n"));
    ToolRun unsigned_ = quiet({"-o", "configs"});
    EXPECT_EQ(unsigned_.status, 0);
    EXPECT_EQ(unsigned_.out.substr(unsigned_.out.find("    Camera")),
              camera("-5", kIndent + "Configuration saved to configs/4294967291.pfs (50 values)\n"));
    EXPECT_NE(readFile("configs/4294967291.pfs").find("\nWidth\t"), std::string::npos);
}

// A file that cannot be used rejects the command line before any camera is
// touched: one line naming the file, the line and why, then the usage text.
TEST_F(ConfigurationTool, FilesThatCannotBeUsedRejectTheCommandLine)
{
    const std::string cannot = "VisionAccess: cannot use the configuration file ";
    const struct {
        const char *option;
        const char *file;
        std::string text;  // "" with file "missing.pfs": not written
        std::string err;
    } cases[] = {
        {"-p", "missing.pfs", "", cannot + "'missing.pfs': cannot be read: No such file or directory\n"},
        {"-m", "configs", "", cannot + "'configs': not a regular file\n"},
        {"-p", "plain.pfs", "Width\t1024\n",
         cannot + "'plain.pfs': line 1: the first line is not # {05D8C294-F295-4dfb-9D01-096BD04049F4}\n"},
        {"-m", "sets.pfs", "# {4709CB3C-7322-4460-84C3-DA11DDA09939}\n[UserSet1]\nWidth\t1024\n",
         cannot + "'sets.pfs': line 1: a file of several feature sets (# {4709CB3C-7322-4460-84C3-DA11DDA09939}): "
                  "only a file of one set can be read\n"},
        {"-p", "spaces.pfs", kMagic + "# a comment\nWidth 1024\n",
         cannot + "'spaces.pfs': line 3: neither a comment nor a name, a tab and a value: 'Width 1024'\n"},
        {"-m", "name.pfs", kMagic + "\nWidth\t1024\n2Width\t16\n", cannot + "'name.pfs': line 4: '2Width' is not a "
                                                                            "GenICam name\n"},
        {"-p", "nul.pfs", kMagic + "Width\t10" + std::string(1, '\0') + "24\n",
         cannot + "'nul.pfs': line 2: a NUL byte\n"},
        {"-m", "long.pfs", kMagic + "Width\t1024\nLUTValueAll\t0x" + std::string(1u << 20, '0') + "\n",
         cannot + "'long.pfs': line 3: longer than 1 MiB\n"},
        {"-p", "huge.pfs", kMagic + std::string(17, '\n') + std::string(16u << 20, '#'),
         cannot + "'huge.pfs': larger than 16 MiB\n"},
        {"-p", "a\x1b[2Jb.pfs", "", cannot + "'a\\x1B[2Jb.pfs': cannot be read: No such file or directory\n"},
    };
    for (const auto &c : cases) {
        if (!c.text.empty())
            writeFile(c.file, c.text);
        writeFile("trace", "");
        std::vector<std::string> args = {"-r", "Width", c.option, c.file, "-o", "configs"};
        ToolRun result = run(args);
        EXPECT_EQ(result.status, 1) << c.file;
        EXPECT_EQ(result.err, c.err) << c.file;
        EXPECT_EQ(result.out, expectedUsage()) << c.file;
        EXPECT_EQ(readFile("trace"), "") << c.file << ": no camera touched";
    }
    writeFile("line.pfs", kMagic);
    ToolRun twice = run({"-p", "line.pfs", "-P", "line.pfs"});
    EXPECT_EQ(twice.err, "VisionAccess: -P may be given once: one configuration is applied to every camera\n");
    ToolRun folder = run({"-o", "nowhere"});
    EXPECT_EQ(folder.err, "VisionAccess: cannot save configurations in 'nowhere': No such file or directory\n");
    EXPECT_EQ(folder.status, 1);
}

// Status 4 when a camera differs or a save or apply fails; the statuses of
// a rejected command line, lost output and a missing SDK come first.
TEST_F(ConfigurationTool, ExitStatusFourAndWhatComesFirst)
{
    writeFile("line.pfs", kMagic + "Width\t1024\n");
    writeFile("same.pfs", kMagic + "Width\t1920\n");
    ASSERT_EQ(mkdir(path("broken").c_str(), 0755), 0);
    writeFile("broken/libQrVApi.so", "");
    const struct {
        std::vector<std::string> args;
        Output output;
        std::string sdk;  // "" for the simulator
        int status;
    } cases[] = {
        {{"-m", "same.pfs"}, Output::File, "", 0},
        {{"-m", "line.pfs"}, Output::File, "", 4},
        {{"-s", "31000001", "-m", "line.pfs", "-s", "31000002", "-r", "Width"}, Output::File, "", 4},
        {{"-m", "line.pfs", "-y"}, Output::File, "", 1},
        {{"-m", "line.pfs"}, Output::DevFull, "", 2},
        {{"-m", "line.pfs"}, Output::File, path("broken"), 3},
        // A run without -o, -p or -m is never 4: a failed feature has its line.
        {{"-r", "Nothing"}, Output::File, "", 0},
    };
    for (const auto &c : cases) {
        sendOutputTo(c.output);
        setEnv("LD_LIBRARY_PATH", c.sdk.empty() ? SIM_SDK_DIR : c.sdk);
        EXPECT_EQ(run(c.args).status, c.status) << describe(c.args);
    }
}

// In a camera's turn: its identity, -p, -w, -r, -m, -o, then -x and -a.
TEST_F(ConfigurationTool, StepsOfATurnComeInTheirOrder)
{
    writeFile("line.pfs", kMagic + "Width\t1024\nGain\t3\n");
    ASSERT_EQ(mkdir(path("descriptions").c_str(), 0755), 0);
    ToolRun result = quiet({"-a", "-x", "descriptions", "-o", "configs", "-m", "line.pfs", "-r", "Gain", "-w", "Gain",
                            "5", "-p", "line.pfs", "-v", "-s", "31000001"});
    EXPECT_EQ(result.status, 4);
    const std::string expected =
        kStamp + camera("31000001", kIndent + "Vendor: QrVApi simulator\n" + kIndent + "Model: Example camera\n" +
                                        kIndent + "Version: " VISIONACCESS_VERSION "\n" + kIndent +
                                        "Serial: 31000001\n" + kIndent +
                                        "Configuration line.pfs applied: 2 values written and verified\n" + kIndent +
                                        "Feature Gain written with value 5\n" + kIndent + "Feature Gain read as 5\n" +
                                        kIndent + "Feature Gain [GainSelector=AnalogAll] is 5, the file has 3\n" +
                                        kIndent + "Configuration differs from line.pfs in 1 values\n" + kIndent +
                                        "Configuration saved to configs/31000001.pfs (50 values)\n" + kIndent +
                                        "GenICam description saved to descriptions/31000001.xml\n" + kIndent +
                                        "Feature DeviceControl/DeviceVendorName (StringReg, RO) read as QrVApi "
                                        "simulator\n");
    EXPECT_EQ(result.out.substr(0, expected.size()), expected);
    std::string listed = result.out.substr(std::min(expected.size(), result.out.size()));
    EXPECT_NE(listed.find(kIndent + "Feature AnalogControl/Gain (Float, RW) read as 5\n"), std::string::npos);
    EXPECT_EQ(listed.find("Configuration"), std::string::npos);
}

// A continual run configures a camera at its first turn, again when it
// comes back after a scan without it, and at the next turn after an apply
// that failed; -m compares at every scan.  Between scans the simulator's
// state changes: camera 31000001 is unlocked, camera 31000002 (selected by
// its user name) is renamed and named again.
TEST_F(ConfigurationTool, AContinualRunConfiguresACameraWhenItAppearsNotAtEveryScan)
{
    useExample("register 31000002 0x184 0x68676972   # user name \"right\"\n"
               "register 31000002 0x188 0x74\n"
               "register 31000001 0x700E8 1           # TLParamsLocked\n");
    writeFile("line.pfs", kMagic + "Width\t1024\nGain\t3\n");
    writeFile("script", "31000001 0x000700E8 0x00000000\n"
                        "31000002 0x00000184 0x00000000\n"
                        "31000002 0x00000184 0x68676972\n");
    setEnv("SLEEP_RECORDER_SCRIPT", path("script"));
    setEnv("SLEEP_RECORDER_APPEND", path("state"));
    ToolRun result = runTwoScans({"-c", "-d", "10", "-s", "31000001", "-s", "right", "-m", "line.pfs", "-p",
                                  "line.pfs"});
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 4) << "the failed apply of the first scan";
    const std::string prompt = "PRESS ANY KEY TO EXIT (after 10 ms delay)\n";
    const std::string applied = kIndent + "Configuration line.pfs applied: 2 values written and verified\n";
    const std::string matches = kIndent + "Configuration matches line.pfs\n";
    EXPECT_EQ(result.out,
              kStamp +
                  camera("31000001", kIndent + "Could not apply feature Width: locked\n" + kIndent +
                                         "Configuration line.pfs not applied: 1 values failed; the previous settings "
                                         "are restored\n" +
                                         kIndent + "Feature Width is 1920, the file has 1024\n" + kIndent +
                                         "Feature Gain [GainSelector=AnalogAll] is 0, the file has 3\n" + kIndent +
                                         "Configuration differs from line.pfs in 2 values\n") +
                  camera("31000002", applied + matches) + prompt +
                  kStamp + camera("31000001", applied + matches) + camera("31000002", matches) + prompt +
                  kStamp + camera("31000001", matches) + "    No camera matches right\n" + prompt +
                  kStamp + camera("31000001", matches) + camera("31000002", applied + matches) + prompt);
}


// The README's session on the example cameras, command by command, from the
// build tree: each command's output and exit status as the README shows them.
TEST_F(ConfigurationTool, TheReadmeSessionRunsAsShown)
{
    std::istringstream readme(slurp(README_FILE));
    std::string line;
    while (std::getline(readme, line) && line != "## Camera configurations") {
    }
    while (std::getline(readme, line) && line.rfind("    $ ", 0) != 0) {
    }
    ASSERT_FALSE(readme.eof()) << "no session in the README's Camera configurations";
    const std::string echo = "; echo \"exit status $?\"";
    int commands = 0;
    while (line.rfind("    $ ", 0) == 0) {
        std::string command = line.substr(6), shown;
        while (std::getline(readme, line) && line.rfind("    ", 0) == 0 && line.rfind("    $ ", 0) != 0)
            shown += line.substr(4) + "\n";
        if (command.rfind("export ", 0) == 0) {
            std::string name = command.substr(7, command.find('=') - 7);
            if (name == "QRV_SIM_CONFIG")
                setEnv(name, SIM_EXAMPLE_DIR "/example.conf");
            else
                ASSERT_EQ(command, "export QRV_SIM_STATE=$PWD/example-state");  // the harness's own state
            continue;
        }
        if (command.rfind("mkdir ", 0) == 0) {
            std::string folder = command.substr(6, command.find(" && ") - 6);
            ASSERT_EQ(mkdir(path(folder).c_str(), 0755) == 0 || errno == EEXIST, true) << folder;
            command = command.substr(command.find(" && ") + 4);
        }
        bool status = command.size() > echo.size() && command.compare(command.size() - echo.size(), echo.size(),
                                                                        echo) == 0;
        if (status)
            command.erase(command.size() - echo.size());
        ASSERT_EQ(command.rfind("visionaccess-sim ", 0), 0u) << command;
        std::vector<std::string> args;
        std::istringstream words(command.substr(17));
        for (std::string word; words >> word;)
            args.push_back(word);
        ToolRun result = quiet(args);
        std::string printed = result.out + (status ? "exit status " + std::to_string(result.status) + "\n" : "");
        EXPECT_EQ(printed, shown) << command;
        commands++;
    }
    EXPECT_EQ(commands, 7);
}

} // namespace

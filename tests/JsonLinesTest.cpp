// -j as a script sees it: each value in the type of its feature's form, a
// failed register told by its object while the status stays 0, and
// everything else (a rejected command line, the exit statuses, standard
// error) as without -j.  JsonLinesOfEveryRun checks every other run of the
// suite against the schema and the text lines.
#include "ToolHarness.h"

#include <sys/stat.h>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

// A camera with a feature of each form: Integer, Float, Enumeration,
// Boolean, String, Register, Command.
const char kDescription[] = R"(<?xml version="1.0" encoding="utf-8"?>
<RegisterDescription ModelName="Test" VendorName="Test" StandardNameSpace="None" SchemaMajorVersion="1"
    SchemaMinorVersion="1" SchemaSubMinorVersion="0" MajorVersion="1" MinorVersion="0" SubMinorVersion="0"
    ProductGuid="00000000-0000-0000-0000-000000000001" VersionGuid="00000000-0000-0000-0000-000000000002"
    xmlns="http://www.genicam.org/GenApi/Version_1_1">
  <Category Name="Root"><pFeature>Width</pFeature><pFeature>ExposureTime</pFeature>
    <pFeature>PixelFormat</pFeature><pFeature>ReverseX</pFeature><pFeature>DeviceUserID</pFeature>
    <pFeature>LUT</pFeature><pFeature>AcquisitionStart</pFeature></Category>
  <IntReg Name="Width"><Address>0x60018</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <FloatReg Name="ExposureTime"><Address>0x60040</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Endianess>LittleEndian</Endianess></FloatReg>
  <Enumeration Name="PixelFormat">
    <EnumEntry Name="Mono8"><Value>0x01080001</Value></EnumEntry>
    <EnumEntry Name="Mono16"><Value>0x01100007</Value></EnumEntry>
    <pValue>PixelFormatValue</pValue></Enumeration>
  <IntReg Name="PixelFormatValue"><Address>0x70000</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <Boolean Name="ReverseX"><pValue>ReverseXValue</pValue></Boolean>
  <IntReg Name="ReverseXValue"><Address>0x70004</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <StringReg Name="DeviceUserID"><Address>0x70010</Address><Length>12</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort></StringReg>
  <Register Name="LUT"><Address>0x70020</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort></Register>
  <Command Name="AcquisitionStart"><pValue>StartValue</pValue><CommandValue>1</CommandValue></Command>
  <IntReg Name="StartValue"><Address>0x70030</Address><Length>4</Length><AccessMode>RW</AccessMode>
    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
  <Port Name="Device"/>
</RegisterDescription>
)";

class JsonLines : public ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        setEnv("XDG_CACHE_HOME", path("cache"));
        writeFile("camera.xml", kDescription);
        // DeviceUserID holds "left\x01camera"; LUT the bytes 01 02 03 04.
        useConfig("camera 5\ngenicam 5 camera.xml\nregister 5 0x60040 0x461C4000\n"
                  "register 5 0x70000 0x01080001\nregister 5 0x70004 0\nregister 5 0x70030 0\nregister 5 0x70010 0x7466656C\nregister 5 0x70014 0x6D616301\n"
                  "register 5 0x70018 0x00617265\nregister 5 0x70020 0x04030201\n");
    }

    // Each line of the output as an object without its elapsed, dumped:
    // so 5000.0 stays apart from 5000, true from 1.  Elapsed must be a
    // number that never goes back.
    std::vector<std::string> objects(const std::string &output)
    {
        std::vector<std::string> lines;
        double last = 0;
        size_t start = 0;
        for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
            Json line = Json::parse(output.substr(start, end - start), nullptr, false);
            if (line.is_discarded() || !line.is_object() || !line["elapsed"].is_number()) {
                lines.push_back("not an object with elapsed: " + output.substr(start, end - start));
                continue;
            }
            EXPECT_GE(line["elapsed"].get<double>(), last) << output;
            last = line["elapsed"].get<double>();
            line.erase("elapsed");
            lines.push_back(line.dump());
        }
        EXPECT_EQ(start, output.size()) << "a last line without its newline: " << output;
        return lines;
    }
};

TEST_F(JsonLines, EachValueHasTheTypeOfItsFeaturesForm)
{
    ToolRun result = run({"-j", "-w", "PixelFormat", "0x01100007", "-w", "ReverseX", "1", "-w", "AcquisitionStart",
                          "execute", "-w", "ExposureTime", "5e3", "-w", "LUT", "0a0b0c0d", "-r", "Width", "-r",
                          "ExposureTime", "-r", "PixelFormat", "-r", "ReverseX", "-r", "DeviceUserID", "-r", "LUT",
                          "-r", "AcquisitionStart", "-i", "-r", "60018"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    const std::string camera = R"({"event":"feature-written","camera":5,"feature":)";
    const std::string read = R"({"event":"feature-read","camera":5,"feature":)";
    EXPECT_EQ(objects(result.out), (std::vector<std::string>{
        R"({"event":"scan"})",
        R"({"event":"camera","camera":5})",
        camera + R"("PixelFormat","value":"Mono16","text":"0x01100007"})",
        camera + R"("ReverseX","value":true,"text":"1"})",
        camera + R"("AcquisitionStart","value":null,"text":"execute"})",
        camera + R"("ExposureTime","value":5000.0,"text":"5e3"})",
        camera + R"("LUT","value":"0a 0b 0c 0d","text":"0a0b0c0d"})",
        read + R"("Width","value":1920,"text":"1920"})",
        read + R"("ExposureTime","value":5000.0,"text":"5000"})",
        read + R"("PixelFormat","value":"Mono16","text":"Mono16"})",
        read + R"("ReverseX","value":true,"text":"true"})",
        read + R"("DeviceUserID","value":"left\\x01camera","text":"left\\x01camera"})",
        read + R"("LUT","value":"0a 0b 0c 0d","text":"0a 0b 0c 0d"})",
        R"({"event":"feature-failed","camera":5,"feature":"AcquisitionStart","operation":"read",)"
        R"("reason":"a command: it is executed, not read"})",
        R"({"event":"register-read","camera":5,"address":"0x60018","value":1920,"text":"1920"})",
    }));
}

TEST_F(JsonLines, TheListingTypesItsValuesToo)
{
    ToolRun result = run({"-J", "-a"});
    EXPECT_EQ(result.status, 0);
    const std::string listed = R"({"event":"feature","camera":5,"path":"","feature":)";
    EXPECT_EQ(objects(result.out), (std::vector<std::string>{
        R"({"event":"scan"})",
        R"({"event":"camera","camera":5})",
        listed + R"("Width","type":"IntReg","access":"RW","value":1920,"text":"1920"})",
        listed + R"("ExposureTime","type":"FloatReg","access":"RW","value":10000.0,"text":"10000"})",
        listed + R"("PixelFormat","type":"Enumeration","access":"RW","value":"Mono8","text":"Mono8"})",
        listed + R"("ReverseX","type":"Boolean","access":"RW","value":false,"text":"false"})",
        listed + R"("DeviceUserID","type":"StringReg","access":"RW","value":"left\\x01camera",)"
                 R"("text":"left\\x01camera"})",
        listed + R"("LUT","type":"Register","access":"RW","value":"01 02 03 04","text":"01 02 03 04"})",
        listed + R"("AcquisitionStart","type":"Command","access":"RW","reason":"a command: it is executed, not read"})",
    }));
}

// Status 0 is a run that went its way: a register that failed is told by
// its own object, as by its own text line.
TEST_F(JsonLines, AFailedRegisterIsItsOwnObjectAndTheStatusStaysZero)
{
    useConfig("camera 5\nfault 5 0x60018 read-fails\n");
    setEnv("LD_LIBRARY_PATH", NARROW_SIM_SDK_DIR);  // no calls above 32-bit addresses
    ToolRun result = run({"-j", "-r", "60018", "-w", "FFFFF0F00A0C", "1", "-r", "6001C"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(objects(result.out), (std::vector<std::string>{
        R"({"event":"scan"})",
        R"({"event":"camera","camera":5})",
        R"({"event":"register-failed","camera":5,"address":"0xFFFFF0F00A0C","operation":"write",)"
        R"("reason":"the SDK reaches only 32-bit addresses"})",
        R"({"event":"register-failed","camera":5,"address":"0x60018","operation":"read"})",
        R"({"event":"register-read","camera":5,"address":"0x6001C","value":1200,"text":"0x000004B0"})",
    }));
}

// A command line rejected at one of its words prints as it does without
// -j, byte for byte, wherever -j stands.
TEST_F(JsonLines, ARejectedCommandLineStaysAsItIs)
{
    const std::vector<std::vector<std::string>> cases = {
        {"-r", "78O"}, {"-i", "-f"}, {"-s", ""}, {"-d", "-1"}, {"-k"}, {"--sdk", "-v"}, {"-x", "a", "-x", "b"},
        {"-l", "log.txt", "-r", "6OO18"},
    };
    for (const std::vector<std::string> &args : cases) {
        ToolRun text = run(args);
        std::string log = readFile("log.txt");
        ASSERT_EQ(text.status, 1) << describe(args);
        std::vector<std::vector<std::string>> withJ = {args, args};
        withJ[0].insert(withJ[0].begin(), "-j");
        withJ[1].push_back("-j");
        for (const std::vector<std::string> &json : withJ) {
            ToolRun rejected = run(json);
            EXPECT_EQ(rejected.status, 1) << describe(json);
            EXPECT_EQ(rejected.out, text.out) << describe(json);
            EXPECT_EQ(rejected.err, text.err) << describe(json);
            EXPECT_EQ(readFile("log.txt"), log) << describe(json);
        }
    }
}

// Once every word is accepted, -j counts for the -l notices too; a step
// that then fails (the folder of -x is missing) still gives the usage text,
// one reason on standard error and status 1.
TEST_F(JsonLines, AStepThatFailsAfterTheNoticeKeepsTheRejection)
{
    ToolRun result = run({"-j", "-l", "log.txt", "-x", "missing"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(objects(result.out), std::vector<std::string>{R"({"event":"log-file","file":"log.txt"})"});
    EXPECT_EQ(result.err, "VisionAccess: cannot save descriptions in 'missing': No such file or directory\n");
    EXPECT_EQ(readFile("log.txt"), expectedUsage());
}

// Statuses 2 and 3, and what standard error says, are the same with -j.
TEST_F(JsonLines, StatusesAndStandardErrorStayTheSame)
{
    const struct {
        const char *name;
        Output output;
        const char *sdk;  // LD_LIBRARY_PATH, or NULL for the simulator
    } cases[] = {
        {"full device", Output::DevFull, NULL},
        {"closed standard output", Output::Closed, NULL},
        {"an SDK without its four functions", Output::File, TINY_INCOMPLETE_SDK_DIR},
    };
    for (const auto &c : cases) {
        sendOutputTo(c.output);
        setEnv("LD_LIBRARY_PATH", c.sdk != NULL ? c.sdk : SIM_SDK_DIR);
        ToolRun text = run({"-r", "60018"});
        ToolRun json = run({"-j", "-r", "60018"});
        EXPECT_NE(text.status, 0) << c.name;
        EXPECT_EQ(json.status, text.status) << c.name;
        EXPECT_EQ(json.err, text.err) << c.name;
    }
}

} // namespace

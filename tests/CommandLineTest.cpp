// The command line, as a user sees it: what is rejected, what is accepted,
// where the output goes and how long a continual run pauses.
#include "Skip.h"
#include "ToolHarness.h"

#include <unistd.h>

namespace {

const std::string kScan = kStamp + "    Camera 21330417\n"
                          "    Camera 21330418\n";

struct Rejection {
    std::vector<std::string> args;
    std::string reason;
};

class CommandLine : public ToolTest {
protected:
    // Each rejection: one line on standard error naming the first word
    // rejected and why, then the usage text on standard output, status 1.
    void expectRejected(const std::vector<Rejection> &rejected)
    {
        writeFile("config", "camera 1\n");
        writeFile("good.xml", "<RegisterDescription><Category Name=\"Root\"/></RegisterDescription>");
        for (const Rejection &c : rejected) {
            ToolRun result = run(c.args);
            bool logFile = c.args.size() == 2 && c.args[0] == "-l";
            std::string notice = logFile ? "Output directed to " + c.args[1] + ".  PRESS ANY KEY TO EXIT\n" : "";
            EXPECT_EQ(result.status, 1) << describe(c.args);
            EXPECT_EQ(result.out, notice + expectedUsage()) << describe(c.args);
            EXPECT_EQ(result.err, "VisionAccess: " + c.reason + "\n") << describe(c.args);
            EXPECT_EQ(readFile("trace"), "") << describe(c.args) << ": no SDK call";
        }
    }
};

// Each rejection: one line on standard error naming the first word rejected
// and why, then the usage text on standard output, status 1.
TEST_F(CommandLine, RejectedWithItsReasonAndUsageTextBeforeAnyCameraIsTouched)
{
    const std::string kHexAddress = " is not a hexadecimal register address or a feature name";
    const std::string kDelay = " is not a delay from 0 to 2147483647 ms";
    const std::vector<Rejection> rejected = {
        // not an option word
        {{"-y"}, "unknown option '-y'"}, {{"-cd"}, "unknown option '-cd'"}, {{"--c"}, "unknown option '--c'"},
        {{"-"}, "unknown option '-'"}, {{"c"}, "unknown option 'c'"}, {{""}, "unknown option ''"},
        {{"-r", "60018", "-y"}, "unknown option '-y'"}, {{"-y", "-z"}, "unknown option '-y'"},
        // bytes outside printable ASCII escaped, so the reason stays one line
        {{"-\n-"}, "unknown option '-\\x0A-'"}, {{"-\x9B"}, "unknown option '-\\x9B'"},
        // --help, --version and --sdk only as the only argument
        {{"--help", "-c"}, "--help must be the only argument"}, {{"-c", "--help"}, "--help must be the only argument"},
        {{"--version", "--help"}, "--version must be the only argument"},
        {{"--sdk", "-r", "60018"}, "--sdk must be the only argument"},
        {{"--Help"}, "unknown option '--Help'"}, {{"-help"}, "unknown option '-help'"},
        {{"--versions"}, "unknown option '--versions'"},
        // decimal and float together
        // each named as typed, the rejected word first
        {{"-i", "-f"}, "-f and -i exclude each other"}, {{"-f", "-i"}, "-i and -f exclude each other"},
        {{"-I", "-F"}, "-F and -I exclude each other"}, {{"-f", "-I"}, "-I and -f exclude each other"},
        {{"-i", "-c", "-F", "-i"}, "-F and -i exclude each other"},
        // value words missing
        {{"-d"}, "-d needs a delay in milliseconds"}, {{"-r"}, "-r needs a register address"},
        {{"-l"}, "-l needs a file name"}, {{"-w"}, "-w needs a register address and a value"},
        {{"-w", "60050"}, "-w needs a register address and a value"}, {{"-c", "-R"}, "-R needs a register address"},
        // no number at all
        {{"-r", "x-z"}, "'x-z'" + kHexAddress}, {{"-r", ""}, "''" + kHexAddress}, {{"-r", "+-1"}, "'+-1'" + kHexAddress},
        {{"-w", "60050", "zz"}, "'zz' is not a hexadecimal value for -w"},
        {{"-i", "-w", "60050", "abc"}, "'abc' is not a decimal value for -w"},
        {{"-f", "-W", "60050", "abc"}, "'abc' is not a float value for -W"}, {{"-w", "x.z", "1"}, "'x.z'" + kHexAddress},
        // anything after the number: a typo must never become a write
        {{"-r", "6OO18"}, "'6OO18'" + kHexAddress}, {{"-w", "60018", "78O"}, "'78O' is not a hexadecimal value for -w"},
        {{"-f", "-w", "60050", "2O.5"}, "'2O.5' is not a float value for -w"},
        {{"-f", "-w", "60050", "20,5"}, "'20,5' is not a float value for -w"},
        {{"-w", "60050", "20.0"}, "'20.0' is not a hexadecimal value for -w"}, {{"-r", "0x"}, "'0x'" + kHexAddress},
        {{"-r", "60018xyz"}, "'60018xyz'" + kHexAddress}, {{"-r", "60018 x"}, "'60018 x'" + kHexAddress},
        {{"-r", "60018\nx"}, "'60018\\x0Ax'" + kHexAddress}, {{"-w", "60018-", "1"}, "'60018-'" + kHexAddress},
        {{"-i", "-w", "60050", "12abc"}, "'12abc' is not a decimal value for -w"},
        {{"-i", "-w", "60050", "1.5"}, "'1.5' is not a decimal value for -w"},
        {{"-f", "-w", "60050", "1e5x"}, "'1e5x' is not a float value for -w"},
        {{"-f", "-w", "60050", "infinityx"}, "'infinityx' is not a float value for -w"},
        {{"-r", "100000000000000000xyz"}, "'100000000000000000xyz'" + kHexAddress},
        // a feature name with a typo is no name
        {{"-r", "Width!"}, "'Width!'" + kHexAddress}, {{"-r", "6001G"}, "'6001G'" + kHexAddress},
        {{"-w", "_Width", "1"}, "'_Width'" + kHexAddress}, {{"-r", " Width"}, "' Width'" + kHexAddress},
        // addresses beyond 64 bits, values beyond 32, or negative hexadecimal
        {{"-r", "-c"}, "'-c'" + kHexAddress}, {{"-r", "-1"}, "'-1'" + kHexAddress},
        {{"-r", "10000000000000000"}, "'10000000000000000' does not fit in 64 bits"},
        {{"-w", "60050", "0x1FFFFFFFF"}, "'0x1FFFFFFFF' does not fit in 32 bits"},
        {{"-r", "99999999999999999999999"}, "'99999999999999999999999' does not fit in 64 bits"},
        {{"-i", "-w", "60050", "2147483648"}, "'2147483648' does not fit in a 32-bit int"},
        {{"-i", "-w", "60050", "-2147483649"}, "'-2147483649' does not fit in a 32-bit int"},
        {{"-f", "-w", "60050", "1e39"}, "'1e39' is too large for a float"},
        {{"-f", "-w", "60050", "-1e39"}, "'-1e39' is too large for a float"},
        // delays that are negative or beyond int
        {{"-d", "-1"}, "'-1'" + kDelay}, {{"-d", "2147483648"}, "'2147483648'" + kDelay},
        {{"-d", "4294967295"}, "'4294967295'" + kDelay}, {{"-d", "99999999999999999999"}, "'99999999999999999999'" + kDelay},
        // a log file that cannot be opened; the first reason counts
        {{"-l", "no-such-folder/out.txt"}, "cannot open log file 'no-such-folder/out.txt': No such file or directory"},
        {{"-r", "6OO18", "-y"}, "'6OO18'" + kHexAddress},
        // the added options
        {{"-s"}, "-s needs a camera number, serial number or name"},
        {{"-s", ""}, "-s needs a camera number, serial number or name, not an empty word"},
        {{"-S", ""}, "-S needs a camera number, serial number or name, not an empty word"},
        {{"-x"}, "-x needs a folder"},
        {{"-x", "no-such-folder"}, "cannot save descriptions in 'no-such-folder': No such file or directory"},
        {{"-x", "config"}, "cannot save descriptions in 'config': not a folder"},
        {{"-g"}, "-g needs a GenICam description file"},
        {{"-x", ".", "-x", "."}, "-x may be given once: one folder holds every camera's description"},
        {{"-X", ".", "-c", "-X"}, "-X may be given once: one folder holds every camera's description"},
        {{"-o"}, "-o needs a folder"},
        {{"-O", "config"}, "cannot save configurations in 'config': not a folder"},
        {{"-o", ".", "-o", "."}, "-o may be given once: one folder holds every camera's configuration"},
        {{"-p"}, "-p needs a configuration file"},
        {{"-M"}, "-M needs a configuration file"},
    };
    expectRejected(rejected);
}

// A -g file is read, through the GenICam module, before any camera is
// touched.
TEST_F(CommandLine, DescriptionFileRejectedWithItsReasonBeforeAnyCameraIsTouched)
{
    SKIP_UNLESS(GENICAM_MODULE_BUILT, GENICAM_MODULE_MISSING, GENICAM_MODULE_HOW);
    expectRejected({
        // the first -g reads its file before the second is seen
        {{"-g", "good.xml", "-G", "good.xml"}, "-G may be given once: one description serves every camera"},
        // the word after -g is its file, even one that looks like an option
        {{"-g", "-c"}, "cannot use the GenICam description '-c': cannot read -c: No such file or directory"},
        {{"-g", "no-such.xml"},
         "cannot use the GenICam description 'no-such.xml': cannot read no-such.xml: No such file or directory"},
        {{"-g", "config"}, "cannot use the GenICam description 'config': config is not a GenICam description: "
                           "not XML: No document element found at byte 9"},
    });
}

// A -p or -m file is read, through the GenICam module, before any camera is
// touched.
TEST_F(CommandLine, ConfigurationFileRejectedWithItsReasonBeforeAnyCameraIsTouched)
{
    SKIP_UNLESS(GENICAM_MODULE_BUILT, GENICAM_MODULE_MISSING, GENICAM_MODULE_HOW);
    writeFile("good.pfs", "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n");
    expectRejected({
        {{"-m", "config"}, "cannot use the configuration file 'config': line 1: the first line is not "
                           "# {05D8C294-F295-4dfb-9D01-096BD04049F4}"},
        {{"-m", "good.pfs", "-m", "good.pfs"}, "-m may be given once: every camera is compared with one "
                                               "configuration"},
    });
}

TEST_F(CommandLine, AcceptedAndScannedOnce)
{
    const std::vector<std::vector<std::string>> accepted = {
        {},
        {"-i", "-i"},
        {"-f", "-F"},
        {"-d", "250"},
        {"-d", "abc"},
        {"-d", "2147483647"},
    };
    for (const auto &args : accepted) {
        ToolRun result = run(args);
        EXPECT_EQ(result.status, 0) << describe(args);
        EXPECT_EQ(result.out, kScan) << describe(args);
        EXPECT_EQ(result.err, "") << describe(args);
    }
}

TEST_F(CommandLine, HelpAndVersionAnswerWithoutScanning)
{
    const struct {
        const char *word;
        std::string out;
    } cases[] = {
        {"--help", expectedHelp()},
        {"--version", std::string("VisionAccess ") + VISIONACCESS_VERSION + "\n"},
    };
    for (const auto &c : cases) {
        ToolRun result = run({c.word});
        EXPECT_EQ(result.status, 0) << c.word;
        EXPECT_EQ(result.out, c.out) << c.word;
        EXPECT_EQ(result.err, "") << c.word;
        EXPECT_EQ(readFile("trace"), "") << c.word << ": no SDK call";
    }
}

TEST_F(CommandLine, ContinualRunPausesForTheGivenDelayExactly)
{
    const struct {
        std::vector<std::string> args;
        int delayMs;
        const char *slept;
    } cases[] = {
        {{"-c"}, 5000, "5.000000000"},
        {{"-C", "-D", "250"}, 250, "0.250000000"},
        {{"-d", "250", "-c"}, 250, "0.250000000"},
        {{"-c", "-d", "5", "-d", "7"}, 7, "0.007000000"},
        {{"-c", "-d", "0"}, 0, "0.000000000"},
        {{"-c", "-d", "abc"}, 0, "0.000000000"},
        {{"-c", "-d", "010"}, 10, "0.010000000"},
        {{"-c", "-d", "0x10"}, 0, "0.000000000"},
        // beyond what a 32-bit microsecond count holds
        {{"-c", "-d", "4294968"}, 4294968, "4294.968000000"},
        {{"-c", "-d", "2147483647"}, 2147483647, "2147483.647000000"},
    };
    for (const auto &c : cases) {
        writeFile("sleeps", "");
        ToolRun result = runTwoScans(c.args);
        std::string prompt = "PRESS ANY KEY TO EXIT (after " + std::to_string(c.delayMs) + " ms delay)\n";
        EXPECT_EQ(result.status, 0) << describe(c.args);
        EXPECT_EQ(result.out, kScan + prompt + kScan + prompt) << describe(c.args);
        EXPECT_EQ(readFile("sleeps"), std::string(c.slept) + "\n") << describe(c.args);
    }
}

TEST_F(CommandLine, LogFileTakesEverythingAfterIt)
{
    writeFile("out.txt", "an older, longer log that must not survive\n");
    ToolRun result = run({"-l", "out.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "Output directed to out.txt.  PRESS ANY KEY TO EXIT\n");
    EXPECT_EQ(readFile("out.txt"), kScan);
}

TEST_F(CommandLine, ContinualRunIntoLogFileHasNoPrompt)
{
    ToolRun result = run({"-c", "-l", "log.txt"}, Input::EndOfFile);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "Output directed to log.txt.  PRESS ANY KEY TO EXIT\n");
    EXPECT_EQ(readFile("log.txt"), kScan);
}

TEST_F(CommandLine, SecondLogFileNoticeGoesIntoTheFirst)
{
    ToolRun result = run({"-l", "a.txt", "-l", "b.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "Output directed to a.txt.  PRESS ANY KEY TO EXIT\n");
    EXPECT_EQ(readFile("a.txt"), "Output directed to b.txt.  PRESS ANY KEY TO EXIT\n");
    EXPECT_EQ(readFile("b.txt"), kScan);
}

TEST_F(CommandLine, RejectionAfterLogFileWritesUsageIntoIt)
{
    ToolRun result = run({"-l", "out.txt", "-y"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Output directed to out.txt.  PRESS ANY KEY TO EXIT\n");
    EXPECT_EQ(readFile("out.txt"), expectedUsage());
    EXPECT_EQ(result.err, "VisionAccess: unknown option '-y'\n") << "the reason stays on standard error";
}

// Every option that takes values takes the words after it as they are, even
// words that look like options: here "-c" is always a value.
TEST_F(CommandLine, WordsAfterAnOptionAreItsValues)
{
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } cases[] = {
        {{"-d", "-c"}, 0, kScan, ""},
        {{"-r", "-c"}, 1, expectedUsage(), "'-c' is not a hexadecimal register address or a feature name"},
        {{"-w", "-c", "-c"}, 1, expectedUsage(), "'-c' is not a hexadecimal register address or a feature name"},
        {{"-w", "60050", "-c"}, 1, expectedUsage(), "'-c' is not a hexadecimal value for -w"},
        {{"-s", "-c"}, 0, kStamp + "    No camera matches -c\n", ""},
        {{"-x", "-c"}, 1, expectedUsage(), "cannot save descriptions in '-c': No such file or directory"},
        {{"-l", "-c"}, 0, "Output directed to -c.  PRESS ANY KEY TO EXIT\n", ""},
    };
    for (const auto &c : cases) {
        ToolRun result = run(c.args);
        EXPECT_EQ(result.status, c.status) << describe(c.args);
        EXPECT_EQ(result.out, c.out) << describe(c.args);
        EXPECT_EQ(result.err, c.err.empty() ? "" : "VisionAccess: " + c.err + "\n") << describe(c.args);
    }
    EXPECT_EQ(readFile("-c"), kScan) << "-l -c logs into the file -c";
}

// -l, -x's folder and -g take effect in command-line order, each before any
// later word is read: the first of them that fails, or the first word
// rejected, gives the reason, and the usage text goes wherever the output
// points by then.  A file named after the rejected word is never touched.
TEST_F(CommandLine, FileOptionsTakeEffectInCommandLineOrder)
{
    SKIP_UNLESS(GENICAM_MODULE_BUILT, GENICAM_MODULE_MISSING, GENICAM_MODULE_HOW);
    const std::string kNotice = ".  PRESS ANY KEY TO EXIT\n";
    const std::string kGReason = "cannot use the GenICam description 'config': config is not a GenICam description: "
                                 "not XML: No document element found at byte 9";
    const struct {
        std::vector<std::string> args;
        std::string out, err;
        std::vector<std::pair<std::string, std::string>> files;  // name and text; text "-": absent
    } cases[] = {
        {{"-x", "nosuch", "-y"}, expectedUsage(), "cannot save descriptions in 'nosuch': No such file or directory", {}},
        {{"-y", "-x", "nosuch"}, expectedUsage(), "unknown option '-y'", {}},
        {{"-y", "-l", "out.txt"}, expectedUsage(), "unknown option '-y'", {{"out.txt", "-"}}},
        {{"-r", "6OO18", "-l", "out.txt"}, expectedUsage(),
         "'6OO18' is not a hexadecimal register address or a feature name", {{"out.txt", "-"}}},
        {{"-l", "foo", "-x", "foo"}, "Output directed to foo" + kNotice,
         "cannot save descriptions in 'foo': not a folder", {{"foo", expectedUsage()}}},
        {{"-g", "config", "-y"}, expectedUsage(), kGReason, {}},
        {{"-l", "out.txt", "-g", "config"}, "Output directed to out.txt" + kNotice, kGReason,
         {{"out.txt", expectedUsage()}}},
        {{"-g", "config", "-l", "out.txt"}, expectedUsage(), kGReason, {{"out.txt", "-"}}},
        {{"-g", "good.xml", "-g"}, expectedUsage(), "-g may be given once: one description serves every camera", {}},
        {{"-l", "a.txt", "-l", "no-such/b.txt"}, "Output directed to a.txt" + kNotice,
         "cannot open log file 'no-such/b.txt': No such file or directory",
         {{"a.txt", "Output directed to no-such/b.txt" + kNotice + expectedUsage()}}},
        {{"-l", "a.txt", "-w", "60050", "zz", "-l", "b.txt"}, "Output directed to a.txt" + kNotice,
         "'zz' is not a hexadecimal value for -w", {{"a.txt", expectedUsage()}, {"b.txt", "-"}}},
    };
    writeFile("config", "camera 1\n");
    writeFile("good.xml", "<RegisterDescription><Category Name=\"Root\"/></RegisterDescription>");
    for (const auto &c : cases) {
        for (const char *name : {"out.txt", "foo", "a.txt", "b.txt"})
            unlink(path(name).c_str());
        ToolRun result = run(c.args);
        EXPECT_EQ(result.status, 1) << describe(c.args);
        EXPECT_EQ(result.out, c.out) << describe(c.args);
        EXPECT_EQ(result.err, "VisionAccess: " + c.err + "\n") << describe(c.args);
        for (const auto &file : c.files) {
            if (file.second == "-")
                EXPECT_NE(access(path(file.first).c_str(), F_OK), 0) << describe(c.args) << file.first;
            else
                EXPECT_EQ(readFile(file.first), file.second) << describe(c.args) << file.first;
        }
        EXPECT_EQ(readFile("trace"), "") << describe(c.args) << ": no SDK call";
    }
}

} // namespace

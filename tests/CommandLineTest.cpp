// The command line, as a user sees it: what is rejected, what is accepted,
// where the output goes and how long a continual run pauses.
#include "ToolHarness.h"

namespace {

const std::string kScan = kStamp + "    Camera 21330417\n"
                          "    Camera 21330418\n";

using CommandLine = ToolTest;

TEST_F(CommandLine, RejectedWithUsageTextBeforeAnyCameraIsTouched)
{
    const std::vector<std::vector<std::string>> rejected = {
        // not an option word
        {"-x"}, {"-cd"}, {"--c"}, {"-"}, {"c"}, {""}, {"-r", "60018", "-x"},
        // --help and --version only as the only argument
        {"--help", "-c"}, {"-c", "--help"}, {"--version", "--help"}, {"--Help"}, {"-help"}, {"--versions"},
        // decimal and float together
        {"-i", "-f"}, {"-f", "-i"}, {"-I", "-F"},
        // value words missing
        {"-d"}, {"-r"}, {"-l"}, {"-w"}, {"-w", "60050"}, {"-c", "-R"},
        // no number at all
        {"-r", "xyz"}, {"-r", ""}, {"-r", "+-1"}, {"-w", "60050", "zz"}, {"-i", "-w", "60050", "abc"},
        {"-f", "-w", "60050", "abc"}, {"-w", "xyz", "1"},
        // anything after the number: a typo must never become a write
        {"-w", "60018", "78O"}, {"-f", "-w", "60050", "2O.5"}, {"-w", "60050", "20.0"}, {"-r", "0x"},
        {"-r", "60018xyz"}, {"-r", "60018 x"}, {"-w", "60018-", "1"}, {"-i", "-w", "60050", "12abc"},
        {"-i", "-w", "60050", "1.5"}, {"-f", "-w", "60050", "1e5x"}, {"-f", "-w", "60050", "infinityx"},
        // beyond 32 bits, or negative hexadecimal
        {"-r", "-c"}, {"-r", "-1"}, {"-r", "100000000"}, {"-w", "60050", "0x1FFFFFFFF"},
        {"-r", "99999999999999999999999"}, {"-i", "-w", "60050", "2147483648"},
        {"-i", "-w", "60050", "-2147483649"}, {"-f", "-w", "60050", "1e39"}, {"-f", "-w", "60050", "-1e39"},
        // delays that are negative or beyond int
        {"-d", "-1"}, {"-d", "2147483648"}, {"-d", "4294967295"}, {"-d", "99999999999999999999"},
    };
    for (const auto &args : rejected) {
        ToolRun result = run(args);
        EXPECT_EQ(result.status, 1) << describe(args);
        EXPECT_EQ(result.out, expectedUsage()) << describe(args);
        EXPECT_EQ(result.err, "") << describe(args);
        EXPECT_EQ(readFile("trace"), "") << describe(args) << ": no SDK call";
    }
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
        {"--help", expectedUsage()},
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
    ToolRun result = run({"-l", "out.txt", "-x"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Output directed to out.txt.  PRESS ANY KEY TO EXIT\n");
    EXPECT_EQ(readFile("out.txt"), expectedUsage());
}

TEST_F(CommandLine, UnwritableLogFileLeavesOutputOnTheConsole)
{
    ToolRun result = run({"-l", "no-such-folder/out.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Output directed to no-such-folder/out.txt.  PRESS ANY KEY TO EXIT\n" + expectedUsage());
    EXPECT_EQ(readFile("trace"), "");
}

} // namespace

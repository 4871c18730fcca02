// Output that cannot be written: the run says where and why on standard
// error and ends with status 2, at once, also in continual mode.
#include "ToolHarness.h"

#include <signal.h>
#include <sys/mount.h>

namespace {

const std::string kFull = "No space left on device";

using LostOutput = ToolTest;

TEST_F(LostOutput, IsReportedAndEndsTheRunWithStatusTwo)
{
    const struct {
        const char *name;
        Output output;
        bool ignoreSigpipe;
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {"full device", Output::DevFull, false, {"-r", "60018"}, 2,
         "VisionAccess: cannot write to standard output: " + kFull + "\n"},
        {"full device, continual run ends", Output::DevFull, false, {"-c", "-d", "10"}, 2,
         "VisionAccess: cannot write to standard output: " + kFull + "\n"},
        {"closed standard output", Output::Closed, false, {}, 2,
         "VisionAccess: cannot write to standard output: Bad file descriptor\n"},
        {"closed standard output, continual run ends", Output::Closed, false, {"-c", "-d", "10"}, 2,
         "VisionAccess: cannot write to standard output: Bad file descriptor\n"},
        {"log file on a full device", Output::File, false, {"-c", "-d", "10", "-l", "/dev/full"}, 2,
         "VisionAccess: cannot write to /dev/full: " + kFull + "\n"},
        {"reader gone, SIGPIPE ignored", Output::BrokenPipe, true, {"-c", "-d", "10"}, 2,
         "VisionAccess: cannot write to standard output: Broken pipe\n"},
        {"reader gone, SIGPIPE as usual", Output::BrokenPipe, false, {"-c", "-d", "10"}, 128 + SIGPIPE, ""},
        {"rejected command line keeps its status", Output::DevFull, false, {"-y"}, 1,
         "VisionAccess: unknown option '-y'\nVisionAccess: cannot write to standard output: " + kFull + "\n"},
    };
    for (const auto &c : cases) {
        sendOutputTo(c.output, c.ignoreSigpipe);
        ToolRun result = run(c.args, Input::Waiting);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.err, c.err) << c.name;
    }
}

// The stream's error is seen even when the output fails part-way through a
// scan: the log may hold a beginning, never a silent success.
TEST_F(LostOutput, LogThatStopsGrowingPartWayIsReported)
{
    limitFileSize(100);
    setEnv("QRV_SIM_TRACE", "");  // the limit holds for the trace too
    std::vector<std::string> args = {"-l", "log.txt"};
    for (int k = 0; k < 20; k++)
        args.insert(args.end(), {"-r", "60018"});
    ToolRun result = run(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "VisionAccess: cannot write to log.txt: File too large\n");
    EXPECT_EQ(readFile("log.txt").size(), 100u);
}

// Output that fails part-way through a scan and works again by its end: the
// last flush succeeds, and the stream's error still tells of the lines lost.
// (Reading 0xF000 on the tiny SDK points standard output at /dev/full,
// reading 0xF001 puts it back.)
TEST_F(LostOutput, OutputThatFailsAndRecoversWithinAScanIsReported)
{
    setEnv("LD_LIBRARY_PATH", TINY_SDK_DIR);
    std::vector<std::string> args = {"-r", "F000"};
    for (int k = 0; k < 200; k++)
        args.insert(args.end(), {"-r", "60018"});
    args.insert(args.end(), {"-r", "F001"});
    ToolRun result = run(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "VisionAccess: cannot write to standard output: Input/output error\n");
}

// Started with standard output or error closed, the tool keeps them closed:
// neither the log file nor any file the SDK opens takes their place, so the
// files hold exactly what they hold in a run with both open.
TEST_F(LostOutput, ClosedOutputsTakeNoFile)
{
    const std::vector<std::string> args = {"-l", "log", "-w", "60018", "5", "-r", "60018"};
    auto runFresh = [&](Output output, bool errorClosed) {
        for (const char *name : {"log", "trace", "state"})
            unlink(path(name).c_str());
        sendOutputTo(output);
        closeStandardError(errorClosed);
        return run(args);
    };
    ToolRun reference = runFresh(Output::File, false);
    ASSERT_EQ(reference.status, 0);
    const std::string log = readFile("log"), trace = readFile("trace"), state = readFile("state");
    ASSERT_NE(state, "");
    const struct {
        const char *name;
        Output output;
        bool errorClosed;
    } cases[] = {
        {"standard output closed", Output::Closed, false},
        {"standard error closed", Output::File, true},
        {"both closed", Output::Closed, true},
    };
    for (const auto &c : cases) {
        ToolRun result = runFresh(c.output, c.errorClosed);
        EXPECT_EQ(result.status, 0) << c.name;
        EXPECT_EQ(readFile("log"), log) << c.name;
        EXPECT_EQ(readFile("trace"), trace) << c.name;
        EXPECT_EQ(readFile("state"), state) << c.name;
    }
}

// A real full file system, where this machine lets the test mount one.
TEST_F(LostOutput, FullFileSystemIsReported)
{
    std::string mountPoint = path("small");
    ASSERT_EQ(mkdir(mountPoint.c_str(), 0755), 0);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=4k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (" << strerror(errno) << ")";
    writeFile("small/filler", std::string(4096, 'x'));
    std::vector<std::string> args = {"-l", "small/log.txt"};
    for (int k = 0; k < 200; k++)
        args.insert(args.end(), {"-r", "60018"});
    ToolRun result = run(args);
    umount(mountPoint.c_str());
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "VisionAccess: cannot write to small/log.txt: " + kFull + "\n");
}

} // namespace

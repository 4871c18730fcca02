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
        {"rejected command line keeps its status", Output::DevFull, false, {"-x"}, 1,
         "VisionAccess: cannot write to standard output: " + kFull + "\n"},
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

// Scans against the simulated cameras: what is printed, what the SDK is
// asked and in what order, and how a continual run ends.
#include "ToolHarness.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <utmp.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string.h>

#include <algorithm>

namespace {

const std::string kNoCameras = "    No cameras found !!\n";
const std::string kPrompt = "PRESS ANY KEY TO EXIT (after 5000 ms delay)\n";

int countStartingWith(const std::vector<std::string> &lines, const std::string &prefix)
{
    return (int)std::count_if(lines.begin(), lines.end(),
                              [&](const std::string &line) { return line.rfind(prefix, 0) == 0; });
}

using Scan = ToolTest;

TEST_F(Scan, DefaultCamerasAreOpenedAndClosedOneAtATime)
{
    ToolRun result = run({});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + "    Camera 21330417\n    Camera 21330418\n");
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> expected = {
        "QrVGetNumberCamerasEx(info=NULL) -> status=0x00000000 count=2",
        "QrVGetNumberCamerasEx(info=records capacity=2 recordSize=52 zeroed=yes) -> status=0x00000000 count=2",
        "QrVInitializeEx(camera=21330417 flags=0) -> status=0x00000000 handle=1 open=1",
        "QrVUninitialize(handle=1) -> status=0x00000000 open=0",
        "QrVInitializeEx(camera=21330418 flags=0) -> status=0x00000000 handle=2 open=1",
        "QrVUninitialize(handle=2) -> status=0x00000000 open=0",
    };
    EXPECT_EQ(traceLines(), expected);
}

TEST_F(Scan, SimulatedCamerasAndFaults)
{
    const struct {
        const char *name;
        const char *config;
        std::vector<std::string> args;
        std::string out;
        int opens;   // QrVInitializeEx calls expected
        int closes;  // QrVUninitialize calls expected
    } cases[] = {
        {"camera that will not open is passed over", "camera 7\ncamera 8 no-open\ncamera 9\n", {},
         kStamp + "    Camera 7\n    Camera 9\n", 3, 2},
        {"camera numbers print as signed int", "camera 2147483648\ncamera 0xFFFFFFFF\n", {},
         kStamp + "    Camera -2147483648\n    Camera -1\n", 2, 2},
        {"no camera attached", "", {}, kStamp + kNoCameras, 0, 0},
        {"count call fails", "camera 7\nfail count -5\n", {}, kStamp + kNoCameras, 0, 0},
        {"record fetch fails, ending even a continual run", "camera 7\nfail records 0x8000000A\n", {"-c"},
         kStamp + "    Unable to read camera id info (Error 0x8000000A)\n", 0, 0},
        {"leading zeros are decimal", "camera 010\n", {}, kStamp + "    Camera 10\n", 1, 1},
        {"leading zeros are decimal in a status", "camera 010\nfail records -010\n", {},
         kStamp + "    Unable to read camera id info (Error 0xFFFFFFF6)\n", 0, 0},
        {"smallest failure status", "camera 7\nfail records -2147483648\n", {},
         kStamp + "    Unable to read camera id info (Error 0x80000000)\n", 0, 0},
        {"record fetch returns no record", "camera 7\nreport records 0\n", {}, kStamp, 0, 0},
        {"record fetch claims more records than it had room for", "camera 7\ncamera 8\nreport records 5\n", {},
         kStamp + "    Camera 7\n    Camera 8\n", 2, 2},
        {"huge count, ending even a continual run", "camera 7\nreport count 0xFFFFFFFF\n", {"-c"},
         kStamp + "    Out of memory error.\n", 0, 0},
    };
    // The huge count must fail to allocate, not abort a sanitized build.
    const char *asan = getenv("ASAN_OPTIONS");
    setEnv("ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":allocator_may_return_null=1");
    for (const auto &c : cases) {
        useConfig(c.config);
        writeFile("trace", "");
        ToolRun result = run(c.args, Input::Waiting);
        EXPECT_EQ(result.status, 0) << c.name;
        EXPECT_EQ(result.out, c.out) << c.name;
        EXPECT_EQ(result.err, "") << c.name;
        std::vector<std::string> trace = traceLines();
        EXPECT_EQ(countStartingWith(trace, "QrVInitializeEx("), c.opens) << c.name;
        EXPECT_EQ(countStartingWith(trace, "QrVUninitialize("), c.closes) << c.name;
    }
}

TEST_F(Scan, RecordFetchTraceShowsCapacityGivenAndCountReturned)
{
    const struct {
        const char *config;
        const char *fetch;
    } cases[] = {
        {"camera 7\ncamera 8\nreport records 5\n", "capacity=2 recordSize=52 zeroed=yes) -> status=0x00000000 count=5"},
        {"camera 7\ncamera 8\nreport records 0\n", "capacity=2 recordSize=52 zeroed=yes) -> status=0x00000000 count=0"},
        {"camera 7\nreport count 3\n", "capacity=3 recordSize=52 zeroed=yes) -> status=0x00000000 count=1"},
    };
    for (const auto &c : cases) {
        useConfig(c.config);
        writeFile("trace", "");
        run({});
        std::vector<std::string> trace = traceLines();
        ASSERT_GE(trace.size(), 2u) << c.config;
        EXPECT_EQ(trace[1], std::string("QrVGetNumberCamerasEx(info=records ") + c.fetch) << c.config;
    }
}

TEST_F(Scan, ContinualRunGoesOnAfterCountFailure)
{
    useConfig("fail count -5\n");
    ToolRun result = runTwoScans({"-c"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + kNoCameras + kPrompt + kStamp + kNoCameras + kPrompt);
}

TEST_F(Scan, ContinualRunEndsAfterFirstScanWhenInputIsAtEndOfFile)
{
    ToolRun result = run({"-c"}, Input::EndOfFile);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + "    Camera 21330417\n    Camera 21330418\n" + kPrompt);
}

TEST_F(Scan, BadConfigurationIsReportedOnceAndFailsTheCount)
{
    const std::string kNotFailure = " is not a failure (negative decimal, or hexadecimal with the top bit set)";
    const struct {
        const char *config;
        std::string error;
    } cases[] = {
        {"camera 7\n\n  bogus 1\n", ":3: unknown word 'bogus'"},
        {"camera 7 sleepy\n", ":1: unknown word 'sleepy'"},
        {"camera x7\n", ":1: bad number 'x7'"},
        {"camera 4294967296\n", ":1: bad number '4294967296'"},
        {"camera -7\n", ":1: bad number '-7'"},
        {"camera 7 # first\ncamera 7\n", ":2: camera 7 is listed twice"},
        {"fail count 5\n", ":1: status '5'" + kNotFailure},
        {"fail count 0\n", ":1: status '0'" + kNotFailure},
        {"fail records 0\n", ":1: status '0'" + kNotFailure},
        {"fail records -0\n", ":1: status '-0'" + kNotFailure},
        {"fail count 4294967291\n", ":1: status '4294967291'" + kNotFailure},
        {"fail count 0x7FFFFFFF\n", ":1: status '0x7FFFFFFF'" + kNotFailure},
        {"fail records 0x1FFFFFFFF\n", ":1: bad status '0x1FFFFFFFF'"},
        {"fail records -0x5\n", ":1: bad status '-0x5'"},
        {"fail records -2147483649\n", ":1: bad status '-2147483649'"},
        {"fail records --5\n", ":1: bad status '--5'"},
        {"report count\n", ":1: expected: report count|records <number>"},
        {"fail open 7\n", ":1: unknown word 'open'"},
    };
    for (const auto &c : cases) {
        useConfig(c.config);
        ToolRun result = runTwoScans({"-c"});
        EXPECT_EQ(result.out, kStamp + kNoCameras + kPrompt + kStamp + kNoCameras + kPrompt) << c.config;
        EXPECT_EQ(result.err, "QrVApi simulator: " + path("config") + c.error + "\n") << c.config;
    }
}

TEST_F(Scan, UnreadableConfigurationIsReported)
{
    setEnv("QRV_SIM_CONFIG", path("missing"));
    ToolRun result = run({});
    EXPECT_EQ(result.out, kStamp + kNoCameras);
    EXPECT_EQ(result.err, "QrVApi simulator: " + path("missing") + ": cannot read: No such file or directory\n");
}

TEST_F(Scan, AnotherSdkIsSwappedInThroughLibraryPath)
{
    setEnv("LD_LIBRARY_PATH", TINY_SDK_DIR);
    ToolRun result = run({});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + "    Camera 4242\n");
    EXPECT_EQ(readFile("trace"), "") << "the simulator was not loaded";
}

// An SDK that cannot be loaded, or lacks one of the four functions, ends the
// run with status 3 and one line before anything is printed; what needs no
// SDK works as ever.
TEST_F(Scan, UnusableSdkEndsTheRunWithStatusThree)
{
    ASSERT_EQ(mkdir(path("broken").c_str(), 0755), 0);
    writeFile("broken/libQrVApi.so", "");
    const std::string incomplete = std::string(TINY_INCOMPLETE_SDK_DIR) + "/libQrVApi.so";
    const struct {
        std::string folder;
        std::string reason;
    } sdks[] = {
        {TINY_INCOMPLETE_SDK_DIR, incomplete + ": undefined symbol: QrVPrivateCmd"},
        {path("broken"), path("broken/libQrVApi.so") + ": file too short"},
    };
    const std::string version = std::string("VisionAccess ") + VISIONACCESS_VERSION + "\n";
    for (const auto &sdk : sdks) {
        setEnv("LD_LIBRARY_PATH", sdk.folder);
        const std::string noSdk = "VisionAccess: cannot load the camera SDK libQrVApi.so (" + sdk.reason +
                                  "): install the camera maker's SDK or the package visionaccess-u3v (any USB3 "
                                  "Vision camera); the package visionaccess-sim runs the tool on simulated cameras "
                                  "as visionaccess-sim\n";
        const struct {
            std::vector<std::string> args;
            int status;
            std::string out;
            std::string err;
        } cases[] = {
            {{"-r", "60018"}, 3, "", noSdk},
            {{"-c"}, 3, "", noSdk},
            {{"--sdk"}, 3, "", noSdk},
            {{"--version"}, 0, version, ""},
            {{"--help"}, 0, expectedHelp(), ""},
            {{"-y"}, 1, expectedUsage(), "VisionAccess: unknown option '-y'\n"},
        };
        for (const auto &c : cases) {
            ToolRun result = run(c.args);
            EXPECT_EQ(result.status, c.status) << sdk.folder << ": " << describe(c.args);
            EXPECT_EQ(result.out, c.out) << sdk.folder << ": " << describe(c.args);
            EXPECT_EQ(result.err, c.err) << sdk.folder << ": " << describe(c.args);
        }
    }
}

// --sdk names the file loaded, as an absolute path, and its optional calls.
TEST_F(Scan, SdkOptionNamesTheFileLoaded)
{
    ASSERT_EQ(symlink(TINY_MEMORY_SDK_DIR, path("memory-sdk").c_str()), 0);
    const struct {
        std::string libraryPath;
        std::string out;
    } cases[] = {
        {SIM_SDK_DIR, std::string(SIM_SDK_DIR) + "/libQrVApi.so\nQrVReadMemory: yes\nQrVWriteMemory: yes\n"},
        {TINY_SDK_DIR, std::string(TINY_SDK_DIR) + "/libQrVApi.so\nQrVReadMemory: no\nQrVWriteMemory: no\n"},
        {"memory-sdk", std::string(TINY_MEMORY_SDK_DIR) + "/libQrVApi.so\nQrVReadMemory: yes\nQrVWriteMemory: yes\n"},
    };
    for (const auto &c : cases) {
        setEnv("LD_LIBRARY_PATH", c.libraryPath);
        ToolRun result = run({"--sdk"});
        EXPECT_EQ(result.status, 0) << c.libraryPath;
        EXPECT_EQ(result.out, c.out) << c.libraryPath;
        EXPECT_EQ(result.err, "") << c.libraryPath;
    }
    EXPECT_EQ(readFile("trace"), "") << "no SDK call";
}

// Records the SDK claims but did not fill hold nothing of an earlier scan's.
TEST_F(Scan, UnfilledRecordsHoldNothingOfAnEarlierScan)
{
    setEnv("LD_LIBRARY_PATH", TINY_SDK_DIR);
    setEnv("TINY_QRV_FILLS", "3,1");
    ToolRun result = runTwoScans({"-c"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + "    Camera 4242\n    Camera 4243\n    Camera 4244\n" + kPrompt + kStamp +
                              "    Camera 4242\n" + kPrompt);
}

// Started with standard input closed, a continual run never sees input, as
// with a closed input, however many files the SDK opens: none takes its
// place.  (The recorder puts an end of file there after the first pause.)
TEST_F(Scan, ContinualRunWithInputClosedGoesOn)
{
    useConfig("camera 7\nregister 7 0x60018 5\n");
    ToolRun result = runTwoScans({"-c", "-w", "60018", "6", "-r", "60018", "-l", "log"}, Input::Closed);
    EXPECT_EQ(result.status, 0);
    const std::string scan = kStamp + "    Camera 7\n        Register 0x60018 written with value 0x00000006\n"
                                      "        Register 0x60018 read as 0x00000006\n";
    EXPECT_EQ(readFile("log"), scan + scan);
    EXPECT_EQ(result.err, "");
}

#ifdef U3V_SDK_DIR
// The same on the open SDK, whose libusb keeps descriptors of its own open.
TEST_F(Scan, ContinualRunWithInputClosedGoesOnOnTheOpenSdk)
{
    setEnv("LD_LIBRARY_PATH", U3V_SDK_DIR);
    setEnv("QRV_U3V_TRACE", path("u3v-trace"));
    ToolRun result = runTwoScans({"-c", "-r", "60018"}, Input::Closed);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kStamp + kNoCameras + kPrompt + kStamp + kNoCameras + kPrompt);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(countStartingWith(traceLines(), "QrVGetNumberCamerasEx("), 0) << "the simulator was not loaded";
    EXPECT_NE(readFile("u3v-trace"), "");
}
#endif

// A continual run killed while it pauses keeps every scan it completed.
TEST_F(Scan, CompletedScansSurviveAKill)
{
    const struct {
        std::vector<std::string> args;
        const char *file;
        std::string kept;
    } cases[] = {
        {{"-c", "-d", "60000"}, "stdout",
         kStamp + "    Camera 21330417\n    Camera 21330418\nPRESS ANY KEY TO EXIT (after 60000 ms delay)\n"},
        {{"-c", "-d", "60000", "-l", "log.txt"}, "log.txt", kStamp + "    Camera 21330417\n    Camera 21330418\n"},
    };
    for (const auto &c : cases) {
        pid_t pid = start(c.args, Input::Waiting);
        const struct timespec tick = {0, 10 * 1000 * 1000};
        for (int waited = 0; waited < 1000 && readFile(c.file).size() < c.kept.size(); waited++)
            nanosleep(&tick, nullptr);
        kill(pid, SIGKILL);
        ToolRun result = finish(pid);
        EXPECT_EQ(result.status, 128 + SIGKILL) << c.file;
        EXPECT_EQ(readFile(c.file), c.kept) << c.file;
    }
}

// On a terminal a key alone is not input yet; a line ended with Enter is,
// and it is used up: nothing of it is left for the shell to read.
TEST_F(Scan, TerminalRunEndsOnEnterNotOnAKeyAndConsumesTheLine)
{
    int terminal = -1;
    int shellSide = -1;  // the terminal as the shell would read it afterwards
    ASSERT_EQ(openpty(&terminal, &shellSide, nullptr, nullptr, nullptr), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(terminal);
        if (login_tty(dup(shellSide)) == 0)
            execTool({"-c", "-d", "50"});
        _exit(127);
    }

    std::string screen;
    auto readUntilScans = [&](int scans) {
        for (int tries = 0; tries < 400; tries++) {
            size_t found = 0;
            for (size_t at = screen.find("Camera scan"); at != std::string::npos; at = screen.find("Camera scan", at + 1))
                found++;
            if ((int)found >= scans)
                return true;
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(terminal, &ready);
            struct timeval wait = {0, 50 * 1000};
            if (select(terminal + 1, &ready, nullptr, nullptr, &wait) > 0) {
                char buffer[4096];
                ssize_t got = read(terminal, buffer, sizeof buffer);
                if (got <= 0)
                    return false;
                screen.append(buffer, (size_t)got);
            }
        }
        return false;
    };

    ASSERT_TRUE(readUntilScans(1)) << screen;
    ASSERT_EQ(write(terminal, "x", 1), 1);
    ASSERT_TRUE(readUntilScans(4)) << "a key without Enter must not end the run:\n" << screen;
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0);
    ASSERT_EQ(write(terminal, "\n", 1), 1);
    ToolRun result = finish(pid, 5000);
    EXPECT_EQ(result.status, 0);
    fcntl(shellSide, F_SETFL, O_NONBLOCK);
    char left[16];
    EXPECT_EQ(read(shellSide, left, sizeof left), -1) << "the line that stopped the run is left for the shell";
    EXPECT_EQ(errno, EAGAIN);
    close(shellSide);
    close(terminal);
}

} // namespace

// Runs the built VisionAccess against the simulated SDK, each test in a
// fresh folder of its own, and collects what it printed and its status.
#ifndef TOOLHARNESS_H
#define TOOLHARNESS_H

#include <sys/types.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

// What standard input is for the tool.
enum class Input {
    EndOfFile,  // an empty file: pending at once
    Waiting,    // a pipe kept open with nothing in it: never pending
    Closed,     // descriptor 0 not open at all
};

// Where standard output goes, other than the usual file of the test.
enum class Output {
    File,        // the test folder's "stdout"
    DevFull,     // /dev/full: every write fails with ENOSPC
    Closed,      // descriptor 1 not open at all
    BrokenPipe,  // a pipe whose reader has gone
};

struct ToolRun {
    int status = -1;  // exit status; 128 + signal when killed
    std::string out;  // standard output, as readFile gives it
    std::string err;
};

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    void writeFile(const std::string &name, const std::string &text) const;
    // A file of the test's folder; a first scan's time stamp 00:00:01 reads
    // as 00:00:00, since a run may cross a second boundary as it starts.
    std::string readFile(const std::string &name) const;
    std::vector<std::string> traceLines() const;  // the simulated SDK's trace
    void useConfig(const std::string &text);      // QRV_SIM_CONFIG for the next runs
    void setEnv(const std::string &name, const std::string &value);
    // Standard output of the next runs, with SIGPIPE ignored or not.
    void sendOutputTo(Output output, bool ignoreSigpipe = false)
    {
        output_ = output;
        ignoreSigpipe_ = ignoreSigpipe;
    }
    // Standard error of the next runs: the test folder's "stderr", or closed.
    void closeStandardError(bool closed) { errorClosed_ = closed; }
    // The largest file the next runs may write (RLIMIT_FSIZE, with SIGXFSZ
    // ignored, so a write beyond it fails with EFBIG); 0: no limit.
    void limitFileSize(long bytes) { fileSizeLimit_ = bytes; }

    // The program the next runs start: the build tree's VisionAccess unless
    // told otherwise.
    void useBinary(const std::string &program) { binary_ = program; }

    // Starts VisionAccess in the test's folder.
    pid_t start(const std::vector<std::string> &args, Input input = Input::EndOfFile);
    // Waits for it (killing it after timeoutMs) and collects its output.
    ToolRun finish(pid_t pid, int timeoutMs = 20000);
    // start and finish in one; with VISIONACCESS_TOOL_RUNS set to a folder,
    // a run that can be repeated alike (the tool of the build tree, its
    // output into the test's folder) is recorded there for the replay that
    // checks -j on every run of the suite (tests/jsonl/JsonLinesOfEveryRun.py).
    ToolRun run(const std::vector<std::string> &args, Input input = Input::EndOfFile);
    // Runs a continual VisionAccess that makes two scans and records its
    // pause; its input stays open (Waiting) or is closed.
    ToolRun runTwoScans(const std::vector<std::string> &args, Input input = Input::Waiting);

    // The environment the tool gets: this process's, less anything of the
    // simulator's or the dynamic linker's, plus what the test set, and
    // QRV_U3V_GIGE=none unless set (no GigE Vision discovery).
    std::vector<std::string> childEnvironment() const;
    // In a child process: exec VisionAccess with these arguments.
    [[noreturn]] void execTool(const std::vector<std::string> &args) const;

    std::string dir_;

private:
    // The recording of a run: the test's folder as the run found it, and
    // what the run was given; "" when the run is not recorded.
    std::string beginRecord(const std::vector<std::string> &args, Input input) const;
    void endRecord(const std::string &record, const ToolRun &result) const;

    std::vector<std::string> env_;
    std::string binary_ = VISIONACCESS_BINARY;
    int waitingPipe_ = -1;
    Output output_ = Output::File;
    bool ignoreSigpipe_ = false;
    bool errorClosed_ = false;
    long fileSizeLimit_ = 0;
};

// The first line of a scan that starts at once.  Inline, so that constants
// of the test files built from it are initialised after it.
inline const std::string kStamp = "00:00:00 Camera scan ....\n";

// The arguments, quoted, for failure messages.
std::string describe(const std::vector<std::string> &args);

// The usage text as VisionAccess prints it when run under that name.
std::string expectedUsage();

// What --help prints: the usage text, then the added options.
std::string expectedHelp();

// Text read until end of file; "" when the file is missing.
std::string slurp(const std::string &path);

// Exit status of a child whose address space limit was accepted but is not
// in force: qemu-user keeps such limits from the programs it runs.
constexpr int kAddressLimitIgnored = 125;
// In a child process: limits its address space to bytes, or ends it with
// 126 when the limit cannot be set, or with kAddressLimitIgnored.
void limitAddressSpaceOrExit(size_t bytes);

#endif

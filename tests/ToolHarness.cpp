#include "ToolHarness.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

extern char **environ;

std::string describe(const std::vector<std::string> &args)
{
    std::string text;
    for (const std::string &arg : args)
        text += "'" + arg + "' ";
    return text;
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void limitAddressSpaceOrExit(size_t bytes)
{
    const struct rlimit limit = {bytes, bytes};
    struct rlimit inForce = {};
    if (setrlimit(RLIMIT_AS, &limit) != 0 || getrlimit(RLIMIT_AS, &inForce) != 0)
        _exit(126);
    if (inForce.rlim_cur != limit.rlim_cur)
        _exit(kAddressLimitIgnored);
}

void ToolTest::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "visionaccess-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    setEnv("QRV_SIM_TRACE", path("trace"));
    setEnv("QRV_SIM_STATE", path("state"));
    // The simulated SDK, whichever SDK the build tree's tool links.
    setEnv("LD_LIBRARY_PATH", SIM_SDK_DIR);
}

void ToolTest::TearDown()
{
    if (waitingPipe_ >= 0)
        close(waitingPipe_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void ToolTest::writeFile(const std::string &name, const std::string &text) const
{
    std::ofstream(path(name), std::ios::binary) << text;
}

std::string ToolTest::readFile(const std::string &name) const
{
    std::string text = slurp(path(name));
    const std::string late = "00:00:01 Camera scan";
    for (size_t at = text.find(late); at != std::string::npos; at = text.find(late, at + 1))
        if (at == 0 || text[at - 1] == '\n')
            text[at + 7] = '0';
    return text;
}

std::vector<std::string> ToolTest::traceLines() const
{
    std::vector<std::string> lines;
    std::istringstream trace(readFile("trace"));
    for (std::string line; std::getline(trace, line);)
        lines.push_back(line);
    return lines;
}

void ToolTest::useConfig(const std::string &text)
{
    writeFile("config", text);
    setEnv("QRV_SIM_CONFIG", path("config"));
}

void ToolTest::setEnv(const std::string &name, const std::string &value)
{
    for (std::string &entry : env_) {
        if (entry.compare(0, name.size() + 1, name + "=") == 0) {
            entry = name + "=" + value;
            return;
        }
    }
    env_.push_back(name + "=" + value);
}

std::vector<std::string> ToolTest::childEnvironment() const
{
    std::vector<std::string> result;
    for (char **entry = environ; *entry != nullptr; entry++) {
        std::string text = *entry;
        std::string name = text.substr(0, text.find('='));
        bool overridden = false;
        for (const std::string &set : env_)
            overridden = overridden || set.compare(0, name.size() + 1, name + "=") == 0;
        if (overridden || name.rfind("QRV_SIM_", 0) == 0 || name == "LD_LIBRARY_PATH" || name == "LD_PRELOAD")
            continue;
        result.push_back(text);
    }
    result.insert(result.end(), env_.begin(), env_.end());
    // The open SDK looks for GigE Vision cameras on no interface of this
    // machine unless the test says where.
    bool gigeSet = false;
    for (const std::string &entry : result)
        gigeSet = gigeSet || entry.rfind("QRV_U3V_GIGE=", 0) == 0;
    if (!gigeSet)
        result.push_back("QRV_U3V_GIGE=none");
    return result;
}

void ToolTest::execTool(const std::vector<std::string> &args) const
{
    std::vector<std::string> env = childEnvironment();
    // A cross build's tool runs through the emulator (TOOL_EMULATOR: its
    // words, "" natively), which binfmt_misc may not provide; qemu's -0 sets
    // the argv[0] the tool sees.
    std::vector<std::string> command;
    std::istringstream emulator(TOOL_EMULATOR);
    for (std::string word; emulator >> word;)
        command.push_back(word);
    std::string program = command.empty() ? binary_ : command[0];
    if (!command.empty())
        command.insert(command.end(), {"-0", "VisionAccess", binary_});
    else
        command = {"VisionAccess"};
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : command)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (std::string &entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    if (chdir(dir_.c_str()) == 0)
        execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
}

pid_t ToolTest::start(const std::vector<std::string> &args, Input input)
{
    int pipeEnds[2] = {-1, -1};
    if (input == Input::Waiting && pipe(pipeEnds) != 0)
        return -1;
    int outputPipe[2] = {-1, -1};
    if (output_ == Output::BrokenPipe) {
        if (pipe(outputPipe) != 0)
            return -1;
        close(outputPipe[0]);
    }
    pid_t pid = fork();
    if (pid == 0) {
        // Every file is opened before a standard descriptor is closed, so
        // that none of them takes the place of one meant to be closed.
        int in = input == Input::Waiting ? pipeEnds[0] : open("/dev/null", O_RDONLY);
        int err = open(path("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int out = -1;
        switch (output_) {
        case Output::File:
            out = open(path("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            break;
        case Output::DevFull:
            out = open("/dev/full", O_WRONLY);
            break;
        case Output::Closed:
            break;
        case Output::BrokenPipe:
            out = outputPipe[1];
            break;
        }
        const struct {
            int fd;
            int target;
            bool closed;
        } standard[] = {{in, 0, input == Input::Closed}, {out, 1, output_ == Output::Closed}, {err, 2, errorClosed_}};
        for (const auto &each : standard) {
            if (each.closed)
                close(each.target);
            else
                dup2(each.fd, each.target);
        }
        if (ignoreSigpipe_)
            signal(SIGPIPE, SIG_IGN);
        if (fileSizeLimit_ > 0) {
            struct rlimit limit = {(rlim_t)fileSizeLimit_, (rlim_t)fileSizeLimit_};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);
        }
        execTool(args);
    }
    if (output_ == Output::BrokenPipe)
        close(outputPipe[1]);
    if (input == Input::Waiting) {
        close(pipeEnds[0]);
        waitingPipe_ = pipeEnds[1];
    }
    return pid;
}

ToolRun ToolTest::finish(pid_t pid, int timeoutMs)
{
    ToolRun result;
    int status = 0;
    const struct timespec tick = {0, 5 * 1000 * 1000};
    int waitedMs = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (waitedMs >= timeoutMs) {
            ADD_FAILURE() << "VisionAccess still running after " << timeoutMs << " ms; killed";
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        nanosleep(&tick, nullptr);
        waitedMs += 5;
    }
    if (waitingPipe_ >= 0) {
        close(waitingPipe_);
        waitingPipe_ = -1;
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = output_ == Output::File ? readFile("stdout") : "";
    result.err = readFile("stderr");
    return result;
}

ToolRun ToolTest::run(const std::vector<std::string> &args, Input input)
{
    std::string record = beginRecord(args, input);
    ToolRun result = finish(start(args, input));
    endRecord(record, result);
    return result;
}

namespace {

// Writes words, each ended by a NUL byte, as the file at path.
void writeWords(const std::string &path, const std::vector<std::string> &words)
{
    std::ofstream out(path, std::ios::binary);
    for (const std::string &word : words)
        out << word << '\0';
}

} // namespace

// A record is a folder of its own in $VISIONACCESS_TOOL_RUNS: "before" (a
// copy of the test's folder), "folder" (its path), "args" and "env" (words
// ended by NUL bytes), "input" (eof, waiting or closed), and once the run
// has ended "status" and "stdout" (what it printed there).
std::string ToolTest::beginRecord(const std::vector<std::string> &args, Input input) const
{
    const char *runs = getenv("VISIONACCESS_TOOL_RUNS");
    if (runs == nullptr || runs[0] == '\0' || binary_ != VISIONACCESS_BINARY || output_ != Output::File ||
        errorClosed_ || fileSizeLimit_ > 0)
        return "";
    std::error_code error;
    std::filesystem::create_directories(runs, error);
    std::string record = std::string(runs) + "/run-XXXXXX";
    if (mkdtemp(record.data()) == nullptr)
        return "";
    std::filesystem::copy(dir_, record + "/before",
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks,
                          error);
    if (error) {
        std::filesystem::remove_all(record, error);
        return "";
    }
    std::ofstream(record + "/folder", std::ios::binary) << dir_;
    writeWords(record + "/args", args);
    writeWords(record + "/env", childEnvironment());
    const char *inputs[] = {"eof", "waiting", "closed"};
    std::ofstream(record + "/input") << inputs[(int)input];
    return record;
}

void ToolTest::endRecord(const std::string &record, const ToolRun &result) const
{
    if (record.empty())
        return;
    std::error_code error;
    std::filesystem::copy_file(path("stdout"), record + "/stdout", error);
    // Written last: a record without it is of a run that did not end.
    std::ofstream(record + "/status") << result.status;
}

ToolRun ToolTest::runTwoScans(const std::vector<std::string> &args, Input input)
{
    setEnv("LD_PRELOAD", SLEEP_RECORDER);
    setEnv("SLEEP_RECORDER_LOG", path("sleeps"));
    // The recorder is loaded ahead of the sanitizer runtime in sanitized builds.
    const char *asan = getenv("ASAN_OPTIONS");
    setEnv("ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0");
    return run(args, input);
}

std::string expectedUsage()
{
    return R"(
Prints info on all Quorvane USB3 Vision cameras (via USB3)
       usage: VisionAccess options 
    where options are: 
       -c           Runs continually, and must be stopped with a <ctrl>C
       -d time      Delays time milliseconds between scans (only used
                    with -c option
       -r reg       For each camera found, reads the specified Vision register.
                    Specify values in hex

       -w reg value For each camera found, writes the specified Vision register.
                    with the specified value.  Specify values in hex, unless
                    you specify -i or -f option.

       -i           All reg values are expressed in decimal (base 10) format.
                    This applies to reads and writes.

       -f           All reg values are expressed as floats.  This applies to
                    reads and writes.

       -l fileName  Log the output to fileName
 Examples:
     VisionAccess -r 60018 -r 6001C 
             Displays the Vision Width and Height registers (in hex).

     VisionAccess -c -d 5000 -i -r 60028 -r 6002C -l foundCameras.txt 
             Displays the BinningHorizontal and BinningVertical registers,
             every 5 seconds (in decimal), and puts the output in the
             file foundCamera.txt.

     VisionAccess -f -w 60050 20.0 
             Writes the AcquisitionFrameRate to 20.0 fps.

)";
}

std::string expectedHelp()
{
    return expectedUsage() +
           " Added options (each also in upper case):\n"
           "       -r and -w    Also take addresses of up to 64 bits, and GenICam feature\n"
           "                    names (Width, PixelFormat, ExposureTime), whose values are\n"
           "                    read and written in the feature's own form.\n"
           "       -v           Shows each camera's vendor, model, family, version,\n"
           "                    serial number and user-defined name.\n"
           "       -s camera    Only the cameras with this number, serial number or\n"
           "                    user-defined name; may be repeated.\n"
           "       -x folder    Saves each camera's GenICam description as\n"
           "                    folder/<camera number>.xml.\n"
           "       -g file      Uses this GenICam description (XML or ZIP) for every camera.\n"
           "       -a           Lists every feature of each camera, with its value.\n"
           "       -j           Prints every line as one JSON object (JSON Lines).\n"
           "       -o folder    Saves each camera's configuration (a GenApi persistence\n"
           "                    file) as folder/<camera number>.pfs.\n"
           "       -p file      Applies this configuration file to each camera: all or\n"
           "                    nothing, every value verified.\n"
           "       -m file      Compares each camera with this configuration file.\n"
           "       --sdk        Shows which camera SDK is loaded.\n"
           "\n";
}

// Measures VisionAccess and the simulated SDK against reference programs and
// prints one table: metric, VisionAccess, reference, ratio, goal, met.
//
// These machines are noisy, so every comparison is paired: the two programs
// run alternately, each pair gives a ratio, and the median of the ratios is
// reported.  CPU time (user + system, from wait4) is used wherever the
// metric is about work done; wall time only where waiting is the point.
//
//   benchmark --tool VisionAccess --sdk <folder of libQrVApi.so> --client <client>
//             --trivial <trivial> --work <scratch folder>
//             [--generator GenicamMeasure --xmlparse <xmlparse> [--shapes <shapes>]]
//             [--open-sdk <folder> --fake-camera <arv-fake-gv-camera-0.8> --arv-tool <arv-tool-0.8>
//              --camera-description <xml>] [--quick]
#include <dirent.h>
#include <limits.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

struct Paths {
    std::string tool, sdk, client, trivial, work;
    std::string generator, xmlparse;  // for the feature rows, when given
    std::string shapes;               // for the worst shapes' rows, when given
    // For the GigE Vision rows, when given: the open SDK's folder, the
    // peer's simulated camera and arv-tool, and the camera's description.
    std::string openSdk, fakeCamera, arvTool, cameraDescription;
};

struct Usage {
    double cpuUs = 0;   // user + system time of the child
    double wallUs = 0;  // from fork to exit
    double peakKb = 0;  // its largest resident set
};

double nowUs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The environment of a measured run: this process's, less anything of the
// simulator's and where GigE Vision cameras are looked for, plus the SDK
// folder and the given settings.
std::vector<std::string> environment(const Paths &paths, const std::vector<std::string> &settings)
{
    std::vector<std::string> env;
    for (char **entry = environ; *entry != nullptr; entry++) {
        std::string text = *entry;
        if (text.rfind("QRV_SIM_", 0) != 0 && text.rfind("LD_LIBRARY_PATH=", 0) != 0 &&
            text.rfind("QRV_U3V_GIGE", 0) != 0)
            env.push_back(text);
    }
    env.push_back("LD_LIBRARY_PATH=" + paths.sdk);
    env.insert(env.end(), settings.begin(), settings.end());
    return env;
}

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> result;
    for (std::string &s : strings)
        result.push_back(&s[0]);
    result.push_back(nullptr);
    return result;
}

// Starts a program with standard output on /dev/null and standard input
// from the given descriptor (-1: /dev/null).
pid_t launch(const std::string &program, std::vector<std::string> args, std::vector<std::string> env, int input = -1)
{
    args.insert(args.begin(), program);
    std::vector<char *> argv = pointers(args);
    std::vector<char *> envp = pointers(env);
    pid_t pid = fork();
    if (pid == 0) {
        int in = input >= 0 ? input : open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(open("/dev/null", O_WRONLY), 1);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// The exit status of a program run to its end.
int exitStatus(const std::string &program, const std::vector<std::string> &args, const std::vector<std::string> &env)
{
    int status = 0;
    waitpid(launch(program, args, env), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// What a program run to its end printed on standard output.
std::string outputOf(const std::string &program, std::vector<std::string> args, std::vector<std::string> env)
{
    int pipe[2];
    if (::pipe(pipe) != 0)
        return "";
    args.insert(args.begin(), program);
    std::vector<char *> argv = pointers(args);
    std::vector<char *> envp = pointers(env);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe[1], 1);
        close(pipe[0]);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(pipe[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(pipe[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, (size_t)got);
    close(pipe[0]);
    waitpid(pid, nullptr, 0);
    return text;
}

Usage measure(const std::string &program, const std::vector<std::string> &args, const std::vector<std::string> &env)
{
    double start = nowUs();
    pid_t pid = launch(program, args, env);
    int status = 0;
    struct rusage usage;
    wait4(pid, &status, 0, &usage);
    Usage result;
    result.wallUs = nowUs() - start;
    result.cpuUs = usage.ru_utime.tv_sec * 1e6 + usage.ru_utime.tv_usec + usage.ru_stime.tv_sec * 1e6 +
                   usage.ru_stime.tv_usec;
    result.peakKb = (double)usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "benchmark: %s exited with status %d\n", program.c_str(), status);
        exit(1);
    }
    return result;
}

void writeText(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::trunc) << text;
}

// A configuration with the given number of cameras (and settings after them).
std::string cameras(const Paths &paths, int count, const std::string &extra = "")
{
    std::string text;
    for (int k = 1; k <= count; k++)
        text += "camera " + std::to_string(k) + "\n";
    std::string path = paths.work + "/cameras-" + std::to_string(count) + (extra.empty() ? "" : "-x") + ".cfg";
    writeText(path, text + extra);
    return path;
}

// -r (or -w with a value) for the default registers, round and round.
std::vector<std::string> registerArgs(int count, bool write)
{
    static const char *const kAddresses[] = {"60018", "6001C", "60028", "6002C", "60040", "60044", "60050"};
    std::vector<std::string> args;
    for (int k = 0; k < count; k++) {
        args.push_back(write ? "-w" : "-r");
        args.push_back(kAddresses[k % 7]);
        if (write)
            args.push_back(std::to_string(k));
    }
    return args;
}

struct Row {
    std::string metric, tool, reference, ratio, goal, met;
};

std::string format(const char *pattern, double value)
{
    char text[64];
    snprintf(text, sizeof text, pattern, value);
    return text;
}

// A row comparing two measures, with their ratio (given: the paired median,
// or computed from the two) against a goal it must not exceed.
Row ratioRow(const std::string &metric, double tool, double reference, const char *unit, double ratio, double goal)
{
    std::string pattern = std::string("%.1f ") + unit;
    return {metric, format(pattern.c_str(), tool), format(pattern.c_str(), reference), format("%.3f", ratio),
            format("<= %.2f", goal), ratio <= goal ? "yes" : "NO"};
}

// Runs a and b alternately; returns the medians of a's and b's measure and
// of their paired ratio.
struct Paired {
    double a, b, ratio;
};
Paired paired(int pairs, const std::function<double()> &a, const std::function<double()> &b)
{
    std::vector<double> as, bs, ratios;
    for (int k = 0; k < pairs; k++) {
        double x = a();
        double y = b();
        as.push_back(x);
        bs.push_back(y);
        ratios.push_back(x / y);
    }
    return {median(as), median(bs), median(ratios)};
}

Row startUp(const Paths &paths, bool quick)
{
    std::vector<std::string> env = environment(paths, {"QRV_SIM_STATE=off"});
    Paired p = paired(quick ? 30 : 300, [&] { return measure(paths.tool, {}, env).cpuUs; },
                      [&] { return measure(paths.trivial, {}, env).cpuUs; });
    return ratioRow("start-up, CPU (2 cameras, no options)", p.a, p.b, "us", p.ratio, 1.4);
}

// CPU per register operation, tool versus client, for cameras x reads.
std::vector<Row> perRegister(const Paths &paths, bool quick)
{
    const int kReads = 250;
    struct Size {
        const char *name;
        int cameras;
        int pairs;
    };
    std::vector<Size> sizes = {{"10k", 40, quick ? 5 : 21}, {"100k", 400, quick ? 3 : 9}};
    if (!quick)
        sizes.push_back({"1M", 4000, 3});
    std::vector<Row> rows;
    std::vector<double> toolCost;
    for (const Size &size : sizes) {
        std::vector<std::string> env =
            environment(paths, {"QRV_SIM_STATE=off", "QRV_SIM_CONFIG=" + cameras(paths, size.cameras)});
        std::vector<std::string> args = registerArgs(kReads, false);
        double operations = (double)size.cameras * kReads;
        Paired p = paired(size.pairs, [&] { return measure(paths.tool, args, env).cpuUs; },
                          [&] { return measure(paths.client, args, env).cpuUs; });
        rows.push_back(ratioRow(std::string("CPU per register, ") + size.name + " reads", p.a * 1000 / operations,
                                p.b * 1000 / operations, "ns", p.ratio, 1.05));
        toolCost.push_back(p.a);
    }
    if (toolCost.size() == 3)
        rows.push_back(ratioRow("CPU growth, 1M / 100k reads", toolCost[2] / 1000, toolCost[1] / 1000, "ms",
                                toolCost[2] / toolCost[1], 11));
    return rows;
}

// Register writes with the state file on: growth from 10k to 100k writes.
Row stateWrites(const Paths &paths, bool quick)
{
    const int kWrites = 250;
    std::string state = paths.work + "/state";
    auto cost = [&](int cameraCount) {
        std::vector<std::string> env = environment(
            paths, {"QRV_SIM_STATE=" + state, "QRV_SIM_CONFIG=" + cameras(paths, cameraCount)});
        unlink(state.c_str());
        return measure(paths.tool, registerArgs(kWrites, true), env).cpuUs;
    };
    Paired p = paired(quick ? 2 : 5, [&] { return cost(400); }, [&] { return cost(40); });
    return ratioRow("state writes, CPU 100k / 10k", p.a / 1000, p.b / 1000, "ms", p.ratio, 11);
}

// System calls between one register write reaching the state file (its
// pwrite) and the next, from a full strace of a run: the median is what a
// write costs, the mean adds what compaction and camera opens spread over
// the writes.  The tool's own output (write to descriptor 1) is left out.
std::vector<Row> callsPerWrite(const Paths &paths)
{
    const int kWrites = 250;
    const int kCameras = 4;
    const char *metric = "syscalls per state write beyond it";
    if (access("/usr/bin/strace", X_OK) != 0)
        return {{metric, "n/a", "", "", "<= 3", "strace missing"}};
    std::string state = paths.work + "/state";
    std::string log = paths.work + "/strace.txt";
    std::vector<std::string> env =
        environment(paths, {"QRV_SIM_STATE=" + state, "QRV_SIM_CONFIG=" + cameras(paths, kCameras)});
    unlink(state.c_str());
    measure(paths.tool, registerArgs(kWrites, true), env);  // the state exists, as in a long session
    std::vector<std::string> args = {"-f", "-o", log, paths.tool};
    for (const std::string &arg : registerArgs(kWrites, true))
        args.push_back(arg);
    measure("/usr/bin/strace", args, env);

    std::ifstream in(log);
    std::vector<double> gaps;
    int since = -1;  // calls since the last state write; -1 before the first
    for (std::string line; std::getline(in, line);) {
        if (line.find("pwrite64(") != std::string::npos) {
            if (since >= 0)
                gaps.push_back(since);
            since = 0;
        } else if (since >= 0 && line.find("write(1,") == std::string::npos && line.find("+++") == std::string::npos &&
                   line.find("---") == std::string::npos) {
            since++;
        }
    }
    if (gaps.empty())
        return {{metric, "n/a", "", "", "<= 3", "no state write seen"}};
    double mean = 0;
    for (double gap : gaps)
        mean += gap / gaps.size();
    double typical = median(gaps);
    return {{std::string(metric) + ", median", format("%.0f", typical), "", "", "<= 3", typical <= 3 ? "yes" : "NO"},
            {std::string(metric) + ", mean", format("%.2f", mean), "", "", "", ""}};
}

// Wall time of 1,000 reads with 150 us of latency per call, against the sum
// of the modelled latencies.
Row latency(const Paths &paths, bool quick)
{
    const int kReads = 1000;
    const double kLatencyUs = 150;
    std::vector<std::string> env =
        environment(paths, {"QRV_SIM_STATE=off", "QRV_SIM_CONFIG=" + cameras(paths, 1, "latency 150\n")});
    std::vector<double> walls;
    for (int k = 0; k < (quick ? 2 : 7); k++)
        walls.push_back(measure(paths.tool, registerArgs(kReads, false), env).wallUs);
    double modelled = (kReads + 4) * kLatencyUs;  // count, records, open, reads, close
    double wall = median(walls);
    return ratioRow("latency 150 us, 1000 reads, wall", wall / 1000, modelled / 1000, "ms", wall / modelled, 1.05);
}

struct ProcessSample {
    double cpuSeconds = 0;
    long rssKb = 0;
    int descriptors = 0;
};

ProcessSample sample(pid_t pid)
{
    ProcessSample s;
    std::string base = "/proc/" + std::to_string(pid);
    std::ifstream stat(base + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::vector<std::string> f;
    for (std::string word; fields >> word;)
        f.push_back(word);
    if (f.size() > 12)  // utime and stime are fields 14 and 15 of stat
        s.cpuSeconds = (atof(f[11].c_str()) + atof(f[12].c_str())) / sysconf(_SC_CLK_TCK);
    std::ifstream status(base + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            s.rssKb = atol(line.c_str() + 6);
    if (DIR *fds = opendir((base + "/fd").c_str())) {
        while (struct dirent *entry = readdir(fds))
            s.descriptors += entry->d_name[0] != '.';
        closedir(fds);
    }
    return s;
}

std::vector<Row> continual(const Paths &paths, bool quick)
{
    const int seconds = quick ? 3 : 20;
    const long kPageKb = 4;  // what a flat RSS may move by
    std::string state = paths.work + "/state";
    std::vector<std::string> env = environment(paths, {"QRV_SIM_STATE=" + state});
    int input[2];
    if (pipe(input) != 0)
        return {};
    pid_t pid = launch(paths.tool, {"-c", "-d", "1000", "-r", "60018", "-w", "60028", "1"}, env, input[0]);
    close(input[0]);
    struct timespec second = {1, 0};
    nanosleep(&second, nullptr);
    ProcessSample first = sample(pid);
    double start = nowUs();
    struct timespec span = {seconds, 0};
    nanosleep(&span, nullptr);
    ProcessSample last = sample(pid);
    double elapsed = (nowUs() - start) / 1e6;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    close(input[1]);
    double cpuPercent = (last.cpuSeconds - first.cpuSeconds) / elapsed * 100;
    std::string span_ = " over " + std::to_string(seconds) + " s";
    return {
        {"continual -d 1000, CPU" + span_, format("%.3f %%", cpuPercent), "", "", "< 0.1 %",
         cpuPercent < 0.1 ? "yes" : "NO"},
        {"continual -d 1000, RSS start / end", format("%.0f kB", (double)last.rssKb),
         format("%.0f kB", (double)first.rssKb), "", "flat", last.rssKb <= first.rssKb + kPageKb ? "yes" : "NO"},
        {"continual -d 1000, descriptors start / end", std::to_string(last.descriptors),
         std::to_string(first.descriptors), "", "flat", last.descriptors == first.descriptors ? "yes" : "NO"},
    };
}

// Feature names on a camera with a generated 1 MB description, cached: the
// cost of one more named read (a plain IntReg) against one more address
// read, each the difference between runs with few and many, so that the
// one-off load cancels out; and that load, per MB, against a plain parse
// of the same file by the same library.
std::vector<Row> features(const Paths &paths, bool quick)
{
    const int kFew = 10;
    const int kMany = 4010;
    char work[PATH_MAX];
    if (realpath(paths.work.c_str(), work) == nullptr)
        return {};
    std::string description = std::string(work) + "/generated.xml";  // the configuration's folder is another
    if (measure(paths.generator, {"--quick", "--write", description}, environment(paths, {})).cpuUs < 0)
        return {};
    // Its Width, a plain IntReg, is at 0x30204.
    std::string config = cameras(paths, 1, "genicam 1 " + description + "\nregister 1 0x30204 1920\n");
    std::vector<std::string> env = environment(
        paths, {"QRV_SIM_STATE=off", "QRV_SIM_CONFIG=" + config, "XDG_CACHE_HOME=" + paths.work + "/cache"});
    auto reads = [](int count, const char *what) {
        std::vector<std::string> args;
        for (int k = 0; k < count; k++)
            args.insert(args.end(), {"-r", what});
        return args;
    };
    const std::vector<std::string> namesFew = reads(kFew, "Width"), namesMany = reads(kMany, "Width");
    const std::vector<std::string> addressesFew = reads(kFew, "30204"), addressesMany = reads(kMany, "30204");
    measure(paths.tool, namesFew, env);  // fills the cache
    int runs = quick ? 5 : 21;
    std::vector<double> nameCosts, addressCosts, loads;
    for (int k = 0; k < runs; k++) {
        double few = measure(paths.tool, namesFew, env).cpuUs;
        double many = measure(paths.tool, namesMany, env).cpuUs;
        double addressFew = measure(paths.tool, addressesFew, env).cpuUs;
        double addressMany = measure(paths.tool, addressesMany, env).cpuUs;
        nameCosts.push_back((many - few) / (kMany - kFew));
        addressCosts.push_back((addressMany - addressFew) / (kMany - kFew));
        loads.push_back(few - addressFew);
    }
    struct stat file;
    double megabytes = stat(description.c_str(), &file) == 0 ? (double)file.st_size / (1024 * 1024) : 1;
    Paired parse = paired(runs, [&] { return measure(paths.xmlparse, {description}, env).cpuUs; },
                          [&] { return measure(paths.trivial, {}, env).cpuUs; });
    double name = median(nameCosts), address = median(addressCosts);
    double loadPerMb = median(loads) / 1000 / megabytes, parsePerMb = (parse.a - parse.b) / 1000 / megabytes;
    Row load = ratioRow("description load, CPU per MB (vs a plain parse)", loadPerMb, parsePerMb, "ms",
                        loadPerMb / parsePerMb, 1e9);
    load.goal = "<= 15 ms";
    load.met = loadPerMb <= 15 ? "yes" : "NO";
    return {ratioRow("CPU per named read (vs an address read)", name * 1000, address * 1000, "ns", name / address, 1.5),
            load};
}

// A camera for the configuration rows: a description of 500 values as real
// cameras have them (Integers with a lock or with a maximum another register
// gives, Floats, Enumerations, Booleans, and Floats behind a selector, each
// in a register of its own), the simulator's registers for it, and a
// configuration file that sets every value to another that fits.
struct ConfigurationCamera {
    std::string description, config, file;
    std::vector<std::string> writes;  // the same values as -w words
    size_t values = 0;
};

ConfigurationCamera configurationCamera(const std::string &descriptionPath)
{
    const int kEach = 80;      // Integers with a lock, with a bound, Floats, Enumerations, Booleans
    const int kSelected = 33;  // Floats, each selected by Sel's 3 entries
    ConfigurationCamera camera;
    std::string features, nodes, registers;
    uint32_t next = 0x20000;
    auto reg = [&](const std::string &name, const char *type, uint32_t value) {
        char line[160];
        snprintf(line, sizeof line, "register 1 0x%X %u\n", next, value);
        registers += line;
        nodes += "<" + std::string(type) + " Name=\"" + name + "\"><Address>" + std::to_string(next) +
                 "</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></" + type + ">\n";
        next += 4;
    };
    auto value = [&](const std::string &name, const std::string &text) {
        camera.file += name + "\t" + text + "\n";
        camera.writes.insert(camera.writes.end(), {"-w", name, text});
    };
    auto feature = [&](const std::string &name, const std::string &node) {
        features += "<pFeature>" + name + "</pFeature>";
        nodes += node + "\n";
    };
    reg("LockReg", "IntReg", 0);
    nodes += "<Integer Name=\"Locked\"><pValue>LockReg</pValue><Min>0</Min><Max>1</Max></Integer>\n";
    reg("LimitReg", "IntReg", 100000);
    for (int k = 0; k < kEach; k++) {
        std::string n = std::to_string(k);
        reg("LockedIntReg" + n, "IntReg", 1);
        feature("LockedInt" + n, "<Integer Name=\"LockedInt" + n + "\"><Streamable>Yes</Streamable><pIsLocked>Locked"
                                     "</pIsLocked><pValue>LockedIntReg" + n + "</pValue><Min>0</Min><Max>1000000</Max>"
                                     "</Integer>");
        value("LockedInt" + n, std::to_string(100 + k));
        reg("BoundedIntReg" + n, "IntReg", 1);
        feature("BoundedInt" + n, "<Integer Name=\"BoundedInt" + n + "\"><Streamable>Yes</Streamable><pValue>"
                                      "BoundedIntReg" + n + "</pValue><Min>0</Min><pMax>LimitReg</pMax><Inc>2</Inc>"
                                      "</Integer>");
        value("BoundedInt" + n, std::to_string(2 * k + 4));
        reg("FloatReg" + n, "FloatReg", 0);
        feature("Float" + n, "<Float Name=\"Float" + n + "\"><Streamable>Yes</Streamable><pValue>FloatReg" + n +
                                 "</pValue><Min>0</Min><Max>1000</Max></Float>");
        value("Float" + n, std::to_string(k) + ".5");
        reg("EnumReg" + n, "IntReg", 0);
        feature("Enum" + n, "<Enumeration Name=\"Enum" + n + "\"><Streamable>Yes</Streamable><EnumEntry Name=\"Off\">"
                                "<Value>0</Value></EnumEntry><EnumEntry Name=\"Once\"><Value>1</Value></EnumEntry>"
                                "<EnumEntry Name=\"Continuous\"><Value>2</Value></EnumEntry><pValue>EnumReg" + n +
                                "</pValue></Enumeration>");
        value("Enum" + n, k % 2 ? "Once" : "Continuous");
        reg("BoolReg" + n, "IntReg", 0);
        feature("Bool" + n, "<Boolean Name=\"Bool" + n + "\"><Streamable>Yes</Streamable><pValue>BoolReg" + n +
                                "</pValue></Boolean>");
        value("Bool" + n, "1");
    }
    reg("SelReg", "IntReg", 0);
    std::string selected, gains;
    for (int k = 0; k < kSelected; k++) {
        std::string n = std::to_string(k);
        selected += "<pSelected>Gain" + n + "</pSelected>";
        char gain[512];
        snprintf(gain, sizeof gain,
                 "<Float Name=\"Gain%d\"><Streamable>Yes</Streamable><pValue>GainReg%d</pValue><Min>0</Min>"
                 "<Max>24</Max></Float>\n<FloatReg Name=\"GainReg%d\"><Address>%u</Address><pIndex Offset=\"4\">Sel"
                 "</pIndex><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></FloatReg>\n",
                 k, k, k, next);
        gains += gain;
        for (int entry = 0; entry < 3; entry++) {
            char line[80];
            snprintf(line, sizeof line, "register 1 0x%X 0\n", next + 4 * entry);
            registers += line;
        }
        next += 12;
    }
    feature("Sel", "<Enumeration Name=\"Sel\"><Streamable>Yes</Streamable><EnumEntry Name=\"A\"><Value>0</Value>"
                   "</EnumEntry><EnumEntry Name=\"B\"><Value>1</Value></EnumEntry><EnumEntry Name=\"C\"><Value>2"
                   "</Value></EnumEntry><pValue>SelReg</pValue>" + selected + "</Enumeration>");
    for (const char *entry : {"A", "B", "C"}) {
        value("Sel", entry);
        for (int k = 0; k < kSelected; k++)
            value("Gain" + std::to_string(k), std::to_string(k % 24) + ".25");
    }
    value("Sel", "A");
    features += "<pFeature>Sel</pFeature>";
    for (int k = 0; k < kSelected; k++)
        features += "<pFeature>Gain" + std::to_string(k) + "</pFeature>";
    nodes += gains;
    camera.values = 5 * kEach + 3 * kSelected + 1;  // Sel counts once
    camera.description = "<?xml version=\"1.0\"?>\n<RegisterDescription ModelName=\"Bench\" VendorName=\"Bench\" "
                         "StandardNameSpace=\"None\" SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" "
                         "SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\" "
                         "ProductGuid=\"0\" VersionGuid=\"0\" xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n"
                         "<Category Name=\"Root\">" + features + "</Category>\n" + nodes +
                         "<Port Name=\"Device\"/>\n</RegisterDescription>\n";
    camera.config = "camera 1\ngenicam 1 " + descriptionPath + "\n" + registers;
    camera.file = "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n" + camera.file;
    return camera;
}

// The register calls (private commands and memory calls) a run's trace holds.
size_t registerCalls(const std::string &trace)
{
    std::ifstream in(trace);
    size_t calls = 0;
    for (std::string line; std::getline(in, line);)
        calls += line.rfind("QrVPrivateCmd", 0) == 0 || line.rfind("QrVReadMemory", 0) == 0 ||
                 line.rfind("QrVWriteMemory", 0) == 0;
    return calls;
}

// Applying a file of 500 values (-p) against the same values as named -w,
// on a description cached: CPU, paired; and the SDK register calls each
// applied value costs, from the simulator's trace, less those of applying
// an empty file (the manifest, the session).
std::vector<Row> configurations(const Paths &paths, bool quick)
{
    char work[PATH_MAX];
    if (realpath(paths.work.c_str(), work) == nullptr)
        return {};
    std::string folder = std::string(work) + "/configuration";
    mkdir(folder.c_str(), 0755);
    ConfigurationCamera camera = configurationCamera(folder + "/camera.xml");
    writeText(folder + "/camera.xml", camera.description);
    writeText(folder + "/camera.cfg", camera.config);
    writeText(folder + "/line.pfs", camera.file);
    writeText(folder + "/empty.pfs", "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n");
    std::vector<std::string> settings = {"QRV_SIM_STATE=off", "QRV_SIM_CONFIG=" + folder + "/camera.cfg",
                                         "XDG_CACHE_HOME=" + folder + "/cache"};
    std::vector<std::string> env = environment(paths, settings);
    const std::vector<std::string> apply = {"-p", folder + "/line.pfs"};
    measure(paths.tool, apply, env);  // fills the cache; exits 0 only when every value applied
    Paired p = paired(quick ? 3 : 21, [&] { return measure(paths.tool, apply, env).cpuUs; },
                      [&] { return measure(paths.tool, camera.writes, env).cpuUs; });

    std::string trace = folder + "/trace";
    settings.push_back("QRV_SIM_TRACE=" + trace);
    std::vector<std::string> traced = environment(paths, settings);
    unlink(trace.c_str());
    measure(paths.tool, {"-p", folder + "/empty.pfs"}, traced);
    size_t baseline = registerCalls(trace);
    unlink(trace.c_str());
    measure(paths.tool, apply, traced);
    double perValue = (double)(registerCalls(trace) - baseline) / (double)camera.values;
    std::string values = std::to_string(camera.values);
    return {ratioRow("apply " + values + " values (-p) vs the same -w, CPU", p.a / 1000, p.b / 1000, "ms", p.ratio,
                     3),
            {"SDK register calls per applied value", format("%.2f", perValue), "", "", "<= 4",
             perValue <= 4 ? "yes" : "NO"}};
}

// The worst shapes of a description for the engine's formulas (bench/shapes):
// the CPU to parse one and build every node, per MB, against a plain parse
// of the same file, each less the same program's run on an empty
// description; and the memory that takes against the plain parse's.  The
// rows show the worst shape.
std::vector<Row> shapes(const Paths &paths, bool quick)
{
    std::string folder = paths.work + "/shapes";
    mkdir(folder.c_str(), 0755);
    std::vector<std::string> env = environment(paths, {});
    measure(paths.shapes, {"--write", folder}, env);
    std::string empty = folder + "/empty.xml";
    int pairs = quick ? 3 : 11;
    Row cpu, memory;
    double worstCpu = -1, worstMemory = -1;
    for (const char *shape : {"knives", "wide", "expressions"}) {
        std::string file = folder + "/" + shape + ".xml";
        struct stat info;
        double megabytes = stat(file.c_str(), &info) == 0 ? (double)info.st_size / (1024 * 1024) : 1;
        std::vector<double> peaks, plainPeaks;
        Paired p = paired(
            pairs,
            [&] {
                Usage usage = measure(paths.shapes, {"--build", file}, env);
                peaks.push_back(usage.peakKb);
                return std::max(usage.cpuUs - measure(paths.shapes, {"--build", empty}, env).cpuUs, 1.0);
            },
            [&] {
                Usage usage = measure(paths.xmlparse, {file}, env);
                plainPeaks.push_back(usage.peakKb);
                return std::max(usage.cpuUs - measure(paths.xmlparse, {empty}, env).cpuUs, 1.0);
            });
        std::string name = std::string("build of worst shape (") + shape + "), ";
        double perMb = p.a / 1000 / megabytes;
        if (perMb > worstCpu) {
            worstCpu = perMb;
            cpu = ratioRow(name + "CPU/MB vs parse", perMb, p.b / 1000 / megabytes, "ms", p.ratio, 1e9);
            cpu.goal = "<= 100 ms";
            cpu.met = perMb <= 100 ? "yes" : "NO";
        }
        double peak = median(peaks) / 1024, plain = median(plainPeaks) / 1024;
        if (peak / plain > worstMemory) {
            worstMemory = peak / plain;
            memory = ratioRow(name + "memory vs parse", peak, plain, "MB", peak / plain, 10);
        }
    }
    return {cpu, memory};
}

// VisionAccess on the open SDK against arv-tool-0.8, both on the peer's
// simulated GigE Vision camera on 127.0.0.1 (its description with 20
// Streamable values), discovery confined to that address, VisionAccess's
// description cache on: wall time, paired, as a camera on a network is
// waited for.  One process that reads Width; the cost of one more register
// read (the difference between runs of few and many reads); applying the
// camera's saved configuration (-p, every value verified, the previous
// settings restorable) against arv-tool setting the same values in one
// process, which verifies and restores nothing.
std::vector<Row> gige(const Paths &paths, bool quick)
{
    char work[PATH_MAX];
    if (realpath(paths.work.c_str(), work) == nullptr)
        return {};
    std::string folder = std::string(work) + "/gige";
    mkdir(folder.c_str(), 0755);
    Paths open = paths;
    open.sdk = paths.openSdk;
    std::vector<std::string> env =
        environment(open, {"QRV_U3V_GIGE=127.0.0.1", "XDG_CACHE_HOME=" + folder + "/cache"});
    pid_t camera = launch(paths.fakeCamera, {"-i", "127.0.0.1", "-s", "BENCH", "-g", paths.cameraDescription}, env);
    std::vector<Row> rows;
    bool ready = false;
    for (int tries = 0; tries < 200 && !ready; tries++) {
        ready = exitStatus(paths.arvTool, {"-a", "127.0.0.1", "control", "Width"}, env) == 0;
        if (!ready)
            usleep(100000);
    }
    if (ready) {
        int pairs = quick ? 3 : 21;
        auto wall = [&](const std::string &program, const std::vector<std::string> &args) {
            return measure(program, args, env).wallUs;
        };
        const std::vector<std::string> arvWidth = {"-a", "127.0.0.1", "control", "Width"};
        wall(paths.tool, {"-r", "Width"});  // fills the cache, where the camera's URL gives a SHA-1
        Paired one = paired(pairs, [&] { return wall(paths.tool, {"-r", "Width"}); },
                            [&] { return wall(paths.arvTool, arvWidth); });
        rows.push_back(ratioRow("GigE: one -r Width, wall, vs arv-tool control Width", one.a / 1000, one.b / 1000, "ms",
                                one.ratio, 1));

        const int kFew = 10, kMany = quick ? 110 : 1010;
        auto reads = [](int count, bool ours) {
            std::vector<std::string> args = ours ? std::vector<std::string>{}
                                                 : std::vector<std::string>{"-a", "127.0.0.1", "control"};
            for (int k = 0; k < count; k++) {
                if (ours)
                    args.insert(args.end(), {"-r", "100"});
                else
                    args.push_back("R[0x100]");
            }
            return args;
        };
        std::vector<double> ours, theirs;
        for (int k = 0; k < pairs; k++) {
            ours.push_back((wall(paths.tool, reads(kMany, true)) - wall(paths.tool, reads(kFew, true))) /
                           (kMany - kFew));
            theirs.push_back((wall(paths.arvTool, reads(kMany, false)) - wall(paths.arvTool, reads(kFew, false))) /
                             (kMany - kFew));
        }
        double read = median(ours), arvRead = median(theirs);
        rows.push_back(ratioRow("GigE: one more register read, wall, vs arv-tool R[]", read, arvRead, "us",
                                read / arvRead, 1));

        // The camera's configuration, saved, and the same values as arv-tool's assignments.
        std::string saved = folder + "/saved";
        mkdir(saved.c_str(), 0755);
        std::string savedLine = outputOf(paths.tool, {"-o", saved}, env);
        size_t counted = savedLine.find(" (");
        std::string values = counted == std::string::npos
                                 ? "?"
                                 : savedLine.substr(counted + 2, savedLine.find(' ', counted + 2) - counted - 2);
        std::string file;
        DIR *dir = opendir(saved.c_str());
        for (struct dirent *entry; dir != nullptr && (entry = readdir(dir)) != nullptr;)
            if (strstr(entry->d_name, ".pfs") != nullptr)
                file = saved + "/" + entry->d_name;
        if (dir != nullptr)
            closedir(dir);
        std::vector<std::string> assignments = {"-a", "127.0.0.1", "control"};
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            size_t tab = line.find('\t');
            if (!line.empty() && line[0] != '#' && tab != std::string::npos)
                assignments.push_back(line.substr(0, tab) + "=" + line.substr(tab + 1));
        }
        if (!file.empty()) {
            Paired apply = paired(pairs, [&] { return wall(paths.tool, {"-p", file}); },
                                  [&] { return wall(paths.arvTool, assignments); });
            rows.push_back(ratioRow("GigE: apply " + values + " values (-p), wall, vs arv-tool F=V",
                                    apply.a / 1000, apply.b / 1000, "ms", apply.ratio, 1));
        }
    } else {
        fprintf(stderr, "benchmark: the simulated GigE Vision camera does not answer on 127.0.0.1\n");
    }
    kill(camera, SIGTERM);
    waitpid(camera, nullptr, 0);
    return rows;
}

void print(const std::vector<Row> &rows)
{
    const char *format = "%-48s %14s %14s %7s %9s %5s\n";
    printf(format, "metric", "VisionAccess", "reference", "ratio", "goal", "met");
    for (const Row &row : rows)
        printf(format, row.metric.c_str(), row.tool.c_str(), row.reference.c_str(), row.ratio.c_str(),
               row.goal.c_str(), row.met.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    Paths paths;
    bool quick = false;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        std::string *target = arg == "--tool"     ? &paths.tool
                              : arg == "--sdk"     ? &paths.sdk
                              : arg == "--client"  ? &paths.client
                              : arg == "--trivial" ? &paths.trivial
                              : arg == "--work"    ? &paths.work
                              : arg == "--generator" ? &paths.generator
                              : arg == "--xmlparse"  ? &paths.xmlparse
                              : arg == "--shapes"    ? &paths.shapes
                              : arg == "--open-sdk"  ? &paths.openSdk
                              : arg == "--fake-camera" ? &paths.fakeCamera
                              : arg == "--arv-tool"  ? &paths.arvTool
                              : arg == "--camera-description" ? &paths.cameraDescription
                                                   : nullptr;
        if (arg == "--quick")
            quick = true;
        else if (target != nullptr && i + 1 < argc)
            *target = argv[++i];
        else {
            fprintf(stderr, "usage: benchmark --tool T --sdk DIR --client C --trivial T --work DIR [--quick]\n");
            return 2;
        }
    }
    if (paths.tool.empty() || paths.sdk.empty() || paths.client.empty() || paths.trivial.empty() ||
        paths.work.empty()) {
        fprintf(stderr, "benchmark: --tool, --sdk, --client, --trivial and --work are needed\n");
        return 2;
    }
    mkdir(paths.work.c_str(), 0755);

    std::vector<Row> rows;
    rows.push_back(startUp(paths, quick));
    for (const Row &row : perRegister(paths, quick))
        rows.push_back(row);
    rows.push_back(stateWrites(paths, quick));
    for (const Row &row : callsPerWrite(paths))
        rows.push_back(row);
    rows.push_back(latency(paths, quick));
    for (const Row &row : continual(paths, quick))
        rows.push_back(row);
    if (!paths.generator.empty() && !paths.xmlparse.empty())
        for (const Row &row : features(paths, quick))
            rows.push_back(row);
    if (!paths.shapes.empty() && !paths.xmlparse.empty())
        for (const Row &row : shapes(paths, quick))
            rows.push_back(row);
    if (!paths.generator.empty())
        for (const Row &row : configurations(paths, quick))
            rows.push_back(row);
    if (!paths.openSdk.empty() && !paths.fakeCamera.empty() && !paths.arvTool.empty() &&
        !paths.cameraDescription.empty())
        for (const Row &row : gige(paths, quick))
            rows.push_back(row);
    print(rows);
    return 0;
}

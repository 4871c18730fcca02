#include "Trace.h"

#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <mutex>

namespace u3v {

namespace {

struct TraceFile {
    std::mutex mutex;
    FILE *file = nullptr;
    bool failed = false;

    TraceFile()
    {
        const char *path = getenv("QRV_U3V_TRACE");
        if (path == nullptr || path[0] == '\0')
            return;
        // Kept open for the life of the process, so never in the place of a
        // standard stream that the program was started without.
        int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0 && fd <= STDERR_FILENO) {
            int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            close(fd);
            fd = moved;
        }
        file = fd >= 0 ? fdopen(fd, "a") : nullptr;
        if (file == nullptr)
            report("%s: cannot append trace: %s", path, strerror(errno));
    }
};

// Never destroyed: a camera closed as the process ends (a GigE Vision
// camera giving control back) still traces.  Every line is flushed.
TraceFile &traceFile()
{
    static TraceFile *instance = new TraceFile;
    return *instance;
}

} // namespace

bool tracing()
{
    return traceFile().file != nullptr;
}

void traceLine(const char *line)
{
    TraceFile &trace = traceFile();
    if (trace.file == nullptr)
        return;
    std::lock_guard<std::mutex> guard(trace.mutex);
    fprintf(trace.file, "%s\n", line);
    if (fflush(trace.file) != 0 && !trace.failed) {
        trace.failed = true;
        report("QRV_U3V_TRACE: cannot write the trace: %s", strerror(errno));
    }
}

void tracef(const char *format, ...)
{
    if (!tracing())
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    traceLine(line);
}

std::string escapeText(const std::string &text)
{
    const char *hex = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(text.size());
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) {
            escaped += (char)c;
        } else {
            const char code[] = {'\\', 'x', hex[c >> 4], hex[c & 0xF]};
            escaped.append(code, sizeof code);
        }
    }
    return escaped;
}

namespace {

void reportLine(const char *prefix, const char *format, va_list args)
{
    char line[4096];
    vsnprintf(line, sizeof line, format, args);
    // One write, so that lines of several threads never mix.
    fprintf(stderr, "%s%s\n", prefix, line);
}

} // namespace

void report(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    reportLine("QrVApi (USB3 Vision): ", format, args);
    va_end(args);
}

void reportGige(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    reportLine("QrVApi (GigE Vision): ", format, args);
    va_end(args);
}

} // namespace u3v

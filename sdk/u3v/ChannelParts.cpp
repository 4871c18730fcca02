#include "ChannelParts.h"

#include <stdarg.h>
#include <stdio.h>

namespace u3v {

void traceTo(const TraceLine &trace, const char *format, ...)
{
    if (!trace)
        return;
    char line[256];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    trace(line);
}

int msUntil(Clock &clock, int64_t deadlineUs)
{
    int64_t remainingUs = deadlineUs - clock.nowUs();
    return remainingUs <= 1000 ? 1 : (int)((remainingUs + 999) / 1000);
}

} // namespace u3v

// The system's clock for the channels (Transport.h).
#include "Transport.h"

#include <errno.h>
#include <time.h>

namespace u3v {

namespace {

class SystemClock : public Clock {
public:
    int64_t nowUs() override
    {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        return (int64_t)now.tv_sec * 1000000 + now.tv_nsec / 1000;
    }
    void sleepMs(int milliseconds) override
    {
        struct timespec pause = {milliseconds / 1000, (long)(milliseconds % 1000) * 1000000L};
        while (nanosleep(&pause, &pause) == -1 && errno == EINTR)
            ;
    }
};

} // namespace

Clock &systemClock()
{
    static SystemClock clock;
    return clock;
}

} // namespace u3v

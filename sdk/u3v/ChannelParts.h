// What the USB3 Vision and GigE Vision control channels share: request ids,
// the milliseconds left to a deadline, and their trace lines.
#ifndef QRVU3V_CHANNELPARTS_H
#define QRVU3V_CHANNELPARTS_H

#include "Transport.h"

#include <stdint.h>

#include <functional>

namespace u3v {

// A line for a channel's trace, without its newline.
typedef std::function<void(const char *)> TraceLine;

// Formats a line and gives it to trace, when there is one.
void traceTo(const TraceLine &trace, const char *format, ...) __attribute__((format(printf, 2, 3)));

// The request ids of one channel: each in turn from 1 to 0xFFFF, never 0.
class RequestIds {
public:
    // The next id, taken.
    uint16_t take()
    {
        uint16_t id = next_;
        next_ = next_ == 0xFFFF ? 1 : next_ + 1;
        return id;
    }
    uint16_t next() const { return next_; }
    void setNext(uint16_t id) { next_ = id == 0 ? 1 : id; }

private:
    uint16_t next_ = 1;
};

// Whole milliseconds from now to the deadline, rounded up, at least 1 (a
// transfer given 0 would wait forever).
int msUntil(Clock &clock, int64_t deadlineUs);

} // namespace u3v

#endif

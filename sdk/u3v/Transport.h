// What a channel needs from below: packets sent and received (bulk
// transfers on a USB3 Vision camera's control endpoints, datagrams to and
// from a GigE Vision camera's control port), and a clock.  The libusb and
// UDP transports are the real ones; tests give a scripted one.
#ifndef QRVU3V_TRANSPORT_H
#define QRVU3V_TRANSPORT_H

#include <stddef.h>
#include <stdint.h>

namespace u3v {

enum class Transfer {
    Ok,
    Timeout,  // nothing moved before the time given
    Stall,    // the endpoint is halted; clear it before the next transfer
    Gone,     // the device is no longer there
    Error,    // anything else
};

enum class Endpoint { Out, In };

class Transport {
public:
    virtual ~Transport() = default;
    // Sends one whole packet.
    virtual Transfer send(const uint8_t *bytes, size_t size, int timeoutMs) = 0;
    // Receives one packet of at most capacity bytes; *received is its size.
    virtual Transfer receive(uint8_t *bytes, size_t capacity, size_t *received, int timeoutMs) = 0;
    // Clears a halt on the endpoint.
    virtual Transfer clearHalt(Endpoint endpoint) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Microseconds on a clock that never goes back.
    virtual int64_t nowUs() = 0;
    // Waits the given milliseconds (a pause between tries, never a spin).
    virtual void sleepMs(int milliseconds) = 0;
};

// CLOCK_MONOTONIC and nanosleep.
Clock &systemClock();

} // namespace u3v

#endif

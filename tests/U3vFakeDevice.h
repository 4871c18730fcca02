// A USB3 Vision device scripted byte by byte on a clock that moves only
// when the device or the channel makes it: the open SDK's channel tests and
// its fuzz target drive the channel with it.
#ifndef U3VFAKEDEVICE_H
#define U3VFAKEDEVICE_H

#include "Protocol.h"
#include "Transport.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

namespace u3v {

typedef std::vector<uint8_t> Bytes;

class FakeClock : public Clock {
public:
    int64_t nowUs() override { return now; }
    void sleepMs(int milliseconds) override { now += (int64_t)milliseconds * 1000; }
    int64_t now = 0;
};

// One thing the device does when the host reads its acknowledge endpoint.
struct Step {
    Transfer result = Transfer::Ok;
    int delayMs = 0;                            // before it comes
    std::function<Bytes(const Bytes &)> reply;  // from the last command sent
};

// A device scripted byte by byte.  With nothing scripted, reads time out.
class FakeDevice : public Transport {
public:
    explicit FakeDevice(FakeClock &clock) : clock_(clock) {}

    Transfer send(const uint8_t *bytes, size_t size, int) override
    {
        sent.emplace_back(bytes, bytes + size);
        if (sendResults.empty())
            return Transfer::Ok;
        Transfer result = sendResults.front();
        sendResults.pop_front();
        return result;
    }
    Transfer receive(uint8_t *bytes, size_t capacity, size_t *received, int timeoutMs) override
    {
        capacities.push_back(capacity);
        *received = 0;
        if (steps.empty() || steps.front().delayMs > timeoutMs) {
            if (!steps.empty())
                steps.front().delayMs -= timeoutMs;
            clock_.now += (int64_t)timeoutMs * 1000;
            return Transfer::Timeout;
        }
        Step step = steps.front();
        steps.pop_front();
        clock_.now += (int64_t)step.delayMs * 1000;
        if (step.result != Transfer::Ok)
            return step.result;
        Bytes packet = step.reply(sent.back());
        *received = std::min(packet.size(), capacity);
        std::copy(packet.begin(), packet.begin() + *received, bytes);
        return Transfer::Ok;
    }
    Transfer clearHalt(Endpoint endpoint) override
    {
        cleared.push_back(endpoint);
        return Transfer::Ok;
    }

    std::vector<Bytes> sent;
    std::deque<Transfer> sendResults;
    std::deque<Step> steps;
    std::vector<Endpoint> cleared;
    std::vector<size_t> capacities;  // of every receive

private:
    FakeClock &clock_;
};

inline uint16_t requestIdOf(const Bytes &command)
{
    return get16(&command[10]);
}

// An acknowledge: header, then payload.
inline Bytes ack(uint16_t status, uint16_t ackId, uint16_t requestId, const Bytes &payload)
{
    Bytes packet(kHeaderSize + payload.size());
    put32(&packet[0], kPrefix);
    put16(&packet[4], status);
    put16(&packet[6], ackId);
    put16(&packet[8], (uint16_t)payload.size());
    put16(&packet[10], requestId);
    std::copy(payload.begin(), payload.end(), packet.begin() + kHeaderSize);
    return packet;
}

} // namespace u3v

#endif

// A GigE Vision camera in a thread of the test: a UDP socket on 127.0.0.1
// (a port of its own, so tests run side by side), a memory of bytes as the
// camera holds them, and the control privilege of one application at a
// time, which lapses after the heartbeat timeout without a read of the
// privilege register.  A write from an application without control is
// ignored, as the peer's simulated camera does, or refused (denyWrites).
// A test can take over any datagram with a hook.
#ifndef GIGEFAKECAMERA_H
#define GIGEFAKECAMERA_H

#include "GigeDiscovery.h"
#include "Gvcp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace u3v {
namespace gige {

class GigeFakeCamera {
public:
    typedef std::vector<uint8_t> Bytes;
    // Takes a datagram before the camera does: true when it is handled
    // (send the answer through reply, or nothing to drop it).
    typedef std::function<bool(const Bytes &command, const std::function<void(const Bytes &)> &reply)> Hook;

    explicit GigeFakeCamera(const std::string &serial = "FAKE01")
    {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address);
        socklen_t size = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr *>(&address), &size);
        port_ = ntohs(address.sin_port);
        memory_.assign(0x10000 + 0x1000, 0);
        putText(0x48, "Fake Vendor");
        putText(0x68, "Fake Model");
        putText(0x88, "1.0");
        putText(0xD8, serial);
        putText(0x200, "Local:fake.xml;10000;100");
        putWord(0x0024, INADDR_LOOPBACK);
        putWord(0x0938, 3000);
        thread_ = std::thread([this] { serve(); });
    }
    ~GigeFakeCamera()
    {
        stop_ = true;
        thread_.join();
        close(fd_);
    }

    Target target() const { return {INADDR_LOOPBACK, port_}; }

    void putText(uint32_t address, const std::string &text)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        memcpy(&memory_[address], text.c_str(), text.size() + 1);
    }
    void putWord(uint32_t address, uint32_t value)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        putBe32(&memory_[address], value);
    }
    uint32_t word(uint32_t address)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return getBe32(&memory_[address]);
    }
    void setHook(Hook hook)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        hook_ = hook;
    }
    // Another application takes control (from port 1 of 127.0.0.2), or gives it back.
    void heldByAnother(bool held)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        controller_ = held ? "127.0.0.2:1" : "";
        putBe32(&memory_[0x0A00], held ? 2 : 0);
        lastBeat_ = std::chrono::steady_clock::now();
    }
    // Who holds control ("" for none), as "address:port".
    std::string controller()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        expire();
        return controller_;
    }
    // The commands received, in order.
    std::vector<Bytes> commands()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return commands_;
    }
    // How many commands of this code were received (at this address when given).
    size_t count(uint16_t code, int64_t address = -1)
    {
        size_t n = 0;
        for (const Bytes &c : commands())
            n += getBe16(&c[2]) == code && (address < 0 || (c.size() >= 12 && getBe32(&c[8]) == (uint32_t)address));
        return n;
    }
    bool denyWrites = false;

private:
    void expire()
    {
        uint32_t timeoutMs = getBe32(&memory_[0x0938]);
        if (!controller_.empty() &&
            std::chrono::steady_clock::now() - lastBeat_ > std::chrono::milliseconds(timeoutMs)) {
            controller_.clear();
            putBe32(&memory_[0x0A00], 0);
        }
    }

    void serve()
    {
        Bytes buffer(2048);
        while (!stop_) {
            pollfd wait = {fd_, POLLIN, 0};
            if (poll(&wait, 1, 20) <= 0)
                continue;
            sockaddr_in from = {};
            socklen_t size = sizeof from;
            ssize_t got = recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr *>(&from), &size);
            if (got < (ssize_t)kHeaderSize)
                continue;
            Bytes command(buffer.begin(), buffer.begin() + got);
            auto reply = [this, from](const Bytes &answer) {
                sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<const sockaddr *>(&from), sizeof from);
            };
            Hook hook;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                commands_.push_back(command);
                hook = hook_;
            }
            if (hook && hook(command, reply))
                continue;
            char sender[32];
            snprintf(sender, sizeof sender, "%s:%u", inet_ntoa(from.sin_addr), ntohs(from.sin_port));
            Bytes answer;
            if (handle(command, sender, &answer))
                reply(answer);
        }
    }

    static Bytes ack(uint16_t status, uint16_t code, uint16_t id, const Bytes &payload)
    {
        Bytes packet(kHeaderSize + payload.size());
        putBe16(&packet[0], status);
        putBe16(&packet[2], code);
        putBe16(&packet[4], (uint16_t)payload.size());
        putBe16(&packet[6], id);
        std::copy(payload.begin(), payload.end(), packet.begin() + kHeaderSize);
        return packet;
    }

    // The camera's answer; false for none.
    bool handle(const Bytes &c, const std::string &sender, Bytes *answer)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        expire();
        uint16_t code = getBe16(&c[2]), id = getBe16(&c[6]);
        uint32_t address = c.size() >= 12 ? getBe32(&c[8]) : 0;
        bool controls = controller_.empty() || controller_ == sender;
        if (code == kDiscovery) {
            *answer = ack(0, kDiscoveryAck, id, Bytes(memory_.begin(), memory_.begin() + kDiscoveryDataSize));
        } else if (code == kReadReg && address + 4 <= memory_.size()) {
            if (address == 0x0A00 && controller_ == sender)
                lastBeat_ = std::chrono::steady_clock::now();
            *answer = ack(0, kReadRegAck, id, Bytes(&memory_[address], &memory_[address] + 4));
        } else if (code == kReadMem && c.size() == 16) {
            uint16_t count = getBe16(&c[14]);
            if (address + count > memory_.size())
                *answer = ack(0x8003, kReadMemAck, id, {});
            else {
                Bytes payload(&c[8], &c[8] + 4);
                payload.insert(payload.end(), &memory_[address], &memory_[address] + count);
                *answer = ack(0, kReadMemAck, id, payload);
            }
        } else if ((code == kWriteReg || code == kWriteMem) && !controls) {
            if (!denyWrites)
                return false;
            *answer = ack(kAccessDenied, (uint16_t)(code + 1), id, {});
        } else if (code == kWriteReg && c.size() == 16 && address + 4 <= memory_.size()) {
            memcpy(&memory_[address], &c[12], 4);
            if (address == 0x0A00) {
                controller_ = getBe32(&c[12]) != 0 ? sender : "";
                lastBeat_ = std::chrono::steady_clock::now();
            }
            *answer = ack(0, kWriteRegAck, id, {0, 0, 0, 1});
        } else if (code == kWriteMem && c.size() > 12 && address + (c.size() - 12) <= memory_.size()) {
            memcpy(&memory_[address], &c[12], c.size() - 12);
            *answer = ack(0, kWriteMemAck, id, {0, 0, 0, (uint8_t)(c.size() - 12)});
        } else {
            *answer = ack(0x8001, (uint16_t)(code + 1), id, {});
        }
        return true;
    }

    int fd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    Bytes memory_;
    std::vector<Bytes> commands_;
    Hook hook_;
    std::string controller_;
    std::chrono::steady_clock::time_point lastBeat_;
};

} // namespace gige
} // namespace u3v

#endif

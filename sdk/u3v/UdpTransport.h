// The transport of a GigE Vision camera: a UDP socket connected to the
// camera's control port, so that only the camera's own datagrams are
// received.  A camera that refuses the datagrams (nothing listens there any
// more) has gone.
#ifndef QRVU3V_UDPTRANSPORT_H
#define QRVU3V_UDPTRANSPORT_H

#include "Transport.h"

namespace u3v {
namespace gige {

class UdpTransport : public Transport {
public:
    UdpTransport() = default;
    ~UdpTransport() override;
    UdpTransport(const UdpTransport &) = delete;
    UdpTransport &operator=(const UdpTransport &) = delete;

    // Connects to address:port (host order).  False when no socket can be
    // made or connected.
    bool connect(uint32_t address, uint16_t port);

    // Sends one datagram.
    Transfer send(const uint8_t *bytes, size_t size, int timeoutMs) override;
    // Receives one datagram; one larger than capacity is an error.
    Transfer receive(uint8_t *bytes, size_t capacity, size_t *received, int timeoutMs) override;
    // Nothing to clear on a socket.
    Transfer clearHalt(Endpoint) override { return Transfer::Ok; }

private:
    int fd_ = -1;
};

} // namespace gige
} // namespace u3v

#endif

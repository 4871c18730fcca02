#include "UdpTransport.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace u3v {
namespace gige {

namespace {

Transfer failureOf(int error)
{
    // A refused datagram (ICMP port unreachable): nothing listens there.
    return error == ECONNREFUSED ? Transfer::Gone : Transfer::Error;
}

} // namespace

UdpTransport::~UdpTransport()
{
    if (fd_ >= 0)
        close(fd_);
}

bool UdpTransport::connect(uint32_t address, uint16_t port)
{
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    return ::connect(fd_, reinterpret_cast<const sockaddr *>(&peer), sizeof peer) == 0;
}

Transfer UdpTransport::send(const uint8_t *bytes, size_t size, int)
{
    ssize_t sent;
    do
        sent = ::send(fd_, bytes, size, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    if (sent < 0)
        return failureOf(errno);
    return (size_t)sent == size ? Transfer::Ok : Transfer::Error;
}

Transfer UdpTransport::receive(uint8_t *bytes, size_t capacity, size_t *received, int timeoutMs)
{
    *received = 0;
    pollfd wait = {fd_, POLLIN, 0};
    int ready;
    do
        ready = poll(&wait, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready == 0)
        return Transfer::Timeout;
    if (ready < 0)
        return Transfer::Error;
    ssize_t got;
    do
        got = recv(fd_, bytes, capacity, MSG_TRUNC | MSG_DONTWAIT);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK ? Transfer::Timeout : failureOf(errno);
    if ((size_t)got > capacity)
        return Transfer::Error;  // no acknowledge is that long
    *received = (size_t)got;
    return Transfer::Ok;
}

} // namespace gige
} // namespace u3v

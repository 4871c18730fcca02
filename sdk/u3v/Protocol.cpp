#include "Protocol.h"

#include <string.h>

namespace u3v {

namespace {

const size_t kReadMemDataSize = 12;  // address, reserved, length

std::vector<uint8_t> header(uint16_t commandId, uint16_t requestId, size_t dataSize)
{
    std::vector<uint8_t> packet(kHeaderSize + dataSize, 0);
    put32(&packet[0], kPrefix);
    put16(&packet[4], kFlagRequestAck);
    put16(&packet[6], commandId);
    put16(&packet[8], (uint16_t)dataSize);
    put16(&packet[10], requestId);
    return packet;
}

} // namespace

size_t readMemCommandSize()
{
    return kHeaderSize + kReadMemDataSize;
}

size_t writeMemCommandSize(size_t size)
{
    return kHeaderSize + kAddressSize + size;
}

std::vector<uint8_t> encodeReadMem(uint16_t requestId, uint64_t address, uint16_t length)
{
    std::vector<uint8_t> packet = header(kReadMem, requestId, kReadMemDataSize);
    put64(&packet[12], address);
    put16(&packet[20], 0);
    put16(&packet[22], length);
    return packet;
}

std::vector<uint8_t> encodeWriteMem(uint16_t requestId, uint64_t address, const uint8_t *data, size_t size)
{
    std::vector<uint8_t> packet = header(kWriteMem, requestId, kAddressSize + size);
    put64(&packet[12], address);
    if (size > 0)
        memcpy(&packet[20], data, size);
    return packet;
}

bool decodeAck(const uint8_t *bytes, size_t size, Ack *ack)
{
    if (size < kHeaderSize || get32(bytes) != kPrefix)
        return false;
    ack->status = get16(bytes + 4);
    ack->ackId = get16(bytes + 6);
    ack->length = get16(bytes + 8);
    ack->requestId = get16(bytes + 10);
    if (kHeaderSize + ack->length > size)
        return false;
    ack->payload = bytes + kHeaderSize;
    return true;
}

bool pendingTimeout(const Ack &ack, uint16_t *timeoutMs)
{
    if (ack.length < 4)
        return false;
    *timeoutMs = get16(ack.payload + 2);
    return true;
}

bool bytesWritten(const Ack &ack, uint16_t *written)
{
    if (ack.length < 4)
        return false;
    *written = get16(ack.payload + 2);
    return true;
}

} // namespace u3v

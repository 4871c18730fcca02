#include "Gvcp.h"

#include "Identity.h"

#include <stdio.h>
#include <string.h>

namespace u3v {
namespace gige {

namespace {

// Where the discovery acknowledge's fields lie after its header (the
// bootstrap registers' addresses), and their sizes.
const size_t kMacHighAt = 0x08;
const size_t kMacLowAt = 0x0C;
const size_t kCurrentIpAt = 0x24;
const size_t kVendorAt = 0x48;
const size_t kModelAt = 0x68;
const size_t kVersionAt = 0x88;
const size_t kSerialAt = 0xD8;
const size_t kUserNameAt = 0xE8;
const size_t kNameSize = 32;
const size_t kSerialSize = 16;

std::vector<uint8_t> command(uint16_t code, uint16_t requestId, size_t payloadSize, uint8_t flags)
{
    std::vector<uint8_t> packet(kHeaderSize + payloadSize, 0);
    packet[0] = kKey;
    packet[1] = flags;
    putBe16(&packet[2], code);
    putBe16(&packet[4], (uint16_t)payloadSize);
    putBe16(&packet[6], requestId);
    return packet;
}

std::string field(const uint8_t *bytes, size_t size)
{
    return trimSerial(reinterpret_cast<const char *>(bytes), size);
}

} // namespace

std::vector<uint8_t> encodeDiscovery(uint16_t requestId, bool broadcastAck)
{
    return command(kDiscovery, requestId, 0, kFlagAckRequired | (broadcastAck ? kFlagBroadcastAck : 0));
}

std::vector<uint8_t> encodeReadReg(uint16_t requestId, uint32_t address)
{
    std::vector<uint8_t> packet = command(kReadReg, requestId, 4, kFlagAckRequired);
    putBe32(&packet[8], address);
    return packet;
}

std::vector<uint8_t> encodeWriteReg(uint16_t requestId, uint32_t address, uint32_t value)
{
    std::vector<uint8_t> packet = command(kWriteReg, requestId, 8, kFlagAckRequired);
    putBe32(&packet[8], address);
    putBe32(&packet[12], value);
    return packet;
}

std::vector<uint8_t> encodeReadMem(uint16_t requestId, uint32_t address, uint16_t count)
{
    std::vector<uint8_t> packet = command(kReadMem, requestId, 8, kFlagAckRequired);
    putBe32(&packet[8], address);
    putBe16(&packet[14], count);  // after 16 reserved bits
    return packet;
}

std::vector<uint8_t> encodeWriteMem(uint16_t requestId, uint32_t address, const uint8_t *data, size_t size)
{
    std::vector<uint8_t> packet = command(kWriteMem, requestId, 4 + size, kFlagAckRequired);
    putBe32(&packet[8], address);
    if (size > 0)
        memcpy(&packet[12], data, size);
    return packet;
}

bool decodeAck(const uint8_t *bytes, size_t size, Ack *ack)
{
    if (size < kHeaderSize)
        return false;
    ack->status = getBe16(bytes);
    ack->command = getBe16(bytes + 2);
    ack->length = getBe16(bytes + 4);
    ack->requestId = getBe16(bytes + 6);
    if (kHeaderSize + ack->length != size)
        return false;
    ack->payload = bytes + kHeaderSize;
    return true;
}

bool pendingWaitMs(const Ack &ack, uint16_t *waitMs)
{
    if (ack.length != 4)
        return false;
    *waitMs = getBe16(ack.payload + 2);
    return true;
}

bool decodeDiscoveryAck(const uint8_t *bytes, size_t size, uint16_t requestId, DiscoveryAnswer *answer)
{
    Ack ack;
    if (!decodeAck(bytes, size, &ack) || ack.command != kDiscoveryAck || ack.requestId != requestId ||
        ack.status != kSuccess || ack.length < kDiscoveryDataSize)
        return false;
    const uint8_t *data = ack.payload;
    answer->version = getBe32(data);
    answer->deviceMode = getBe32(data + 4);
    answer->mac[0] = data[kMacHighAt + 2];
    answer->mac[1] = data[kMacHighAt + 3];
    memcpy(answer->mac + 2, data + kMacLowAt, 4);
    answer->address = getBe32(data + kCurrentIpAt);
    answer->vendor = field(data + kVendorAt, kNameSize);
    answer->model = field(data + kModelAt, kNameSize);
    answer->deviceVersion = field(data + kVersionAt, kNameSize);
    answer->serial = field(data + kSerialAt, kSerialSize);
    answer->userName = field(data + kUserNameAt, kSerialSize);
    return true;
}

std::string macText(const uint8_t mac[6])
{
    char text[18];
    snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::string ipText(uint32_t address)
{
    char text[16];
    snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
             address & 0xFF);
    return text;
}

} // namespace gige
} // namespace u3v

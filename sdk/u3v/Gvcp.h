// GigE Vision control packets (GVCP): commands encoded, acknowledges and
// discovery answers decoded.  Every field is big-endian.  No I/O here.
#ifndef QRVU3V_GVCP_H
#define QRVU3V_GVCP_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace u3v {
namespace gige {

const uint16_t kPort = 3956;  // where a device listens
const size_t kHeaderSize = 8;
const uint8_t kKey = 0x42;              // the first byte of every command
const uint8_t kFlagAckRequired = 0x01;
const uint8_t kFlagBroadcastAck = 0x10;  // on a discovery: the device may answer by broadcast

const uint16_t kDiscovery = 0x0002;
const uint16_t kDiscoveryAck = 0x0003;
const uint16_t kReadReg = 0x0080;
const uint16_t kReadRegAck = 0x0081;
const uint16_t kWriteReg = 0x0082;
const uint16_t kWriteRegAck = 0x0083;
const uint16_t kReadMem = 0x0084;
const uint16_t kReadMemAck = 0x0085;
const uint16_t kWriteMem = 0x0086;
const uint16_t kWriteMemAck = 0x0087;
const uint16_t kPendingAck = 0x0089;

// Device statuses (the acknowledge's first field).
const uint16_t kSuccess = 0x0000;
const uint16_t kAccessDenied = 0x8006;
const uint16_t kBusy = 0x8007;

// The most data one READMEM or WRITEMEM carries here: the standard allows
// 536 bytes, devices are known to manage 512.
const size_t kMaxMemoryData = 512;
// The bytes of a discovery acknowledge after its header: bootstrap
// registers 0x0000 to 0x00F7.
const size_t kDiscoveryDataSize = 0xF8;
// The largest datagram received; a longer one is not an acknowledge.
const size_t kMaxPacket = 1500;

inline uint16_t getBe16(const uint8_t *bytes) { return (uint16_t)(bytes[0] << 8 | bytes[1]); }
inline uint32_t getBe32(const uint8_t *bytes)
{
    return (uint32_t)bytes[0] << 24 | (uint32_t)bytes[1] << 16 | (uint32_t)bytes[2] << 8 | bytes[3];
}
inline void putBe16(uint8_t *bytes, uint16_t value)
{
    bytes[0] = (uint8_t)(value >> 8);
    bytes[1] = (uint8_t)value;
}
inline void putBe32(uint8_t *bytes, uint32_t value)
{
    putBe16(bytes, (uint16_t)(value >> 16));
    putBe16(bytes + 2, (uint16_t)value);
}

// A DISCOVERY command; broadcastAck lets devices on another subnet answer.
std::vector<uint8_t> encodeDiscovery(uint16_t requestId, bool broadcastAck);
// READREG of one register, WRITEREG of one register.
std::vector<uint8_t> encodeReadReg(uint16_t requestId, uint32_t address);
std::vector<uint8_t> encodeWriteReg(uint16_t requestId, uint32_t address, uint32_t value);
// READMEM of count bytes (a multiple of 4, at most kMaxMemoryData).
std::vector<uint8_t> encodeReadMem(uint16_t requestId, uint32_t address, uint16_t count);
// WRITEMEM of size bytes (a multiple of 4, at most kMaxMemoryData).
std::vector<uint8_t> encodeWriteMem(uint16_t requestId, uint32_t address, const uint8_t *data, size_t size);

// An acknowledge as it came in; payload points into the bytes decoded.
struct Ack {
    uint16_t status = 0;
    uint16_t command = 0;  // the acknowledge's own code, kReadRegAck and so on
    uint16_t length = 0;   // of the payload
    uint16_t requestId = 0;
    const uint8_t *payload = nullptr;
};

// Decodes an acknowledge.  False when it is shorter than its header, or its
// length field does not give exactly the bytes that follow the header
// (short or padded: a datagram is one whole acknowledge).
bool decodeAck(const uint8_t *bytes, size_t size, Ack *ack);

// The wait a PENDING_ACK asks for, in milliseconds; false when its payload
// is not the standard's 4 bytes.
bool pendingWaitMs(const Ack &ack, uint16_t *waitMs);

// What a device says of itself in its discovery acknowledge.
struct DiscoveryAnswer {
    uint32_t version = 0;     // major in the high 16 bits
    uint32_t deviceMode = 0;
    uint8_t mac[6] = {};
    uint32_t address = 0;     // its current IPv4 address, host order
    std::string vendor, model, deviceVersion, serial, userName;  // without trailing NULs and blanks
};

// Decodes the acknowledge of the discovery with this request id.  False
// unless it is one (acknowledge 0x0003, that id, success), whole (its length
// field exact) and long enough for the bootstrap fields it carries.
bool decodeDiscoveryAck(const uint8_t *bytes, size_t size, uint16_t requestId, DiscoveryAnswer *answer);

// "00:11:22:33:44:55".
std::string macText(const uint8_t mac[6]);

// "192.168.1.20", from an address in host order.
std::string ipText(uint32_t address);

} // namespace gige
} // namespace u3v

#endif

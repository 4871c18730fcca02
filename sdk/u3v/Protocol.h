// USB3 Vision control packets: the command and acknowledge layouts of the
// standard's GenCP channel, encoded and decoded.  No I/O here.
#ifndef QRVU3V_PROTOCOL_H
#define QRVU3V_PROTOCOL_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "CameraRegisters.h"

namespace u3v {

const uint32_t kPrefix = 0x43563355;  // "U3VC" as little-endian bytes
const size_t kHeaderSize = 12;
// The largest packet the header's 16-bit length field can describe.
const size_t kLargestPacket = kHeaderSize + UINT16_MAX;
// A memory command's address field.
const size_t kAddressSize = 8;
// The most data one WRITEMEM carries: its length field also holds the
// address.
const size_t kLargestWriteData = UINT16_MAX - kAddressSize;
const uint16_t kFlagRequestAck = 0x4000;

const uint16_t kReadMem = 0x0800;
const uint16_t kReadMemAck = 0x0801;
const uint16_t kWriteMem = 0x0802;
const uint16_t kWriteMemAck = 0x0803;
const uint16_t kPendingAck = 0x0805;

// GenCP statuses a device may answer with.
const uint16_t kGencpSuccess = 0x0000;
const uint16_t kGencpBusy = 0x8007;

// A READMEM command: 8-byte address, reserved u16, length u16.
std::vector<uint8_t> encodeReadMem(uint16_t requestId, uint64_t address, uint16_t length);

// A WRITEMEM command: 8-byte address, then the bytes to write.
std::vector<uint8_t> encodeWriteMem(uint16_t requestId, uint64_t address, const uint8_t *data, size_t size);

// The size of a READMEM command and of a WRITEMEM command carrying size bytes.
size_t readMemCommandSize();
size_t writeMemCommandSize(size_t size);

// An acknowledge as it came in.  payload points into the bytes decoded.
struct Ack {
    uint16_t status = 0;
    uint16_t ackId = 0;
    uint16_t length = 0;  // of the payload
    uint16_t requestId = 0;
    const uint8_t *payload = nullptr;
};

// Decodes an acknowledge.  False when it is too short for its header or
// its length field, or its prefix is not the standard's.
bool decodeAck(const uint8_t *bytes, size_t size, Ack *ack);

// The temporary timeout of a PENDING_ACK, in milliseconds; false when the
// payload is too short.
bool pendingTimeout(const Ack &ack, uint16_t *timeoutMs);

// The bytes written that a WRITEMEM acknowledge reports; false when the
// payload is too short.
bool bytesWritten(const Ack &ack, uint16_t *written);

// The little-endian fields of packets and registers, by width.
inline uint16_t get16(const uint8_t *bytes) { return (uint16_t)loadLittleEndian(bytes, 2); }
inline uint32_t get32(const uint8_t *bytes) { return (uint32_t)loadLittleEndian(bytes, 4); }
inline uint64_t get64(const uint8_t *bytes) { return loadLittleEndian(bytes, 8); }
inline void put16(uint8_t *bytes, uint16_t value) { storeLittleEndian(bytes, 2, value); }
inline void put32(uint8_t *bytes, uint32_t value) { storeLittleEndian(bytes, 4, value); }
inline void put64(uint8_t *bytes, uint64_t value) { storeLittleEndian(bytes, 8, value); }

} // namespace u3v

#endif

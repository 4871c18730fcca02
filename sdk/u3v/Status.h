// The open SDK's failure statuses (negative as int32_t); doc/visionaccess-u3v.7 lists
// them too.  A status the device answered with is kDeviceStatus plus the
// device's own 16-bit status (GenCP's, or GVCP's: they agree), so it can be
// read back from ours.
#ifndef QRVU3V_STATUS_H
#define QRVU3V_STATUS_H

#include <stdint.h>

namespace u3v {

const int32_t kStatusUsbUnusable = (int32_t)0x80010001;   // libusb could not be started
const int32_t kStatusBadArgument = (int32_t)0x80010002;   // null pointer, wrong record size or range
const int32_t kStatusNoCamera = (int32_t)0x80010003;      // no camera with that number
const int32_t kStatusNoAccess = (int32_t)0x80010004;      // the device may not be opened (permissions)
const int32_t kStatusOpenFailed = (int32_t)0x80010005;    // the device could not be opened
const int32_t kStatusClaimFailed = (int32_t)0x80010006;   // its control interface is in use
const int32_t kStatusAlreadyOpen = (int32_t)0x80010007;   // this process has it open already
const int32_t kStatusBadHandle = (int32_t)0x80010008;     // handle not that of an open camera
const int32_t kStatusBadCommand = (int32_t)0x80010009;    // private command not understood
const int32_t kStatusTimeout = (int32_t)0x8001000A;       // no acknowledge in time, every try
const int32_t kStatusGone = (int32_t)0x8001000B;          // the device has gone
const int32_t kStatusTransfer = (int32_t)0x8001000C;      // a transfer failed, every try
const int32_t kStatusMalformed = (int32_t)0x8001000D;     // acknowledges unusable, every try
const int32_t kStatusShortWrite = (int32_t)0x8001000E;    // fewer bytes written than sent
const int32_t kStatusBadBootstrap = (int32_t)0x8001000F;  // bootstrap registers unusable
const int32_t kStatusNoMemory = (int32_t)0x80010010;      // memory ran out
const int32_t kStatusInternal = (int32_t)0x80010011;      // any other failure inside the SDK
const int32_t kStatusNotInControl = (int32_t)0x80010012;  // GigE: another application controls the camera
const int32_t kStatusUnaligned = (int32_t)0x80010013;     // GigE: a write of part of a 4-byte word
const int32_t kStatusBeyond32Bits = (int32_t)0x80010014;  // GigE: an address above 0xFFFFFFFF
const int32_t kStatusNetwork = (int32_t)0x80010015;       // GigE: no socket could reach the camera
const int32_t kStatusDevice = (int32_t)0x80020000;        // | the device's GenCP status

// The status for a device's own status.
inline int32_t deviceStatus(uint16_t device)
{
    return (int32_t)((uint32_t)kStatusDevice | device);
}

} // namespace u3v

#endif

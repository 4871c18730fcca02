// A scripted stand-in for libusb-1.0 (libU3vFakeUsb.so), so that the real
// VisionAccess and the real open SDK meet odd or hostile USB3 Vision devices
// in milliseconds, without a USB bus: preloaded (LD_PRELOAD) into the tool,
// or linked into a test that loads the SDK, it defines every libusb function
// the SDK calls, ahead of libusb itself.
//
// U3V_FAKE_USB=<file> names the script, read again whenever the file is
// replaced or changes.  One statement per line; a device's statements follow
// its "device" line:
//   device <bus> <ports> <address>  a USB3 Vision device there ("2.3", or "-")
//   serial <text>       its serial string (device-info and device descriptor)
//   vendor <text>       its vendor and model strings
//   model <text>
//   product <hex>       its device descriptor's idProduct (default 0003),
//   release <hex>       bcdDevice (default 0100)
//   serial-index <n>    and iSerialNumber (default 3; 0 for none)
//   max-command <n>     bootstrap maxima of a command and an acknowledge
//   max-ack <n>         (default 1024; decimal or 0x)
//   register <hex> <hex>  a 32-bit register and its value
//   pattern <hex> <n>   n bytes at that address, each fakeUsbPattern(address)
//   no-access           opening the device fails with LIBUSB_ERROR_ACCESS
// In a text, \\ is a backslash and \xNN any byte.  Every device has the
// bootstrap registers a camera has (its serial at 0x144, maxima, a response
// time of 100 ms) and answers READMEM and WRITEMEM at once.
//
// U3V_FAKE_USB_LOG=<file> gets one line per bulk transfer:
//   out <bytes> command=0x<id> length=<length field>   a command sent
//   in <capacity>                                      an acknowledge asked for
#ifndef U3VFAKEUSB_H
#define U3VFAKEUSB_H

#include <stdint.h>

// The byte a "pattern" statement puts at an address.
inline uint8_t fakeUsbPattern(uint64_t address)
{
    return (uint8_t)(address * 7 + (address >> 8) + (address >> 16));
}

#endif

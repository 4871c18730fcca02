#include "UsbTransport.h"

#include <libusb.h>
#include <limits.h>

#include <algorithm>

namespace u3v {

namespace {

Transfer transferOf(int result)
{
    switch (result) {
    case LIBUSB_SUCCESS:
        return Transfer::Ok;
    case LIBUSB_ERROR_TIMEOUT:
        return Transfer::Timeout;
    case LIBUSB_ERROR_PIPE:
        return Transfer::Stall;
    case LIBUSB_ERROR_NO_DEVICE:
        return Transfer::Gone;
    default:
        return Transfer::Error;
    }
}

} // namespace

// libusb takes a transfer's length as an int.
Transfer UsbTransport::send(const uint8_t *bytes, size_t size, int timeoutMs)
{
    if (size > (size_t)INT_MAX)
        return Transfer::Error;
    int sent = 0;
    int result = libusb_bulk_transfer(handle_, out_, const_cast<uint8_t *>(bytes), (int)size, &sent,
                                      (unsigned)timeoutMs);
    if (result == LIBUSB_SUCCESS && (size_t)sent != size)
        return Transfer::Error;
    return transferOf(result);
}

Transfer UsbTransport::receive(uint8_t *bytes, size_t capacity, size_t *received, int timeoutMs)
{
    int got = 0;
    int length = (int)std::min<size_t>(capacity, INT_MAX);
    int result = libusb_bulk_transfer(handle_, in_, bytes, length, &got, (unsigned)timeoutMs);
    *received = got > 0 ? (size_t)got : 0;
    return transferOf(result);
}

Transfer UsbTransport::clearHalt(Endpoint endpoint)
{
    return transferOf(libusb_clear_halt(handle_, endpoint == Endpoint::Out ? out_ : in_));
}

} // namespace u3v

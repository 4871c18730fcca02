// The transport on a real USB device: libusb bulk transfers on the control
// interface's endpoints.
#ifndef QRVU3V_USBTRANSPORT_H
#define QRVU3V_USBTRANSPORT_H

#include "Transport.h"

struct libusb_device_handle;

namespace u3v {

class UsbTransport : public Transport {
public:
    UsbTransport(libusb_device_handle *handle, uint8_t endpointOut, uint8_t endpointIn)
        : handle_(handle), out_(endpointOut), in_(endpointIn)
    {
    }
    Transfer send(const uint8_t *bytes, size_t size, int timeoutMs) override;
    Transfer receive(uint8_t *bytes, size_t capacity, size_t *received, int timeoutMs) override;
    Transfer clearHalt(Endpoint endpoint) override;

private:
    libusb_device_handle *handle_;
    uint8_t out_;
    uint8_t in_;
};

} // namespace u3v

#endif

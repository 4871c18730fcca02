// An open USB3 Vision camera: its control interface claimed, and READMEM
// and WRITEMEM on its control channel within the limits its bootstrap
// registers give.  Its registers are little-endian.
#ifndef QRVU3V_USBCAMERA_H
#define QRVU3V_USBCAMERA_H

#include "Channel.h"
#include "Discovery.h"
#include "Link.h"
#include "UsbTransport.h"

#include <memory>

struct libusb_device_handle;

namespace u3v {

class UsbCamera : public CameraLink {
public:
    // Opens the device and claims its control interface.  Null, with
    // *status set, when it cannot be opened or its bootstrap registers are
    // unusable.
    static std::unique_ptr<UsbCamera> open(const Device &device, int32_t *status);
    ~UsbCamera() override;

    int32_t read(uint64_t address, uint8_t *bytes, size_t size) override;
    int32_t write(uint64_t address, const uint8_t *bytes, size_t size) override;
    int32_t readRegister(uint32_t address, uint32_t *value) override;
    int32_t writeRegister(uint32_t address, uint32_t value) override;

private:
    UsbCamera() = default;

    libusb_device_handle *handle_ = nullptr;
    int interfaceNumber_ = -1;  // claimed, when not -1
    std::unique_ptr<UsbTransport> transport_;
    std::unique_ptr<Channel> channel_;
};

} // namespace u3v

#endif

#include "UsbCamera.h"

#include "Protocol.h"
#include "Status.h"
#include "Trace.h"

#include <libusb.h>

namespace u3v {

namespace {

// Reads the bootstrap registers that set the channel's limits.
int32_t readLimits(Channel &channel)
{
    uint8_t bytes[8];
    int32_t status = channel.read(kBootstrapMaxResponseTime, bytes, 4);
    if (status < 0)
        return status;
    uint32_t responseTimeMs = get32(bytes);
    if ((status = channel.read(kBootstrapSbrmAddress, bytes, 8)) < 0)
        return status;
    uint64_t sbrm = get64(bytes);
    if ((status = channel.read(sbrm + kSbrmMaxCommandLength, bytes, 4)) < 0)
        return status;
    uint32_t maxCommand = get32(bytes);
    if ((status = channel.read(sbrm + kSbrmMaxAckLength, bytes, 4)) < 0)
        return status;
    uint32_t maxAck = get32(bytes);
    return channel.setLimits(responseTimeMs, maxCommand, maxAck) ? 0 : kStatusBadBootstrap;
}

} // namespace

UsbCamera::~UsbCamera()
{
    if (handle_ == nullptr)
        return;
    if (interfaceNumber_ >= 0)
        libusb_release_interface(handle_, interfaceNumber_);
    libusb_close(handle_);
}

std::unique_ptr<UsbCamera> UsbCamera::open(const Device &device, int32_t *status)
{
    std::unique_ptr<UsbCamera> camera(new UsbCamera);
    int opened = libusb_open(device.usb, &camera->handle_);
    if (opened != LIBUSB_SUCCESS) {
        camera->handle_ = nullptr;
        if (opened == LIBUSB_ERROR_ACCESS)
            reportNoAccess(device);
        *status = opened == LIBUSB_ERROR_ACCESS ? kStatusNoAccess : kStatusOpenFailed;
        return nullptr;
    }
    libusb_set_auto_detach_kernel_driver(camera->handle_, 1);
    int claimed = libusb_claim_interface(camera->handle_, device.interfaceNumber);
    if (claimed != LIBUSB_SUCCESS) {
        *status = claimed == LIBUSB_ERROR_BUSY ? kStatusClaimFailed : kStatusOpenFailed;
        return nullptr;
    }
    camera->interfaceNumber_ = device.interfaceNumber;
    camera->transport_.reset(new UsbTransport(camera->handle_, device.endpointOut, device.endpointIn));
    Channel::TraceLine trace;
    if (tracing())
        trace = traceLine;
    camera->channel_.reset(new Channel(*camera->transport_, systemClock(), trace, configuredCommandLimitMs()));
    *status = readLimits(*camera->channel_);
    return *status < 0 ? nullptr : std::move(camera);
}

int32_t UsbCamera::read(uint64_t address, uint8_t *bytes, size_t size)
{
    return channel_->read(address, bytes, size);
}

int32_t UsbCamera::write(uint64_t address, const uint8_t *bytes, size_t size)
{
    return channel_->write(address, bytes, size);
}

int32_t UsbCamera::readRegister(uint32_t address, uint32_t *value)
{
    uint8_t bytes[4];
    int32_t status = channel_->read(address, bytes, sizeof bytes);
    if (status >= 0)
        *value = get32(bytes);
    return status;
}

int32_t UsbCamera::writeRegister(uint32_t address, uint32_t value)
{
    uint8_t bytes[4];
    put32(bytes, value);
    return channel_->write(address, bytes, sizeof bytes);
}

} // namespace u3v

// The cameras of this process: libusb, started on first use, the devices
// attached, and the cameras open, by handle.  Each call takes the lock it
// needs; a command on an open camera holds that camera's own lock.
#ifndef QRVU3V_CAMERAS_H
#define QRVU3V_CAMERAS_H

#include "QrVApi.h"

#include "Channel.h"
#include "UsbTransport.h"

#include <stdint.h>

#include <memory>
#include <mutex>

struct libusb_device_handle;

namespace u3v {

struct OpenCamera {
    std::mutex mutex;  // one command at a time on the channel
    uint32_t number = 0;
    libusb_device_handle *handle = nullptr;
    int interfaceNumber = 0;
    std::unique_ptr<UsbTransport> transport;
    std::unique_ptr<Channel> channel;

    ~OpenCamera();
};

// QrVGetNumberCamerasEx: the number of cameras, or their records.
int32_t countCameras(_CAMERA_ID_INFO *info, uint32_t *count);

// QrVInitializeEx: opens the camera with this number and reads the limits
// of its channel.
int32_t openCamera(uint32_t cameraNumber, void **handle);

// The open camera of a handle, or null.
std::shared_ptr<OpenCamera> findOpen(void *handle);

// QrVUninitialize: closes it, once a command under way has ended.
int32_t closeCamera(void *handle);

} // namespace u3v

#endif

// The cameras of this process: the USB3 Vision devices attached and the
// GigE Vision cameras discovered, numbered together, and the cameras open,
// by handle.  Each call takes the lock it needs; a command on an open
// camera holds that camera's own lock.
#ifndef QRVU3V_CAMERAS_H
#define QRVU3V_CAMERAS_H

#include "QrVApi.h"

#include "Link.h"

#include <stdint.h>

#include <memory>
#include <mutex>

namespace u3v {

struct OpenCamera {
    std::mutex mutex;  // one call at a time on the camera
    uint32_t number = 0;
    std::unique_ptr<CameraLink> link;
};

// How long a GigE Vision discovery stands for the cameras there: a listing
// of records or an open within this time of the last discovery uses it.
const int kDiscoveryKeptMs = 2000;

// QrVGetNumberCamerasEx: the number of cameras, or their records.  A count
// (info null) discovers GigE Vision cameras anew; records use the count's
// discovery when it is recent.
int32_t countCameras(_CAMERA_ID_INFO *info, uint32_t *count);

// QrVInitializeEx: opens the camera with this number.
int32_t openCamera(uint32_t cameraNumber, void **handle);

// The open camera of a handle, or null.
std::shared_ptr<OpenCamera> findOpen(void *handle);

// QrVUninitialize: closes it, once a command under way has ended.
int32_t closeCamera(void *handle);

} // namespace u3v

#endif

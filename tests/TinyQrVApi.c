/* The smallest libQrVApi.so that VisionAccess can run on: one camera, 4242. */
#include <string.h>

#include "QrVApi.h"

#define EXPORT __attribute__((visibility("default")))

static const uint32_t kCameraNumber = 4242;
static int sCamera;

EXPORT int32_t QrVGetNumberCamerasEx(struct _CAMERA_ID_INFO *info, uint32_t *count)
{
    if (info != NULL && *count >= 1) {
        memset(info, 0, sizeof *info);
        info->recordSize = sizeof *info;
        info->cameraNumber = kCameraNumber;
    }
    *count = 1;
    return 0;
}

EXPORT int32_t QrVInitializeEx(uint32_t cameraNumber, void **handle, uint32_t flags)
{
    (void)flags;
    if (cameraNumber != kCameraNumber)
        return -1;
    *handle = &sCamera;
    return 0;
}

EXPORT int32_t QrVUninitialize(void *handle)
{
    return handle == &sCamera ? 0 : -1;
}

EXPORT int32_t QrVPrivateCmd(void *handle, uint32_t size, void *record)
{
    (void)handle;
    (void)size;
    (void)record;
    return -1;
}

/* The smallest libQrVApi.so that VisionAccess can run on: one camera, 4242,
 * whose registers all fail.  Built in variants: TINY_WITHOUT_PRIVATE_CMD
 * lacks one of the four functions, TINY_WITH_MEMORY has the optional two.
 *
 * For the tool's tests it can also misbehave on purpose:
 * - TINY_QRV_FILLS=3,1: 3 cameras (4242 on); the first record fetch fills 3
 *   records, the second 1, and so on, each reporting 3 filled.
 * - reading register 0xF000 points standard output at /dev/full, reading
 *   0xF001 puts it back: output that fails part-way through a scan. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "QrVApi.h"

#define EXPORT __attribute__((visibility("default")))

static const uint32_t kFirstCamera = 4242;
static uint32_t sCameras[8];
static int sFetches;

/* The cameras there are, and how many records this fetch fills. */
static uint32_t cameraCount(int fetch, uint32_t *filled)
{
    const char *fills = getenv("TINY_QRV_FILLS");
    if (fills == NULL) {
        *filled = 1;
        return 1;
    }
    uint32_t count = (uint32_t)strtoul(fills, NULL, 10);
    count = count < 8 ? count : 8;
    for (int k = 0; k < fetch && strchr(fills, ',') != NULL; k++)
        fills = strchr(fills, ',') + 1;
    *filled = (uint32_t)strtoul(fills, NULL, 10);
    return count;
}

EXPORT int32_t QrVGetNumberCamerasEx(struct _CAMERA_ID_INFO *info, uint32_t *count)
{
    uint32_t filled;
    uint32_t cameras = cameraCount(info != NULL ? sFetches++ : 0, &filled);
    if (info != NULL) {
        for (uint32_t k = 0; k < filled && k < *count; k++) {
            memset(&info[k], 0, sizeof info[k]);
            info[k].recordSize = sizeof info[k];
            info[k].cameraNumber = kFirstCamera + k;
        }
    }
    *count = cameras;
    return 0;
}

EXPORT int32_t QrVInitializeEx(uint32_t cameraNumber, void **handle, uint32_t flags)
{
    (void)flags;
    if (cameraNumber < kFirstCamera || cameraNumber >= kFirstCamera + 8)
        return -1;
    *handle = &sCameras[cameraNumber - kFirstCamera];
    return 0;
}

EXPORT int32_t QrVUninitialize(void *handle)
{
    return handle >= (void *)sCameras && handle < (void *)(sCameras + 8) ? 0 : -1;
}

#ifndef TINY_WITHOUT_PRIVATE_CMD
static const uint32_t kBreakOutput = 0xF000;
static const uint32_t kMendOutput = 0xF001;
static int sSavedOutput = -1; /* standard output while it points at /dev/full */

EXPORT int32_t QrVPrivateCmd(void *handle, uint32_t size, void *record)
{
    (void)handle;
    uint32_t fields[3];
    if (size != sizeof fields)
        return -1;
    memcpy(fields, record, sizeof fields);
    if (fields[1] == kBreakOutput && sSavedOutput < 0) {
        sSavedOutput = dup(1);
        int full = open("/dev/full", O_WRONLY);
        dup2(full, 1);
        close(full);
    } else if (fields[1] == kMendOutput && sSavedOutput >= 0) {
        dup2(sSavedOutput, 1);
        close(sSavedOutput);
        sSavedOutput = -1;
    }
    return -1;
}
#endif

#ifdef TINY_WITH_MEMORY
EXPORT int32_t QrVReadMemory(void *handle, uint64_t address, void *bytes, uint32_t size)
{
    (void)handle, (void)address, (void)bytes, (void)size;
    return -1;
}

EXPORT int32_t QrVWriteMemory(void *handle, uint64_t address, const void *bytes, uint32_t size)
{
    (void)handle, (void)address, (void)bytes, (void)size;
    return -1;
}
#endif

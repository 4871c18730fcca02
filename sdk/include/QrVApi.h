/*
 * QrVApi.h - the camera SDK's C interface, as far as VisionAccess uses it.
 *
 * Every call returns a signed 32-bit status: negative is a failure, zero or
 * positive is success.  The library is loaded as libQrVApi.so by the dynamic
 * linker; any library of that name exporting the four functions below will
 * do.  Two more, QrVReadMemory and QrVWriteMemory, are optional extensions:
 * an SDK may export them, and a caller must look them up at run time (dlsym)
 * and work without them.
 */
#ifndef QRVAPI_H
#define QRVAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Describes one attached camera.  The caller sets recordSize in the first
 * record before asking for the records; the SDK fills cameraNumber and its
 * own data. */
struct _CAMERA_ID_INFO {
    uint32_t recordSize;
    uint32_t cameraNumber;
    uint8_t sdkData[44];
};

#ifdef __cplusplus
static_assert(sizeof(struct _CAMERA_ID_INFO) == 52, "_CAMERA_ID_INFO must be 52 bytes");
#else
_Static_assert(sizeof(struct _CAMERA_ID_INFO) == 52, "_CAMERA_ID_INFO must be 52 bytes");
#endif

/* With info NULL: stores the number of attached cameras in *count.
 * With info an array: *count goes in as the number of records the array
 * holds and comes back as the number of records filled. */
int32_t QrVGetNumberCamerasEx(struct _CAMERA_ID_INFO *info, uint32_t *count);

/* Opens the camera with the given number and stores its handle. */
int32_t QrVInitializeEx(uint32_t cameraNumber, void **handle, uint32_t flags);

/* Closes a camera opened by QrVInitializeEx. */
int32_t QrVUninitialize(void *handle);

/* Sends a private command record of the given size to an open camera. */
int32_t QrVPrivateCmd(void *handle, uint32_t size, void *record);

/* Optional: reads size bytes at a 64-bit address of an open camera into
 * bytes, as the camera holds them (a USB3 Vision camera's registers are
 * little-endian, a GigE Vision camera's big-endian).  The SDK splits the
 * read into as many transfers as the camera needs. */
int32_t QrVReadMemory(void *handle, uint64_t address, void *bytes, uint32_t size);

/* Optional: writes size bytes to a 64-bit address of an open camera. */
int32_t QrVWriteMemory(void *handle, uint64_t address, const void *bytes, uint32_t size);

typedef int32_t (*QrVReadMemoryFunction)(void *handle, uint64_t address, void *bytes, uint32_t size);
typedef int32_t (*QrVWriteMemoryFunction)(void *handle, uint64_t address, const void *bytes, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif

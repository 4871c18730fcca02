// An Aravis device whose registers are a caller's memory: every read and
// write of the device's memory goes to one function, so that Aravis's
// GenICam engine can run in process, on the same bytes as this tool's.
#ifndef ARAVIS_MEMORY_DEVICE_H
#define ARAVIS_MEMORY_DEVICE_H

#include <arv.h>

G_BEGIN_DECLS

// Reads (write false) or writes size bytes at address into or from bytes;
// false when the address cannot be reached.
typedef gboolean (*MemoryAccess)(void *user, guint64 address, guint32 size, void *bytes, gboolean write);

// A new device (unref it when done) whose memory access calls access with
// user.
ArvDevice *memoryDeviceNew(MemoryAccess access, void *user);

G_END_DECLS

#endif

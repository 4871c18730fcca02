#include "AravisMemoryDevice.h"

typedef struct {
    ArvDevice parent;
    MemoryAccess access;
    void *user;
} MemoryDevice;

typedef struct {
    ArvDeviceClass parent;
} MemoryDeviceClass;

G_DEFINE_TYPE(MemoryDevice, memory_device, ARV_TYPE_DEVICE)

static gboolean transfer(ArvDevice *device, guint64 address, guint32 size, void *bytes, gboolean write,
                         GError **error)
{
    MemoryDevice *self = (MemoryDevice *)device;
    if (self->access(self->user, address, size, bytes, write))
        return TRUE;
    g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_ADDRESS,
                "address 0x%" G_GINT64_MODIFIER "x cannot be reached", address);
    return FALSE;
}

static gboolean readMemory(ArvDevice *device, guint64 address, guint32 size, void *bytes, GError **error)
{
    return transfer(device, address, size, bytes, FALSE, error);
}

static gboolean writeMemory(ArvDevice *device, guint64 address, guint32 size, void *bytes, GError **error)
{
    return transfer(device, address, size, bytes, TRUE, error);
}

static gboolean readRegister(ArvDevice *device, guint64 address, guint32 *value, GError **error)
{
    return transfer(device, address, 4, value, FALSE, error);
}

static gboolean writeRegister(ArvDevice *device, guint64 address, guint32 value, GError **error)
{
    return transfer(device, address, 4, &value, TRUE, error);
}

static void memory_device_init(MemoryDevice *self)
{
    self->access = NULL;
    self->user = NULL;
}

static void memory_device_class_init(MemoryDeviceClass *klass)
{
    ArvDeviceClass *device = ARV_DEVICE_CLASS(klass);
    device->read_memory = readMemory;
    device->write_memory = writeMemory;
    device->read_register = readRegister;
    device->write_register = writeRegister;
}

ArvDevice *memoryDeviceNew(MemoryAccess access, void *user)
{
    MemoryDevice *device = g_object_new(memory_device_get_type(), NULL);
    device->access = access;
    device->user = user;
    return ARV_DEVICE(device);
}

// A camera's identity from its bootstrap registers (CameraIdentity.h).
#include "CameraIdentity.h"

#include <stdint.h>
#include <string.h>

#include "CameraMemory.h"
#include "Lines.h"

namespace {

const size_t kFieldSize = 64;

const struct {
    const char *label;  // as -v prints it
    const char *name;   // as a failure names it
    const char *word;   // as JSON Lines name it
    uint64_t address;
    bool alwaysShown;   // printed even when empty
} kFields[FIELD_COUNT] = {
    {"Vendor", "vendor", "vendor", 0x0004, true},
    {"Model", "model", "model", 0x0044, true},
    {"Family", "family", "family", 0x0084, false},
    {"Version", "version", "version", 0x00C4, false},
    {"Serial", "serial", "serial", 0x0144, true},
    {"User name", "user name", "user-name", 0x0184, false},
};

} // namespace

bool readIdentityField(void *camera, IdentityField field, IdentityText *text)
{
    int32_t status = 0;
    memset(text->bytes, 0, sizeof text->bytes);
    return readCameraMemory(camera, kFields[field].address, (uint8_t *)text->bytes, kFieldSize, &status) ==
           MEMORY_DONE;
}

void printIdentity(void *camera)
{
    for (int field = 0; field < FIELD_COUNT; field++) {
        IdentityText text;
        if (!readIdentityField(camera, (IdentityField)field, &text)) {
            printIdentityFailedLine(kFields[field].name, kFields[field].word);
            continue;
        }
        if (text.bytes[0] == '\0' && !kFields[field].alwaysShown)
            continue;
        printIdentityLine(kFields[field].label, kFields[field].word, text.bytes);
    }
}

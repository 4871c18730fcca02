// A camera's identity from its bootstrap registers (CameraIdentity.h).
#include "CameraIdentity.h"

#include <stdint.h>
#include <string.h>

#include "CameraMemory.h"
#include "CameraRegisters.h"
#include "Lines.h"

namespace {

const struct {
    const char *label;  // as -v prints it
    const char *name;   // as a failure names it
    const char *word;   // as JSON Lines name it
    uint64_t address;   // of USB3 Vision
    uint64_t gigeAddress;
    size_t gigeSize;    // 0: GigE Vision has no such field
    bool alwaysShown;   // printed even when empty
} kFields[FIELD_COUNT] = {
    {"Vendor", "vendor", "vendor", kBootstrapManufacturerName, kGigeManufacturerName, kGigeNameSize, true},
    {"Model", "model", "model", kBootstrapModelName, kGigeModelName, kGigeNameSize, true},
    {"Family", "family", "family", kBootstrapFamilyName, 0, 0, false},
    {"Version", "version", "version", kBootstrapDeviceVersion, kGigeDeviceVersion, kGigeNameSize, false},
    {"Serial", "serial", "serial", kBootstrapSerialNumber, kGigeSerialNumber, kGigeSerialSize, true},
    {"User name", "user name", "user-name", kBootstrapUserDefinedName, kGigeUserDefinedName, kGigeSerialSize, false},
};

// The layout, from the first bytes at 0x0004 (read when firstRead).
IdentityLayout layoutFrom(void *camera, bool firstRead, uint8_t first)
{
    if (!firstRead || (first >= 0x20 && first < 0x7F))
        return LAYOUT_USB3;
    uint8_t url[8];
    int32_t status = 0;
    return readCameraMemory(camera, kGigeFirstUrl, url, sizeof url, &status) == MEMORY_DONE &&
                   startsWithGigeUrl(url, sizeof url)
               ? LAYOUT_GIGE
               : LAYOUT_USB3;
}

} // namespace

IdentityLayout identityLayoutOf(void *camera)
{
    uint8_t first[4] = {0, 0, 0, 0};
    int32_t status = 0;
    return layoutFrom(camera, readCameraMemory(camera, kGigeDeviceMode, first, sizeof first, &status) == MEMORY_DONE,
                      first[0]);
}

bool readIdentityField(void *camera, IdentityLayout layout, IdentityField field, IdentityText *text)
{
    int32_t status = 0;
    memset(text->bytes, 0, sizeof text->bytes);
    bool gige = layout == LAYOUT_GIGE;
    size_t size = gige ? kFields[field].gigeSize : kBootstrapTextSize;
    if (size == 0)
        return true;
    return readCameraMemory(camera, gige ? kFields[field].gigeAddress : kFields[field].address,
                            (uint8_t *)text->bytes, size, &status) == MEMORY_DONE;
}

void printIdentity(void *camera)
{
    // The vendor where a USB3 Vision camera keeps it tells the layout too.
    IdentityText vendor;
    bool vendorRead = readIdentityField(camera, LAYOUT_USB3, FIELD_VENDOR, &vendor);
    IdentityLayout layout = layoutFrom(camera, vendorRead, (uint8_t)vendor.bytes[0]);
    for (int field = 0; field < FIELD_COUNT; field++) {
        IdentityText text = vendor;
        bool read = vendorRead;
        if (field != FIELD_VENDOR || layout != LAYOUT_USB3)
            read = readIdentityField(camera, layout, (IdentityField)field, &text);
        if (!read) {
            printIdentityFailedLine(kFields[field].name, kFields[field].word);
            continue;
        }
        if (text.bytes[0] == '\0' && !kFields[field].alwaysShown)
            continue;
        printIdentityLine(kFields[field].label, kFields[field].word, text.bytes);
    }
}

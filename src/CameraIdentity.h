// What a USB3 Vision camera says of itself in its bootstrap registers:
// vendor, model, family, version, serial number and a user-given name.
#ifndef CAMERAIDENTITY_H
#define CAMERAIDENTITY_H

#include <stddef.h>

// The identity fields, in the order -v prints them.
enum IdentityField {
    FIELD_VENDOR,
    FIELD_MODEL,
    FIELD_FAMILY,
    FIELD_VERSION,
    FIELD_SERIAL,
    FIELD_USER_NAME,
    FIELD_COUNT,
};

// A field's text: its 64 bytes up to the first NUL.
struct IdentityText {
    char bytes[65];
};

// Reads one field; false when the camera cannot give it.
bool readIdentityField(void *camera, IdentityField field, IdentityText *text);

// Prints the camera's identity lines at the register indent: one per field
// that holds text (Vendor, Model and Serial always), bytes outside printable
// ASCII as \xNN, or a line saying that a field could not be read.
void printIdentity(void *camera);

#endif

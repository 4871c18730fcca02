// What a camera says of itself in its bootstrap registers: vendor, model,
// family, version, serial number and a user-given name, where a USB3 Vision
// camera keeps them or where a GigE Vision camera does.
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

// A field's text: its bytes (at most 64) up to the first NUL.
struct IdentityText {
    char bytes[65];
};

// Where a camera keeps its identity.
enum IdentityLayout {
    LAYOUT_USB3,  // 64-byte texts from 0x0004
    LAYOUT_GIGE,  // 32- and 16-byte texts from 0x0048, no family
};

// The camera's layout: GigE Vision's when its register 0x0004 does not begin
// with printable text (a GigE Vision camera's device mode is there) and its
// first URL register (0x0200) begins with a scheme of the standard's; else
// USB3 Vision's.  Reads 4 bytes, and 8 more when the first are not text.
IdentityLayout identityLayoutOf(void *camera);

// Reads one field of that layout; false when the camera cannot give it.  A
// field the layout does not have reads as empty.
bool readIdentityField(void *camera, IdentityLayout layout, IdentityField field, IdentityText *text);

// Prints the camera's identity lines at the register indent: one per field
// that holds text (Vendor, Model and Serial always), bytes outside printable
// ASCII as \xNN, or a line saying that a field could not be read.
void printIdentity(void *camera);

#endif

// -s: camera selection (Selection.h).
#include "Selection.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "CameraIdentity.h"

namespace {

// A decimal number as a heading shows a camera number: an optional '-' and
// digits, within the int range.
bool parseCameraNumber(const char *text, int32_t *number)
{
    const char *digits = text[0] == '-' ? text + 1 : text;
    if (digits[0] < '0' || digits[0] > '9')
        return false;
    char *end;
    errno = 0;
    long long value = strtoll(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return false;
    *number = (int32_t)value;
    return true;
}

} // namespace

Selection::Selection(const char *text) : value(text), isNumber(false), number(0), matched(false)
{
    isNumber = parseCameraNumber(text, &number);
}

bool selectedByNumber(SelectionList &selections, uint32_t cameraNumber)
{
    bool selected = selections.empty();
    for (Selection &selection : selections) {
        if (selection.isNumber && selection.number == (int32_t)cameraNumber) {
            selection.matched = true;
            selected = true;
        }
    }
    return selected;
}

bool selectionsNeedIdentity(const SelectionList &selections)
{
    for (const Selection &selection : selections)
        if (!selection.isNumber)
            return true;
    return false;
}

bool markIdentityMatches(SelectionList &selections, void *camera)
{
    if (!selectionsNeedIdentity(selections))
        return false;
    IdentityText serial, name;
    bool haveSerial = readIdentityField(camera, FIELD_SERIAL, &serial);
    bool haveName = readIdentityField(camera, FIELD_USER_NAME, &name);
    bool selected = false;
    for (Selection &selection : selections) {
        if (selection.isNumber)
            continue;
        if ((haveSerial && strcmp(selection.value, serial.bytes) == 0) ||
            (haveName && strcmp(selection.value, name.bytes) == 0)) {
            selection.matched = true;
            selected = true;
        }
    }
    return selected;
}

void printUnmatchedSelections(SelectionList &selections)
{
    for (Selection &selection : selections) {
        if (!selection.matched) {
            printf("    No camera matches ");
            printEscaped(selection.value);
            putchar('\n');
        }
        selection.matched = false;
    }
}

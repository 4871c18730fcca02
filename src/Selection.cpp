// -s: camera selection (Selection.h).
#include "Selection.h"

#include <string.h>

#include "CameraIdentity.h"
#include "Lines.h"
#include "CommandLineWords.h"

Selection::Selection(const char *text) : value(text), isNumber(false), number(0), matched(false)
{
    isNumber = parseCameraNumber(text, &number);
}

bool selectedByNumber(SelectionList &selections, uint32_t cameraNumber)
{
    bool selected = selections.empty();
    for (Selection &selection : selections) {
        if (selection.isNumber && selection.number == cameraNumber) {
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
    IdentityLayout layout = identityLayoutOf(camera);
    bool haveSerial = readIdentityField(camera, layout, FIELD_SERIAL, &serial);
    bool haveName = readIdentityField(camera, layout, FIELD_USER_NAME, &name);
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
        if (!selection.matched)
            printNoMatchLine(selection.value);
        selection.matched = false;
    }
}

// -s: the cameras a run is limited to, by camera number, serial number or
// user-defined name.
#ifndef SELECTION_H
#define SELECTION_H

#include <stdint.h>

#include <list>

// One -s value, and whether it matched a camera in the current scan.
struct Selection {
    explicit Selection(const char *text);
    const char *value;  // a word of the command line
    bool isNumber;      // a camera number (parseCameraNumber): it matches only that
    uint32_t number;
    bool matched;
};
typedef std::list<Selection> SelectionList;

// True when the camera with this number is selected without opening it:
// there is no -s at all, or an -s number is its number (marked matched).
bool selectedByNumber(SelectionList &selections, uint32_t cameraNumber);

// True when some -s value is a serial number or name rather than a camera
// number, so that each camera must be opened to read its identity.
bool selectionsNeedIdentity(const SelectionList &selections);

// Reads the open camera's serial number and user-defined name and marks
// every -s value that is one of them matched; true when any is.  Reads
// nothing when every -s value is a camera number.
bool markIdentityMatches(SelectionList &selections, void *camera);

// Prints "    No camera matches <value>" for every -s value that matched no
// camera in this scan, in command-line order, and starts the next scan
// afresh.
void printUnmatchedSelections(SelectionList &selections);

#endif

// What the description says about a feature, and what the camera's other
// features allow it now.
#ifndef GENICAM_ENGINE_FACTS_H
#define GENICAM_ENGINE_FACTS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "Value.h"

namespace genicam {

// What the description says about a feature: the same on every camera.
struct FeatureInfo {
    std::string name;
    std::string type;  // its node type: "IntReg", "Enumeration"
    ValueForm form = ValueForm::None;
    bool streamable = false;  // its Streamable says Yes: a saved configuration holds it
    // The nodes whose pSelected name this feature, in document order: the
    // selectors that choose which of its values a read or write reaches.
    std::vector<std::string> selectors;
    // For a selector, the features its pSelected name, in its order.
    std::vector<std::string> selected;
};

// What a feature allows now, as the camera's other features decide it.
struct FeatureAccess {
    bool implemented = false;  // its pIsImplemented, and those of what it stands for, hold
    bool available = false;    // implemented, and its pIsAvailable (and theirs) hold now
    bool locked = false;       // writable by nature, but its pIsLocked (or theirs) holds now
    bool readable = false;     // a read is tried now (never for a Command, which is executed)
    bool writable = false;     // a write is tried now
};

// One implemented entry of an Enumeration.
struct EntryFacts {
    std::string name;  // as read and written (its Symbolic)
    int64_t value = 0;
    bool usable = false;  // available now, so that a write of it is tried
};

// An integer feature's bounds now.
struct IntegerRange {
    int64_t min = 0, max = 0, inc = 1;
};

} // namespace genicam

#endif

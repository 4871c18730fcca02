// What saving, applying and comparing a camera's configuration need of a
// camera: its features by name, with typed values and the facts a
// description gives (value form, Streamable, selectors, entries, access
// now), each failure an Error with a kind.  The engine's Session offers it
// for a real camera; tests give a model camera.
#ifndef GENICAM_ENGINE_FEATUREACCESS_H
#define GENICAM_ENGINE_FEATUREACCESS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "Error.h"

namespace genicam {

// The form of a feature's value.
enum class ValueForm : uint8_t { Integer, Float, Enumeration, Boolean, String, Register, Command };

// A feature's value in its own form; only the member of that form counts.
struct FeatureValue {
    ValueForm form = ValueForm::Integer;
    int64_t integer = 0;         // Integer
    double number = 0;           // Float
    bool boolean = false;        // Boolean
    std::string text;            // Enumeration: the entry's name; String: its text
    std::vector<uint8_t> bytes;  // Register: its bytes in address order
};

// What a feature allows now.  A feature locked now (its pIsLocked) is
// ReadOnly.
enum class AccessNow : uint8_t { NotImplemented, NotAvailable, ReadOnly, WriteOnly, ReadWrite };

// What the description says of a feature, whatever the camera's state.
struct FeatureFacts {
    ValueForm form = ValueForm::Integer;
    bool streamable = false;             // <Streamable>Yes</Streamable>
    std::vector<std::string> selectors;  // the features whose pSelected names it, in document order
    std::vector<std::string> selected;   // what its own pSelected name: not empty for a selector
};

// One implemented entry of an Enumeration.
struct EntryFacts {
    std::string name;  // as read and written (its Symbolic)
    int64_t value = 0;
    bool usable = false;  // available now too
};

// An Integer's bounds now.
struct IntegerRange {
    int64_t min = 0, max = 0, inc = 1;
};

// The kinds of Error the configuration logic acts on: a write refused with
// NotAvailable, BelowMinimum, AboveMaximum or NotAnEntry (an entry not
// usable now) waits for other values; RegisterIo on a write counts as a
// value that may have changed; NoSuchFeature or FaultyDescription from
// facts() leaves a feature out of a save.  Every other kind is a failure.
class FeatureAccess {
public:
    virtual ~FeatureAccess() = default;

    // Every feature reachable from the Root category, once each, in the
    // order of the category tree (categories themselves left out).
    virtual bool categoryOrder(std::vector<std::string> *names, Error *error) = 0;
    // The facts of the feature named name; NoSuchFeature when the
    // description has no feature of that name that holds a value.
    virtual bool facts(const std::string &name, FeatureFacts *facts, Error *error) = 0;
    // What the feature allows now, with the selectors as they are.
    virtual bool access(const std::string &name, AccessNow *access, Error *error) = 0;
    // An Enumeration's implemented entries, in document order.
    virtual bool entries(const std::string &name, std::vector<EntryFacts> *entries, Error *error) = 0;
    // An Integer's minimum, maximum and increment now.
    virtual bool range(const std::string &name, IntegerRange *range, Error *error) = 0;
    // Reads the feature's value now, in its own form.
    virtual bool read(const std::string &name, FeatureValue *value, Error *error) = 0;
    // Writes value, which is of the feature's own form.
    virtual bool write(const std::string &name, const FeatureValue &value, Error *error) = 0;
};

} // namespace genicam

#endif

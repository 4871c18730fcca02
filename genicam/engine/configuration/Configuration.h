// A camera's configuration saved to a configuration file, a file applied to
// a camera (all or nothing, verified), and a camera compared with a file,
// over any CameraFeatures.
//
// A value of a file is a feature line with the selectors in force at it
// (the last line before it of each of its selectors, or else the
// selector's value on the camera); a selector's own line counts once, at
// its last line in the file.  When a later line sets the same feature with
// the same selectors, an earlier line's value is the later one's.
#ifndef GENICAM_ENGINE_CONFIGURATION_H
#define GENICAM_ENGINE_CONFIGURATION_H

#include <stddef.h>

#include <string>
#include <utility>
#include <vector>

#include "configuration/CameraFeatures.h"
#include "configuration/ConfigurationFile.h"

namespace genicam {

// A value of a file: its feature and its selectors with the value each is
// set to, in the order they select it (outer first).
struct ValueName {
    std::string feature;
    std::vector<std::pair<std::string, std::string>> selectors;

    // "Gain" or "Gain [GainSelector=DigitalAll]", as messages name it.
    std::string text() const;
};

struct SaveResult {
    bool saved = false;
    std::string file;    // the file's text, when saved
    size_t values = 0;   // the values it holds, counted as applying counts them
    std::string reason;  // why not, when not saved
};

// Saves every feature reachable from Root, in category order, whose node is
// Streamable and that is readable and writable now, never a Command; a
// selected feature once for each usable value of each of its selectors,
// nested, each selector's line before the feature's lines for that value,
// and after its last value a line setting the selector back to the value it
// had.  The camera is left as it was: only selectors are written, and each
// is set back.
SaveResult saveConfiguration(CameraFeatures &camera, const ConfigurationHeader &header);

// One value of a file that failed, and why.  Its error's kind is None when
// the value was written but read back otherwise.
struct ValueFailure {
    size_t line = 0;
    ValueName value;
    Error error;
};

struct ApplyResult {
    size_t values = 0;                   // the file's values
    std::vector<ValueFailure> failures;  // in file order; none: every value written and verified
    bool restored = true;                // with failures: the previous values are back, verified
    std::string restoreReason;           // why not, when not restored

    bool applied() const { return failures.empty(); }
};

// Applies the file's entries: (1) reads and keeps every value the file
// names, with its selectors, and checks every value's text, writing nothing
// if any cannot be used; (2) writes them in file order, deferring a value
// that waits for another feature (not available, out of bounds, an entry
// not usable now) and trying the deferred ones again, in order and each
// with its selectors, for as long as a pass makes progress; (3) reads each
// back and compares; (4) on any failure writes the kept values back by the
// same steps.
ApplyResult applyConfiguration(CameraFeatures &camera, const std::vector<ConfigurationEntry> &entries);

// A value in which the camera differs from the file.
struct Difference {
    size_t line = 0;
    ValueName value;
    bool readable = true;  // false: camera is why the value cannot be read now
    std::string camera;    // the camera's value as a read shows it, or why it cannot be read
    ValueForm form = ValueForm::None;  // the form of the camera's value, when readable
    std::string file;      // the value as the file has it
};

struct CompareResult {
    size_t values = 0;
    std::vector<Difference> differences;  // in file order
    bool putBack = true;                  // the selectors moved are back where they were
    std::string putBackReason;            // why not

    bool matches() const { return differences.empty(); }
};

// Compares the camera with the file's entries, writing nothing but the
// selectors it must move, which it sets back.
CompareResult compareConfiguration(CameraFeatures &camera, const std::vector<ConfigurationEntry> &entries);

} // namespace genicam

#endif

// A feature's value as a configuration file writes it, as a file (or a
// user) may write it, as a read shows it, and whether a value read back is
// the value a file wants.
#ifndef GENICAM_ENGINE_CONFIGURATIONVALUE_H
#define GENICAM_ENGINE_CONFIGURATIONVALUE_H

#include <string>
#include <string_view>
#include <vector>

#include "configuration/CameraFeatures.h"

namespace genicam {
namespace configuration {

// The value as a file holds it: an Integer in decimal, a Float in the
// shortest text that reads back as the same double, an Enumeration by its
// entry's name, a Boolean as 0 or 1, a String as its text, a Register as 0x
// and two hexadecimal digits per byte.  False for a String holding a tab,
// CR, LF or NUL, which no line can hold.
bool fileText(const FeatureValue &value, std::string *text, Error *error);

// The value as a write of the feature takes it: as a file holds it, but a
// String whatever it holds.
std::string writeText(const FeatureValue &value);

// The value as a read of the feature shows it (Booleans true or false,
// Registers as spaced hexadecimal pairs).
std::string readText(const FeatureValue &value);

// Text of a file (or of a user) as a value of the feature name, of form:
// what a file writes, and also Booleans true/false, Integers in 0x
// hexadecimal, an Enumeration's number (entries are its implemented
// entries), Registers as hexadecimal pairs with or without spaces.
bool parseValue(const std::string &name, ValueForm form, std::string_view text,
                const std::vector<EntryFacts> &entries, FeatureValue *value, Error *error);

// Half a unit in the last decimal of a Float's text ("2.53333": 0.000005,
// "1.5e3": 50); 0 for text without decimals.
double halfUnitOf(std::string_view text);

// Whether read is the value wanted: exactly, but Floats within 1e-5 of the
// larger or within halfUnit, and Enumeration entries by their number.
bool sameValue(const FeatureValue &wanted, const FeatureValue &read, double halfUnit,
               const std::vector<EntryFacts> &entries);

// Text quoted for a reason: its first bytes, printable.
std::string quote(std::string_view text);

} // namespace configuration
} // namespace genicam

#endif

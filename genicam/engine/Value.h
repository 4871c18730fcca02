// A feature's value, typed: its form and what it holds; and the one codec
// of each form, which every part uses: the Session for what a user writes
// and what a read shows, the configuration code for files, and the module
// for what it gives the tool.
#ifndef GENICAM_ENGINE_VALUE_H
#define GENICAM_ENGINE_VALUE_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include "Error.h"

namespace genicam {

// What a feature's value is: the form read and write take it in as text,
// and the member of a FeatureValue that holds it.  None: a node that holds
// no value (a Category, a Port, a node this tool does not read).
enum class ValueForm : uint8_t { None, Integer, Float, Enumeration, Boolean, String, Register, Command };

// The form's name as tests and logs show it ("Float").
const char *valueFormName(ValueForm form);

// A feature's value in its own form, in the member that form names.
struct FeatureValue {
    ValueForm form = ValueForm::None;
    int64_t integer = 0;         // an Integer; a Boolean as 1 or 0; the value of an Enumeration's entry
    double floating = 0;         // a Float, the double itself
    std::string text;            // a String; an Enumeration's entry, as read and written
    std::vector<uint8_t> bytes;  // a Register's bytes, in address order
};

// Text as a reason quotes it: 'text', each byte outside printable ASCII as
// \xNN, cut after its first most bytes with "..." (a file's line may be
// long).
std::string quoteText(std::string_view text, size_t most = SIZE_MAX);

// Text a user writes (-w) or a file holds, as a value of form: an Integer
// in decimal or 0x hexadecimal, signed, within 64 bits; a Float as strtod
// reads it, but not NaN nor beyond a double; a Boolean as true, false, 1 or
// 0; a String as it is; a Register as hexadecimal pairs, with or without
// spaces and an optional 0x; a Command as 1 or execute (it holds nothing).
// White space around a word is ignored.  False with BadValueText and the
// reason, which quotes text (its first quoteMost bytes).  An Enumeration's
// entry is found by findEntry instead: for it, as for None, false with
// NoSuchFeature.
bool parseValue(ValueForm form, std::string_view text, FeatureValue *value, Error *error,
                size_t quoteMost = SIZE_MAX);

// One entry of an Enumeration as text names it: its name (as read and
// written) and its value.
struct EntryName {
    std::string_view name;
    int64_t value = 0;
};

// The entry text names: the first of entries named so (white space around
// ignored), else the first whose value text is as an Integer; -1 for none.
long findEntry(const std::vector<EntryName> &entries, std::string_view text);

// Sets *error to NotAnEntry, "not an entry of <feature> (<names>)"; false.
bool notAnEntry(std::string_view feature, const std::vector<std::string_view> &names, Error *error);

// A value as a read shows it, on a line or in a reason: an Integer in
// decimal, a Float in the shortest form that reads back as the same
// double, a Boolean as true or false, an Enumeration by its entry's name, a
// String as its text, a Register as hexadecimal bytes ("0a ff 10"); "" for
// a Command or None.
std::string formatValue(const FeatureValue &value);

// A value as a configuration file holds it: as a read shows it, but a
// Boolean as 0 or 1 and a Register as 0x and two digits per byte.  False
// for a String holding a tab, CR, LF or NUL, which no line can hold, and
// for a Command or None, which hold no value.
bool formatFileValue(const FeatureValue &value, std::string *text, Error *error);

// Half a unit in the last decimal of a Float's text ("2.53333": 0.000005,
// "1.5e3": 50); 0 for text without decimals.
double halfUnitOf(std::string_view text);

// Whether read is the value wanted: of the same form and equal, but Floats
// within 1e-5 of the larger or within halfUnit, Booleans by their truth,
// and Enumeration entries by their name or else their value.
bool sameValue(const FeatureValue &wanted, const FeatureValue &read, double halfUnit = 0);

} // namespace genicam

#endif

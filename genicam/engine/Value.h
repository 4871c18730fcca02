// A feature's value, typed: its form and what it holds.
#ifndef GENICAM_ENGINE_VALUE_H
#define GENICAM_ENGINE_VALUE_H

#include <stdint.h>

#include <string>
#include <vector>

namespace genicam {

// What a feature's value is: the form read and write take it in as text,
// and the member of a FeatureValue that holds it.  None: a node that holds
// no value (a Category, a Port, a node this tool does not read).
enum class ValueForm : uint8_t { Integer, Float, Enumeration, Boolean, String, Register, Command, None };

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

// A value as a read shows it: an Integer in decimal, a Float in the shortest
// form that reads back as the same double, a Boolean as true or false, an
// Enumeration by its entry's name, a String as its text, a Register as
// hexadecimal bytes ("0a ff 10"); "" for a Command or None.
std::string formatValue(const FeatureValue &value);

} // namespace genicam

#endif

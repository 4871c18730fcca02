// The typed value and its codec (Value.h): each form's rules, once.
#include "Value.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include "TextRules.h"
#include "numbers/Text.h"

namespace genicam {

namespace {

const double kRelativeTolerance = 1e-5;

bool refused(const char *what, std::string_view text, size_t quoteMost, const char *after, Error *error)
{
    return fail(error, ErrorKind::BadValueText, what + quoteText(text, quoteMost) + after);
}

} // namespace

const char *valueFormName(ValueForm form)
{
    switch (form) {
    case ValueForm::Integer:
        return "Integer";
    case ValueForm::Float:
        return "Float";
    case ValueForm::Enumeration:
        return "Enumeration";
    case ValueForm::Boolean:
        return "Boolean";
    case ValueForm::String:
        return "String";
    case ValueForm::Register:
        return "Register";
    case ValueForm::Command:
        return "Command";
    case ValueForm::None:
        return "None";
    }
    return "Unknown";
}

std::string quoteText(std::string_view text, size_t most)
{
    bool cut = text.size() > most;
    std::string quoted = "'";
    appendPrintable(&quoted, cut ? text.substr(0, most) : text);
    return quoted + (cut ? "...'" : "'");
}

bool parseValue(ValueForm form, std::string_view text, FeatureValue *value, Error *error, size_t quoteMost)
{
    *value = FeatureValue();
    value->form = form;
    std::string_view word = engine::trim(text);
    switch (form) {
    case ValueForm::Integer:
        if (!engine::parseUserInteger(text, &value->integer))
            return refused("not an integer: ", text, quoteMost, "", error);
        return true;
    case ValueForm::Float:
        if (!engine::parseFloat(text, &value->floating) || isnan(value->floating))
            return refused("not a number: ", text, quoteMost, "", error);
        return true;
    case ValueForm::Boolean:
        if (word == "1" || word == "true")
            value->integer = 1;
        else if (word != "0" && word != "false")
            return refused("not a boolean: ", text, quoteMost, " (true, false, 1 or 0)", error);
        return true;
    case ValueForm::String:
        value->text = text;
        return true;
    case ValueForm::Register:
        if (!engine::parseBytes(text, &value->bytes))
            return refused("not hexadecimal bytes: ", text, quoteMost, "", error);
        return true;
    case ValueForm::Command:
        if (word != "1" && word != "execute")
            return refused("a command is executed by writing 1 or execute, not ", text, quoteMost, "", error);
        return true;
    case ValueForm::Enumeration:
    case ValueForm::None:
        break;
    }
    return fail(error, ErrorKind::NoSuchFeature, "no value of its own form");
}

long findEntry(const std::vector<EntryName> &entries, std::string_view text)
{
    std::string_view word = engine::trim(text);
    for (size_t k = 0; k < entries.size(); k++)
        if (entries[k].name == word)
            return (long)k;
    int64_t number;
    if (!engine::parseUserInteger(text, &number))
        return -1;
    for (size_t k = 0; k < entries.size(); k++)
        if (entries[k].value == number)
            return (long)k;
    return -1;
}

bool notAnEntry(std::string_view feature, const std::vector<std::string_view> &names, Error *error)
{
    std::string listed;
    for (std::string_view name : names)
        listed += (listed.empty() ? "" : ", ") + std::string(name);
    return fail(error, ErrorKind::NotAnEntry, "not an entry of " + std::string(feature) + " (" + listed + ")");
}

std::string formatValue(const FeatureValue &value)
{
    switch (value.form) {
    case ValueForm::Integer:
        return std::to_string(value.integer);
    case ValueForm::Float:
        return engine::formatFloat(value.floating);
    case ValueForm::Boolean:
        return value.integer ? "true" : "false";
    case ValueForm::Register:
        return engine::formatBytes(value.bytes.data(), value.bytes.size());
    case ValueForm::Enumeration:
    case ValueForm::String:
        return value.text;
    case ValueForm::Command:
    case ValueForm::None:
        break;
    }
    return "";
}

bool formatFileValue(const FeatureValue &value, std::string *text, Error *error)
{
    switch (value.form) {
    case ValueForm::Boolean:
        *text = value.integer != 0 ? "1" : "0";
        return true;
    case ValueForm::String:
        if (value.text.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string::npos)
            return fail(error, ErrorKind::BadValueText,
                        "holds a tab, CR, LF or NUL, which a configuration file cannot hold");
        *text = value.text;
        return true;
    case ValueForm::Register:
        *text = "0x" + engine::formatBytes(value.bytes.data(), value.bytes.size(), "");
        return true;
    case ValueForm::Integer:
    case ValueForm::Float:
    case ValueForm::Enumeration:
        *text = formatValue(value);
        return true;
    case ValueForm::Command:
    case ValueForm::None:
        break;
    }
    return fail(error, ErrorKind::NotReadable, "a command: it is executed, not saved");
}

double halfUnitOf(std::string_view text)
{
    text = engine::trim(text);
    size_t point = text.find('.');
    if (point == std::string_view::npos || text.find_first_of("xX") != std::string_view::npos)
        return 0;
    size_t digits = point + 1;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        digits++;
    long decimals = (long)(digits - point - 1);
    if (decimals == 0)
        return 0;
    long exponent = 0;
    if (digits < text.size() && (text[digits] == 'e' || text[digits] == 'E')) {
        std::string rest(text.substr(digits + 1));
        exponent = strtol(rest.c_str(), nullptr, 10);
        exponent = std::max(-400L, std::min(400L, exponent));
    }
    return 0.5 * pow(10.0, (double)(exponent - decimals));
}

bool sameValue(const FeatureValue &wanted, const FeatureValue &read, double halfUnit)
{
    if (wanted.form != read.form)
        return false;
    switch (wanted.form) {
    case ValueForm::Integer:
        return wanted.integer == read.integer;
    case ValueForm::Float: {
        if (wanted.floating == read.floating)
            return true;
        double difference = fabs(wanted.floating - read.floating);
        double larger = std::max(fabs(wanted.floating), fabs(read.floating));
        return difference <= kRelativeTolerance * larger || difference <= halfUnit;
    }
    case ValueForm::Enumeration:
        return wanted.text == read.text || wanted.integer == read.integer;
    case ValueForm::Boolean:
        return (wanted.integer != 0) == (read.integer != 0);
    case ValueForm::String:
        return wanted.text == read.text;
    case ValueForm::Register:
        return wanted.bytes == read.bytes;
    case ValueForm::Command:
    case ValueForm::None:
        break;
    }
    return false;
}

} // namespace genicam

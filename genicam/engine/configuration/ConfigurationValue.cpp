#include "configuration/ConfigurationValue.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include "numbers/Text.h"

namespace genicam {
namespace configuration {

namespace {

const double kRelativeTolerance = 1e-5;
const size_t kQuotedMax = 40;

bool fail(ErrorKind kind, const std::string &text, Error *error)
{
    error->kind = kind;
    error->text = text;
    return false;
}

std::string hexBytes(const std::vector<uint8_t> &bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text = "0x";
    text.reserve(2 + bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

// The entry named text, or else the one whose number text is.
const EntryFacts *findEntry(const std::vector<EntryFacts> &entries, std::string_view text)
{
    for (const EntryFacts &entry : entries)
        if (entry.name == text)
            return &entry;
    int64_t number;
    if (!engine::parseUserInteger(text, &number))
        return nullptr;
    for (const EntryFacts &entry : entries)
        if (entry.value == number)
            return &entry;
    return nullptr;
}

std::string entryNames(const std::vector<EntryFacts> &entries)
{
    std::string names;
    for (const EntryFacts &entry : entries)
        names += (names.empty() ? "" : ", ") + entry.name;
    return names;
}

} // namespace

std::string quote(std::string_view text)
{
    std::string shown = "'";
    for (size_t i = 0; i < text.size() && i < kQuotedMax; i++) {
        unsigned char byte = (unsigned char)text[i];
        if (byte >= 0x20 && byte < 0x7F) {
            shown += (char)byte;
            continue;
        }
        char escaped[8];
        snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        shown += escaped;
    }
    return shown + (text.size() > kQuotedMax ? "...'" : "'");
}

bool fileText(const FeatureValue &value, std::string *text, Error *error)
{
    switch (value.form) {
    case ValueForm::Integer:
        *text = std::to_string(value.integer);
        return true;
    case ValueForm::Float:
        *text = engine::formatFloat(value.floating);
        return true;
    case ValueForm::Enumeration:
        *text = value.text;
        return true;
    case ValueForm::Boolean:
        *text = value.integer != 0 ? "1" : "0";
        return true;
    case ValueForm::String:
        if (value.text.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string::npos)
            return fail(ErrorKind::BadValueText, "holds a tab, CR, LF or NUL, which a configuration file cannot hold",
                        error);
        *text = value.text;
        return true;
    case ValueForm::Register:
        *text = hexBytes(value.bytes);
        return true;
    case ValueForm::Command:
    case ValueForm::None:
        break;
    }
    return fail(ErrorKind::NotReadable, "a command: it is executed, not saved", error);
}

std::string writeText(const FeatureValue &value)
{
    std::string text;
    Error ignored;
    if (value.form == ValueForm::String || !fileText(value, &text, &ignored))
        return value.text;
    return text;
}

std::string readText(const FeatureValue &value)
{
    switch (value.form) {
    case ValueForm::Integer:
        return std::to_string(value.integer);
    case ValueForm::Float:
        return engine::formatFloat(value.floating);
    case ValueForm::Boolean:
        return value.integer != 0 ? "true" : "false";
    case ValueForm::Register:
        return engine::formatBytes(value.bytes.data(), value.bytes.size());
    case ValueForm::Enumeration:
    case ValueForm::String:
    case ValueForm::Command:
    case ValueForm::None:
        break;
    }
    return value.text;
}

bool parseValue(const std::string &name, ValueForm form, std::string_view text,
                const std::vector<EntryFacts> &entries, FeatureValue *value, Error *error)
{
    *value = FeatureValue();
    value->form = form;
    std::string_view word = engine::trim(text);
    switch (form) {
    case ValueForm::Integer:
        if (!engine::parseUserInteger(text, &value->integer))
            return fail(ErrorKind::BadValueText, "not an integer: " + quote(text), error);
        return true;
    case ValueForm::Float:
        if (!engine::parseFloat(text, &value->floating) || isnan(value->floating))
            return fail(ErrorKind::BadValueText, "not a number: " + quote(text), error);
        return true;
    case ValueForm::Enumeration: {
        const EntryFacts *entry = findEntry(entries, word);
        if (!entry)
            return fail(ErrorKind::NotAnEntry, "not an entry of " + name + " (" + entryNames(entries) + ")", error);
        value->text = entry->name;
        value->integer = entry->value;
        return true;
    }
    case ValueForm::Boolean:
        if (word == "1" || word == "true")
            value->integer = 1;
        else if (word != "0" && word != "false")
            return fail(ErrorKind::BadValueText, "not a boolean: " + quote(text) + " (true, false, 1 or 0)", error);
        return true;
    case ValueForm::String:
        value->text = text;
        return true;
    case ValueForm::Register:
        if (!engine::parseBytes(text, &value->bytes))
            return fail(ErrorKind::BadValueText, "not hexadecimal bytes: " + quote(text), error);
        return true;
    case ValueForm::Command:
    case ValueForm::None:
        break;
    }
    return fail(ErrorKind::NotWritable, "a command: it is executed, not set from a file", error);
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

bool sameValue(const FeatureValue &wanted, const FeatureValue &read, double halfUnit,
               const std::vector<EntryFacts> &entries)
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
    case ValueForm::Enumeration: {
        if (wanted.text == read.text)
            return true;
        const EntryFacts *first = findEntry(entries, wanted.text), *second = findEntry(entries, read.text);
        return first && second && first->value == second->value;
    }
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

} // namespace configuration
} // namespace genicam

// The typed value's codec (Value.h), each form at its edges: text as a user
// or a file writes it, the value as a line and as a file show it, and
// whether two values are the same; and the file's reading of a value
// (ConfigurationPlan.h), which adds the entries of an Enumeration.
#include "Value.h"
#include "configuration/ConfigurationPlan.h"

#include <math.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using genicam::Error;
using genicam::FeatureValue;
using genicam::ValueForm;

// Text parsed as a value of form, then shown on a line and in a file:
// "line | file", or "error: reason" (for the file, "line | error: reason").
std::string coded(ValueForm form, const std::string &text, size_t quoteMost = SIZE_MAX)
{
    FeatureValue value;
    Error error;
    if (!genicam::parseValue(form, text, &value, &error, quoteMost))
        return "error: " + error.text;
    std::string file;
    if (!genicam::formatFileValue(value, &file, &error))
        file = "error: " + error.text;
    return genicam::formatValue(value) + " | " + file;
}

TEST(ValueCodec, EachFormAtItsEdges)
{
    const struct {
        ValueForm form;
        std::string text, expected;
    } cases[] = {
        {ValueForm::Integer, "-9223372036854775808", "-9223372036854775808 | -9223372036854775808"},
        {ValueForm::Integer, " 0x7FFFFFFFFFFFFFFF ", "9223372036854775807 | 9223372036854775807"},
        {ValueForm::Integer, "+5", "5 | 5"},
        {ValueForm::Integer, "0x8000000000000000", "error: not an integer: '0x8000000000000000'"},
        {ValueForm::Integer, "", "error: not an integer: ''"},
        {ValueForm::Float, "5e-324", "5e-324 | 5e-324"},
        {ValueForm::Float, "-0", "-0 | -0"},
        {ValueForm::Float, "0x1p-2", "0.25 | 0.25"},
        {ValueForm::Float, "-inf", "-inf | -inf"},
        {ValueForm::Float, "1e309", "error: not a number: '1e309'"},
        {ValueForm::Float, "-nan", "error: not a number: '-nan'"},
        {ValueForm::Boolean, " true ", "true | 1"},
        {ValueForm::Boolean, "0", "false | 0"},
        {ValueForm::Boolean, "TRUE", "error: not a boolean: 'TRUE' (true, false, 1 or 0)"},
        {ValueForm::String, " a b ", " a b  |  a b "},
        {ValueForm::String, "", " | "},
        {ValueForm::String, "a\\nb", "a\\nb | a\\nb"},
        {ValueForm::String, "a\rb", "a\rb | error: holds a tab, CR, LF or NUL, which a configuration file cannot hold"},
        {ValueForm::Register, "0A ff", "0a ff | 0x0aff"},
        {ValueForm::Register, "0x", "error: not hexadecimal bytes: '0x'"},
        {ValueForm::Register, "0a f", "error: not hexadecimal bytes: '0a f'"},
        {ValueForm::Command, " execute ", " | error: a command: it is executed, not saved"},
        {ValueForm::Command, "2", "error: a command is executed by writing 1 or execute, not '2'"},
        {ValueForm::Enumeration, "Mono8", "error: no value of its own form"},
        {ValueForm::None, "1", "error: no value of its own form"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(coded(c.form, c.text), c.expected) << valueFormName(c.form) << " " << c.text;
}

TEST(ValueCodec, AReasonQuotesTheTextPrintableAndAFilesLineShortened)
{
    EXPECT_EQ(coded(ValueForm::Integer, "1\x1B[2J"), "error: not an integer: '1\\x1B[2J'");
    std::string long50(50, '9');
    EXPECT_EQ(coded(ValueForm::Integer, long50 + "x"), "error: not an integer: '" + long50 + "x'");
    EXPECT_EQ(coded(ValueForm::Integer, long50 + "x", 40), "error: not an integer: '" + long50.substr(0, 40) + "...'");
    EXPECT_EQ(genicam::quoteText("caf\xC3\xA9", 4), "'caf\\xC3...'");
}

TEST(ValueCodec, AnEntryIsNamedByItsNameElseByItsValue)
{
    std::vector<genicam::EntryName> entries = {{"Mono8", 1}, {"8", 2}, {"Mono12", 8}};
    const struct {
        std::string text;
        long found;
    } cases[] = {{"Mono8", 0}, {" Mono12 ", 2}, {"8", 1}, {"0x8", 2}, {"2", 1}, {"-1", -1}, {"mono8", -1}, {"", -1}};
    for (const auto &c : cases)
        EXPECT_EQ(genicam::findEntry(entries, c.text), c.found) << c.text;
    Error error;
    EXPECT_FALSE(genicam::notAnEntry("PixelFormat", {"Mono8", "..."}, &error));
    EXPECT_EQ(genicam::errorKindName(error.kind) + std::string(": ") + error.text,
              "NotAnEntry: not an entry of PixelFormat (Mono8, ...)");
}

TEST(ValueCodec, SameValuesAreOfOneFormAndEqualAsTheirFormCompares)
{
    auto value = [](ValueForm form, int64_t integer, double floating = 0, const char *text = "",
                    std::vector<uint8_t> bytes = {}) {
        FeatureValue made;
        made.form = form;
        made.integer = integer;
        made.floating = floating;
        made.text = text;
        made.bytes = bytes;
        return made;
    };
    const struct {
        FeatureValue wanted, read;
        bool same;
    } cases[] = {
        {value(ValueForm::Integer, -1), value(ValueForm::Integer, -1), true},
        {value(ValueForm::Integer, 1), value(ValueForm::Boolean, 1), false},
        {value(ValueForm::Boolean, 5), value(ValueForm::Boolean, 1), true},
        {value(ValueForm::Boolean, 0), value(ValueForm::Boolean, 1), false},
        {value(ValueForm::Enumeration, 1, 0, "A"), value(ValueForm::Enumeration, 1, 0, "B"), true},
        {value(ValueForm::Enumeration, 1, 0, "A"), value(ValueForm::Enumeration, 2, 0, "A"), true},
        {value(ValueForm::Enumeration, 1, 0, "A"), value(ValueForm::Enumeration, 2, 0, "B"), false},
        {value(ValueForm::String, 0, 0, "a"), value(ValueForm::String, 0, 0, "a "), false},
        {value(ValueForm::Register, 0, 0, "", {1, 2}), value(ValueForm::Register, 0, 0, "", {1, 2}), true},
        {value(ValueForm::Register, 0, 0, "", {1, 2}), value(ValueForm::Register, 0, 0, "", {1}), false},
        {value(ValueForm::Float, 0, INFINITY), value(ValueForm::Float, 0, INFINITY), true},
        {value(ValueForm::Float, 0, NAN), value(ValueForm::Float, 0, NAN), false},
        {value(ValueForm::Command, 0), value(ValueForm::Command, 0), false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(genicam::sameValue(c.wanted, c.read), c.same)
            << genicam::formatValue(c.wanted) << " ~ " << genicam::formatValue(c.read);
}

// A value parsed as a feature of form, as "value" or "error: reason".
std::string parsed(ValueForm form, const std::string &text)
{
    std::vector<genicam::EntryFacts> entries = {{"Mono8", 17301505, true}, {"BayerRG8", 17301513, false}};
    FeatureValue value;
    genicam::Error error;
    if (!genicam::configuration::parseFileValue("PixelFormat", form, text, entries, &value, &error))
        return "error: " + error.text;
    std::string file;
    EXPECT_TRUE(genicam::formatFileValue(value, &file, &error));
    return file;
}

TEST(ValueCodec, FilesAndUsersWriteValuesAsWriteAccepts)
{
    const struct {
        ValueForm form;
        std::string text, expected;
    } cases[] = {
        {ValueForm::Integer, "800", "800"},
        {ValueForm::Integer, " -16 ", "-16"},
        {ValueForm::Integer, "0x320", "800"},
        {ValueForm::Integer, "9223372036854775807", "9223372036854775807"},
        {ValueForm::Integer, "9223372036854775808", "error: not an integer: '9223372036854775808'"},
        {ValueForm::Integer, "8.0", "error: not an integer: '8.0'"},
        {ValueForm::Float, "2.53333", "2.53333"},
        {ValueForm::Float, "0.00000", "0"},
        {ValueForm::Float, "59.0", "59"},
        {ValueForm::Float, "0.1", "0.1"},
        {ValueForm::Float, "1e300", "1e+300"},
        {ValueForm::Float, "nan", "error: not a number: 'nan'"},
        {ValueForm::Float, "1e999", "error: not a number: '1e999'"},
        {ValueForm::Boolean, "0", "0"},
        {ValueForm::Boolean, "true", "1"},
        {ValueForm::Boolean, "false", "0"},
        {ValueForm::Boolean, "2", "error: not a boolean: '2' (true, false, 1 or 0)"},
        {ValueForm::Enumeration, "BayerRG8", "BayerRG8"},
        {ValueForm::Enumeration, "17301505", "Mono8"},
        {ValueForm::Enumeration, "0x1080001", "Mono8"},
        {ValueForm::Enumeration, "Mono16", "error: not an entry of PixelFormat (Mono8, BayerRG8)"},
        {ValueForm::String, " left\\camera ", " left\\camera "},
        {ValueForm::Register, "0x00FF10", "0x00ff10"},
        {ValueForm::Register, "00 ff 10", "0x00ff10"},
        {ValueForm::Register, "0x0", "error: not hexadecimal bytes: '0x0'"},
        {ValueForm::Command, "1", "error: a command: it is executed, not set from a file"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parsed(c.form, c.text), c.expected) << c.text;
}

TEST(ValueCodec, FloatsWrittenShortestReadBackAsTheSameDouble)
{
    for (double number : {0.1, 1.0 / 3, 2.5333299636840820, 1e-300, -123456.789, 5e-324, 1.7976931348623157e308}) {
        FeatureValue value;
        value.form = ValueForm::Float;
        value.floating = number;
        std::string text;
        genicam::Error error;
        ASSERT_TRUE(genicam::formatFileValue(value, &text, &error));
        EXPECT_EQ(strtod(text.c_str(), nullptr), number) << text;
        EXPECT_LE(text.size(), 24u) << text;
    }
    FeatureValue text;
    text.form = ValueForm::String;
    text.text = "tab\there";
    std::string line;
    genicam::Error error;
    EXPECT_FALSE(genicam::formatFileValue(text, &line, &error));
    EXPECT_EQ(error.text, "holds a tab, CR, LF or NUL, which a configuration file cannot hold");
}

TEST(ValueCodec, FloatsVerifyWithin1e5OrHalfTheLastDecimalWritten)
{
    using genicam::halfUnitOf;
    EXPECT_DOUBLE_EQ(halfUnitOf("2.53333"), 0.000005);
    EXPECT_DOUBLE_EQ(halfUnitOf("59.0"), 0.05);
    EXPECT_DOUBLE_EQ(halfUnitOf("1.5e3"), 50);
    EXPECT_DOUBLE_EQ(halfUnitOf("-1.25E-2"), 0.00005);
    EXPECT_EQ(halfUnitOf("59"), 0);
    EXPECT_EQ(halfUnitOf("59."), 0);
    EXPECT_EQ(halfUnitOf("0x1.8p1"), 0);

    const struct {
        double wanted, read;
        std::string text;  // the file's
        bool same;
    } cases[] = {
        {2.53333, 2.5333299636840820, "2.53333", true},  // a float register
        {1000, 1000.01, "1000", true},                    // 1e-5 of the larger
        {1000, 1000.0101, "1000", false},
        {-1000, -1000.01, "-1000", true},
        {59, 59.049, "59.0", true},  // half a unit in the last decimal
        {59, 59.051, "59.0", false},
        {59, 59.049, "59.00", false},
        {0, 0.000004, "0.00000", true},
        {0, 0.000006, "0.00000", false},
        {0, 1e-300, "0", false},
    };
    for (const auto &c : cases) {
        FeatureValue wanted, read;
        wanted.form = read.form = ValueForm::Float;
        wanted.floating = c.wanted;
        read.floating = c.read;
        EXPECT_EQ(genicam::sameValue(wanted, read, halfUnitOf(c.text)), c.same)
            << c.text << " read as " << c.read;
    }
}

} // namespace

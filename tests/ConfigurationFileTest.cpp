// Configuration files: what the reader takes from other tools and what it
// refuses (with the line and why), the exact bytes the writer writes, and
// values as files write them.
#include "configuration/ConfigurationFile.h"
#include "configuration/ConfigurationValue.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using genicam::ConfigurationEntry;
using genicam::FeatureValue;
using genicam::ValueForm;

const std::string kMagic = "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n";

// "line: reason" for a refused file, or its entries as "line name=value|".
std::string read(const std::string &bytes)
{
    std::vector<ConfigurationEntry> entries;
    genicam::FileFault fault;
    if (!genicam::parseConfigurationFile(bytes, &entries, &fault))
        return std::to_string(fault.line) + ": " + fault.reason;
    std::string text;
    for (const ConfigurationEntry &entry : entries)
        text += std::to_string(entry.line) + " " + entry.name + "=" + entry.value + "|";
    return text;
}

TEST(ConfigurationFile, TakesWhatOtherToolsWrite)
{
    // CRLF, comments and blank lines anywhere, a last line without its end.
    EXPECT_EQ(read("# {05D8C294-F295-4dfb-9D01-096BD04049F4}\r\n# GenApi persistence file (version 3.1.0)\r\n"
                   "# Device = Model -- Tip -- Device version = 1.0.0\r\nWidth\t800\r\n\r\n# Gain next\r\n"
                   "Gamma\t2.53333\r\n  \t \nLUTValueAll\t0x000102"),
              "4 Width=800|7 Gamma=2.53333|9 LUTValueAll=0x000102|");
    // The value is everything after the first tab, spaces and tabs kept; it
    // may be empty.
    EXPECT_EQ(read(kMagic + "DeviceUserID\t left\tcamera \nDeviceUserID\t\n"),
              "2 DeviceUserID= left\tcamera |3 DeviceUserID=|");
    EXPECT_EQ(read(kMagic), "");
    EXPECT_EQ(read(kMagic.substr(0, kMagic.size() - 1)), "");
    EXPECT_EQ(read(kMagic + "   # indented comment\nA_1\t1\n"), "3 A_1=1|");
}

TEST(ConfigurationFile, RefusesAnythingElseWithItsLineAndWhy)
{
    const struct {
        std::string bytes, expected;
    } cases[] = {
        {"", "1: the first line is not # {05D8C294-F295-4dfb-9D01-096BD04049F4}"},
        {"Width\t800\n", "1: the first line is not # {05D8C294-F295-4dfb-9D01-096BD04049F4}"},
        {" " + kMagic, "1: the first line is not # {05D8C294-F295-4dfb-9D01-096BD04049F4}"},
        {"\xEF\xBB\xBF" + kMagic, "1: the first line is not # {05D8C294-F295-4dfb-9D01-096BD04049F4}"},
        {"# {4709CB3C-7322-4460-84C3-DA11DDA09939}\n[UserSet1]\nWidth\t8\n",
         "1: a file of several feature sets (# {4709CB3C-7322-4460-84C3-DA11DDA09939}): only a file of one set "
         "can be read"},
        {kMagic + "Width 800\n", "2: neither a comment nor a name, a tab and a value: 'Width 800'"},
        {kMagic + "# ok\nWidth\n", "3: neither a comment nor a name, a tab and a value: 'Width'"},
        {kMagic + "1Width\t800\n", "2: '1Width' is not a GenICam name"},
        {kMagic + "\t800\n", "2: '' is not a GenICam name"},
        {kMagic + "Gain-1\t8\n", "2: 'Gain-1' is not a GenICam name"},
        {kMagic + "Width\t8\r00\r\n", "2: a carriage return inside the line"},
        {kMagic + "Width\t8\n" + std::string("Height\t6\0" "00\n", 12), "3: a NUL byte"},
        {kMagic + std::string("# a\0 comment\n", 13), "2: a NUL byte"},
        {kMagic + "[UserSet1]\n", "2: neither a comment nor a name, a tab and a value: '[UserSet1]'"},
        {kMagic + std::string(50, 'x') + "\n",
         "2: neither a comment nor a name, a tab and a value: 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...'"},
        {kMagic + "W\x01\xff\t1\n", "2: 'W\\x01\\xFF' is not a GenICam name"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read(c.bytes), c.expected) << c.bytes;
}

TEST(ConfigurationFile, BoundsALineAndTheWholeFile)
{
    const size_t kMiB = 1u << 20;
    std::string value(kMiB - 2, '7');  // "A", a tab and the value: exactly 1 MiB
    EXPECT_EQ(read(kMagic + "A\t" + value + "\r\n").size(), 4 + value.size() + 1);
    EXPECT_EQ(read(kMagic + "# x\nA\t" + value + "7\n"), "3: longer than 1 MiB");

    std::string full = kMagic;
    std::string comment = "# " + std::string(997, 'c') + "\n";
    while (full.size() + comment.size() <= 16 * kMiB)
        full += comment;
    full += "#" + std::string(16 * kMiB - full.size() - 2, 'c') + "\n";
    ASSERT_EQ(full.size(), 16 * kMiB);
    EXPECT_EQ(read(full), "");
    EXPECT_EQ(read(full + "\n"), "0: larger than 16 MiB");
}

TEST(ConfigurationFile, WritesTheMagicWhoWroteItTheCameraAndOneLinePerValue)
{
    genicam::ConfigurationHeader header{"VisionAccess 1.0.0", "Maker", "Model\n# Width\t1", "2133", "1.2.3"};
    std::string text, reason;
    ASSERT_TRUE(genicam::writeConfigurationFile(header, {{0, "Width", "800"}, {0, "DeviceUserID", " a b "}}, &text,
                                                &reason))
        << reason;
    EXPECT_EQ(text, "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n"
                    "# GenApi persistence file written by VisionAccess 1.0.0\n"
                    "# Vendor = Maker -- Model = Model\\x0A# Width\\x091 -- Serial number = 2133 -- "
                    "Description version = 1.2.3\n"
                    "Width\t800\n"
                    "DeviceUserID\t a b \n");
    EXPECT_EQ(read(text), "4 Width=800|5 DeviceUserID= a b |");

    for (const char *value : {"a\tb", "a\rb", "a\nb"}) {
        EXPECT_FALSE(genicam::writeConfigurationFile(header, {{0, "DeviceUserID", value}}, &text, &reason));
        EXPECT_EQ(reason, "the value of DeviceUserID holds a tab, CR, LF or NUL, which a file cannot hold");
    }
    EXPECT_FALSE(genicam::writeConfigurationFile(header, {{0, "Bad Name", "1"}}, &text, &reason));
    EXPECT_EQ(reason, "'Bad Name' is not a GenICam name");
}

// A value parsed as a feature of form, as "value" or "error: reason".
std::string parsed(ValueForm form, const std::string &text)
{
    std::vector<genicam::EntryFacts> entries = {{"Mono8", 17301505, true}, {"BayerRG8", 17301513, false}};
    FeatureValue value;
    genicam::Error error;
    if (!genicam::configuration::parseValue("PixelFormat", form, text, entries, &value, &error))
        return "error: " + error.text;
    std::string file;
    EXPECT_TRUE(genicam::configuration::fileText(value, &file, &error));
    return file;
}

TEST(ConfigurationValue, FilesAndUsersWriteValuesAsWriteAccepts)
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

TEST(ConfigurationValue, FloatsWrittenShortestReadBackAsTheSameDouble)
{
    for (double number : {0.1, 1.0 / 3, 2.5333299636840820, 1e-300, -123456.789, 5e-324, 1.7976931348623157e308}) {
        FeatureValue value;
        value.form = ValueForm::Float;
        value.floating = number;
        std::string text;
        genicam::Error error;
        ASSERT_TRUE(genicam::configuration::fileText(value, &text, &error));
        EXPECT_EQ(strtod(text.c_str(), nullptr), number) << text;
        EXPECT_LE(text.size(), 24u) << text;
    }
    FeatureValue text;
    text.form = ValueForm::String;
    text.text = "tab\there";
    std::string line;
    genicam::Error error;
    EXPECT_FALSE(genicam::configuration::fileText(text, &line, &error));
    EXPECT_EQ(error.text, "holds a tab, CR, LF or NUL, which a configuration file cannot hold");
}

TEST(ConfigurationValue, FloatsVerifyWithin1e5OrHalfTheLastDecimalWritten)
{
    using genicam::configuration::halfUnitOf;
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
        EXPECT_EQ(genicam::configuration::sameValue(wanted, read, halfUnitOf(c.text), {}), c.same)
            << c.text << " read as " << c.read;
    }
}

} // namespace

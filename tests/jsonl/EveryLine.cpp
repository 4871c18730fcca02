// Prints one line of every kind through the tool's output layer (Lines.h),
// with fields at their edges, as text lines or, given "json", as JSON Lines:
// the lines that no run of the simulated cameras prints yet (configurations)
// included.  EveryLineTest.py checks both against each other, the schema
// and the exact texts.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "Lines.h"

namespace {

const uint8_t kBytes[] = {0x0a, 0xff, 0x10};

// Typed values as the GenICam module gives them, with their text.
VaValue integer(const char *text, int64_t value)
{
    return VaValue{VA_FORM_INTEGER, text, value, 0, NULL, 0};
}
VaValue floating(const char *text, double value)
{
    return VaValue{VA_FORM_FLOAT, text, 0, value, NULL, 0};
}
VaValue boolean(bool value)
{
    return VaValue{VA_FORM_BOOLEAN, value ? "true" : "false", value ? 1 : 0, 0, NULL, 0};
}
VaValue entry(const char *name, int64_t value)
{
    return VaValue{VA_FORM_ENUMERATION, name, value, 0, NULL, 0};
}
VaValue text(const char *text)
{
    return VaValue{VA_FORM_STRING, text, 0, 0, NULL, 0};
}
VaValue bytes(const char *text, const uint8_t *bytes, size_t size)
{
    return VaValue{VA_FORM_REGISTER, text, 0, 0, bytes, size};
}
VaValue command()
{
    return VaValue{VA_FORM_COMMAND, "", 0, 0, NULL, 0};
}

void printScanLines()
{
    printLogFileLine("scan.txt");
    printScanLine(3725);
    printNoCamerasLine();
    printOutOfMemoryLine();
    printRecordsFailedLine((int32_t)0x8000F00B);
    printCameraLine(-5);
}

void printIdentityLines()
{
    printIdentityLine("Vendor", "vendor", "Tab\tVendor\x7F");
    printIdentityLine("Serial", "serial", "");
    printIdentityLine("User name", "user-name", "caf\xC3\xA9");
    printIdentityFailedLine("user name", "user-name");
}

void printRegisterLines()
{
    printRegisterReadLine(0x60018, 1920, REGISTER_HEX);
    printRegisterReadLine(0x0, 0xFFFFFFFF, REGISTER_DECIMAL);
    printRegisterReadLine(0x60050, 0x41A00000, REGISTER_FLOAT);   // 20
    printRegisterReadLine(0x60054, 0x3DCCCCCD, REGISTER_FLOAT);   // the float nearest 0.1
    printRegisterReadLine(0x60058, 0x7FC00000, REGISTER_FLOAT);   // nan
    printRegisterReadLine(0x6005C, 0xFF800000, REGISTER_FLOAT);   // -inf
    printRegisterReadLine(0xFFFFFFFFFFFFFFFF, 0, REGISTER_HEX);
    printRegisterWrittenLine(0xFFFFF0F00A0C, 0xFFFFFFFF);
    printRegisterFailedLine("read", 0x12345, NULL);
    printRegisterFailedLine("write", 0xFFFFF0F00A0C, "the SDK reaches only 32-bit addresses");
}

void printFeatureLines()
{
    printFeatureReadLine("Offset", integer("-9223372036854775808", INT64_MIN));
    printFeatureReadLine("Gain", floating("0.10000000149011612", 0.10000000149011612));
    printFeatureReadLine("Ratio", floating("inf", INFINITY));
    printFeatureReadLine("ReverseX", boolean(true));
    printFeatureReadLine("PixelFormat", entry("Mono8", 17301505));
    printFeatureReadLine("DeviceUserID", text("left\x01" "camera\n"));
    printFeatureReadLine("LUTValueAll", bytes("0a ff 10", kBytes, sizeof kBytes));
    printFeatureWrittenLine("ExposureTime", "5e3", floating("5000", 5000));
    printFeatureWrittenLine("ReverseX", "1", boolean(true));
    printFeatureWrittenLine("PixelFormat", "0x01100003", entry("Mono16", 17825795));
    printFeatureWrittenLine("AcquisitionStart", "execute", command());
    printFeatureFailedLine("write", "Width", "below the minimum (16 to 1920 in steps of 4)");
    printFeatureFailedLine("read", "Width", "register 0x60018 could not be read (status 0x8000F00A)");
}

void printDescriptionLines()
{
    printDescriptionSavedLine("descriptions/4294967291.xml");
    printDescriptionFailedLine("descriptions/7.xml", "No space left on device");
    printDescriptionUnreadableLine("SHA-1 mismatch");
    printListedFeatureLine({"AnalogControl/Advanced", "Gain", "Converter", "RW"}, floating("2.5", 2.5));
    printListedFeatureLine({"", "Width", "IntReg", "RW"}, integer("1920", 1920));
    printUnreadableListedFeatureLine({"AcquisitionControl", "AcquisitionStart", "Command", "WO"},
                                     "a command: it is executed, not read");
    printUnreadableListedFeatureLine({"", "Bro\x1B[2Jken", "", "?"}, "the description is faulty at Broken");
    printListingFailedLine("the camera has no GenICam description (no manifest)");
}

void printConfigurationLines()
{
    const SelectorSetting gain[] = {{"GainSelector", "DigitalAll"}};
    const SelectorSetting nested[] = {{"ColorTransformationSelector", "RGBtoRGB"},
                                      {"ColorTransformationValueSelector", "Gain01"}};
    const Selectors none = {NULL, 0};
    printConfigurationSavedLine("saved/4294967291.pfs", 42);
    printConfigurationNotSavedLine("the value of DeviceUserID holds a tab");
    printConfigurationAppliedLine("line.pfs", 12);
    printValueFailedLine("ColorTransformationValue", {nested, 2}, "above the maximum (-8 to 8)");
    printValueFailedLine("Width", none, "locked");
    printConfigurationNotAppliedLine("/etc/cameras/line.pfs", 1, NULL);
    printConfigurationNotAppliedLine("line.pfs", 2, "register 0x60018 could not be written (status 0x8000F00A)");
    printDifferenceLine("Gain", {gain, 1}, integer("0", 0), "6");
    printDifferenceLine("ExposureTime", none, floating("10000.5", 10000.5), "2e4");
    printDifferenceLine("DeviceUserID", none, text("left\tcamera"), "caf\xC3\xA9");
    printUnreadableDifferenceLine("AcquisitionFrameRate", none, "not available now", "20");
    printSelectorsNotSetBackLine("its selector GainSelector cannot be set to Red: locked");
    printConfigurationMatchesLine("line.pfs");
    printConfigurationDiffersLine("line.pfs", 3);
}

} // namespace

int main(int argc, char **argv)
{
    startLineClock();
    printLinesAsJson(argc > 1 && strcmp(argv[1], "json") == 0);
    printScanLines();
    printIdentityLines();
    printRegisterLines();
    printFeatureLines();
    printDescriptionLines();
    printConfigurationLines();
    printNoMatchLine("left\tcamera");
    printPromptLine(5000);
    return 0;
}

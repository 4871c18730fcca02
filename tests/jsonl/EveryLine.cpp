// Prints one line of every kind through the tool's output layer (Lines.h),
// with fields at their edges, as text lines or, given "json", as JSON Lines:
// the lines that no run of the simulated cameras prints yet (configurations)
// included.  EveryLineTest.py checks both against each other, the schema
// and the exact texts.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "Lines.h"

namespace {

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
    printFeatureReadLine("Offset", {"-9223372036854775808", FORM_INTEGER});
    printFeatureReadLine("Gain", {"0.10000000149011612", FORM_FLOAT});
    printFeatureReadLine("Ratio", {"inf", FORM_FLOAT});
    printFeatureReadLine("ReverseX", {"true", FORM_BOOLEAN});
    printFeatureReadLine("PixelFormat", {"Mono8", FORM_ENUMERATION});
    printFeatureReadLine("DeviceUserID", {"left\x01" "camera\n", FORM_STRING});
    printFeatureReadLine("LUTValueAll", {"0a ff 10", FORM_REGISTER});
    printFeatureWrittenLine("ExposureTime", "5e3", {"5000", FORM_FLOAT});
    printFeatureWrittenLine("ReverseX", "1", {"true", FORM_BOOLEAN});
    printFeatureWrittenLine("PixelFormat", "0x01100003", {"Mono16", FORM_ENUMERATION});
    printFeatureWrittenLine("AcquisitionStart", "execute", {"", FORM_COMMAND});
    printFeatureFailedLine("write", "Width", "below the minimum (16 to 1920 in steps of 4)");
    printFeatureFailedLine("read", "Width", "register 0x60018 could not be read (status 0x8000F00A)");
}

void printDescriptionLines()
{
    printDescriptionSavedLine("descriptions/4294967291.xml");
    printDescriptionFailedLine("descriptions/7.xml", "No space left on device");
    printDescriptionUnreadableLine("SHA-1 mismatch");
    printListedFeatureLine({"AnalogControl/Advanced", "Gain", "Converter", "RW"}, {"2.5", FORM_FLOAT});
    printListedFeatureLine({"", "Width", "IntReg", "RW"}, {"1920", FORM_INTEGER});
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
    printDifferenceLine("Gain", {gain, 1}, {"0", FORM_INTEGER}, "6");
    printDifferenceLine("ExposureTime", none, {"10000.5", FORM_FLOAT}, "2e4");
    printDifferenceLine("DeviceUserID", none, {"left\tcamera", FORM_STRING}, "caf\xC3\xA9");
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

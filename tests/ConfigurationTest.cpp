// Saving, applying and comparing configurations on a model camera: what an
// integrator would see go wrong (a value not applied, a camera left half
// configured, a file another tool wrote refused, a camera changed by a save
// or a comparison).
#include "configuration/Configuration.h"
#include "ConfigurationModel.h"

#include <math.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using genicam::ApplyResult;
using genicam::CompareResult;
using genicam::ConfigurationEntry;
using genicam::Error;
using genicam::ErrorKind;
using genicam::FeatureValue;
using genicam::SaveResult;

const std::string kMagic = "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n";

// A camera as the standard's names describe one: a 2048-pixel sensor that
// Width and OffsetX share, a frame rate available only when enabled, Width
// and Height held by TLParamsLocked, a Float register, a selector and nested
// selectors, a String, a Register and a Command.
class Sensor : public model::Camera {
public:
    Sensor()
    {
        integer("SensorWidth", 2048).nature = model::Nature::ReadOnly;
        model::Feature &width = integer("Width", 1024);
        width.min = [] { return 16; };
        width.max = [this] { return 2048 - number("OffsetX"); };
        width.inc = 16;
        width.locked = [this] { return number("TLParamsLocked") != 0; };
        model::Feature &offset = integer("OffsetX", 1024);
        offset.min = [] { return 0; };
        offset.max = [this] { return 2048 - number("Width"); };
        offset.inc = 16;
        integer("Height", 1200, 1, 1536).locked = [this] { return number("TLParamsLocked") != 0; };
        enumeration("PixelFormat", {"Mono8", "Mono12", "BayerRG8"}).entryAvailable["BayerRG8"] = [] { return false; };
        boolean("ReverseX", false);
        boolean("AcquisitionFrameRateEnable", false);
        model::Feature &rate = floating("AcquisitionFrameRate", 30);
        rate.available = [this] { return value("AcquisitionFrameRateEnable").integer != 0; };
        rate.floatMin = 1;
        rate.floatMax = 100;
        model::Feature &exposure = floating("ExposureTime", 10000);
        exposure.floatMin = 10;
        exposure.floatMax = 1000000;
        exposure.stored = [](double value) { return (double)(float)value; };  // a 32-bit float register
        enumeration("GainSelector", {"DigitalAll", "Red", "Green", "Blue"});
        model::Feature &gain = floating("Gain", 0);
        gain.floatMin = 0;
        gain.floatMax = 24;
        selects("GainSelector", {"Gain"});
        enumeration("ColorTransformationSelector", {"RGBtoRGB", "RGBtoYUV"});
        enumeration("ColorTransformationValueSelector", {"Gain00", "Gain01"});
        model::Feature &transform = floating("ColorTransformationValue", 0);
        transform.floatMin = -8;
        transform.floatMax = 8;
        selects("ColorTransformationSelector", {"ColorTransformationValueSelector", "ColorTransformationValue"});
        selects("ColorTransformationValueSelector", {"ColorTransformationValue"});
        string("DeviceUserID", "left");
        bytes("LUTValueAll", {0, 1, 2, 3, 4, 5, 6, 7});
        command("AcquisitionStart");
        integer("TLParamsLocked", 0, 0, 1).facts.streamable = false;
    }
    Sensor(const Sensor &) = delete;

    int64_t number(const std::string &name) { return value(name).integer; }
    // Puts a value under a selector's value, leaving the selector as it was.
    void putAt(const std::string &selector, const std::string &at, const std::string &name, const std::string &text)
    {
        std::string was = this->text(selector);
        put(selector, at);
        put(name, text);
        put(selector, was);
    }
};

const std::vector<std::string> kSelectors = {"GainSelector", "ColorTransformationSelector",
                                             "ColorTransformationValueSelector"};

std::vector<ConfigurationEntry> entries(const std::string &text)
{
    std::vector<ConfigurationEntry> lines;
    genicam::FileFault fault;
    EXPECT_TRUE(genicam::parseConfigurationFile(text, &lines, &fault)) << fault.line << ": " << fault.reason;
    return lines;
}

ApplyResult applyText(model::Camera &camera, const std::string &lines)
{
    return genicam::applyConfiguration(camera, entries(kMagic + lines));
}

CompareResult compareText(model::Camera &camera, const std::string &lines)
{
    return genicam::compareConfiguration(camera, entries(kMagic + lines));
}

// The failures as the tool's lines would show them: "line Name [sel]: reason".
std::string failures(const ApplyResult &result)
{
    std::string text;
    for (const genicam::ValueFailure &failure : result.failures)
        text += std::to_string(failure.line) + " " + failure.value.text() + ": " + failure.error.text + "\n";
    return text;
}

std::string differences(const CompareResult &result)
{
    std::string text;
    for (const genicam::Difference &difference : result.differences)
        text += std::to_string(difference.line) + " " + difference.value.text() +
                (difference.readable ? " is " : " cannot be read (") + difference.camera +
                (difference.readable ? "" : ")") + ", the file has " + difference.file + "\n";
    return text;
}

SaveResult save(model::Camera &camera)
{
    return genicam::saveConfiguration(camera, {"VisionAccess 1.0.0", "Maker", "Model", "21330417", "1.0.0"});
}

const char kSavedHeader[] = "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n"
                            "# GenApi persistence file written by VisionAccess 1.0.0\n"
                            "# Vendor = Maker -- Model = Model -- Serial number = 21330417 -- "
                            "Description version = 1.0.0\n";

TEST(ConfigurationSave, EveryStreamableValueInCategoryOrderSelectorsNestedAndSetBack)
{
    Sensor camera;
    camera.putAt("GainSelector", "Red", "Gain", "6");
    camera.put("ColorTransformationValue", "1.5");  // RGBtoRGB, Gain00
    camera.put("ColorTransformationSelector", "RGBtoYUV");
    camera.put("ColorTransformationValueSelector", "Gain01");
    camera.put("ColorTransformationValue", "-0.25");
    camera.put("ColorTransformationSelector", "RGBtoRGB");
    camera.put("GainSelector", "Green");
    camera.put("ExposureTime", "5000.5");
    std::string before = camera.state();

    SaveResult saved = save(camera);
    ASSERT_TRUE(saved.saved) << saved.reason;
    // Not saved: SensorWidth (read-only), AcquisitionFrameRate (not
    // available now), AcquisitionStart (a Command), TLParamsLocked (not
    // Streamable).
    EXPECT_EQ(saved.file, std::string(kSavedHeader) +
                              "Width\t1024\nOffsetX\t1024\nHeight\t1200\nPixelFormat\tMono8\nReverseX\t0\n"
                              "AcquisitionFrameRateEnable\t0\nExposureTime\t5000.5\n"
                              "GainSelector\tGreen\n"
                              "GainSelector\tDigitalAll\nGain\t0\nGainSelector\tRed\nGain\t6\n"
                              "GainSelector\tGreen\nGain\t0\nGainSelector\tBlue\nGain\t0\nGainSelector\tGreen\n"
                              "ColorTransformationSelector\tRGBtoRGB\n"
                              "ColorTransformationSelector\tRGBtoRGB\nColorTransformationValueSelector\tGain00\n"
                              "ColorTransformationSelector\tRGBtoYUV\nColorTransformationValueSelector\tGain01\n"
                              "ColorTransformationSelector\tRGBtoRGB\n"
                              "ColorTransformationSelector\tRGBtoRGB\n"
                              "ColorTransformationValueSelector\tGain00\nColorTransformationValue\t1.5\n"
                              "ColorTransformationValueSelector\tGain01\nColorTransformationValue\t0\n"
                              "ColorTransformationValueSelector\tGain00\n"
                              "ColorTransformationSelector\tRGBtoYUV\n"
                              "ColorTransformationValueSelector\tGain00\nColorTransformationValue\t0\n"
                              "ColorTransformationValueSelector\tGain01\nColorTransformationValue\t-0.25\n"
                              "ColorTransformationValueSelector\tGain01\n"
                              "ColorTransformationSelector\tRGBtoRGB\n"
                              "DeviceUserID\tleft\nLUTValueAll\t0x0001020304050607\n");
    // 17 feature lines and three selectors.
    EXPECT_EQ(saved.values, 20u);
    // The camera as it was: only selectors written, each set back.
    EXPECT_EQ(camera.state(), before);
    EXPECT_EQ(camera.writesBut(kSelectors), std::vector<std::string>());
    EXPECT_EQ(camera.text("GainSelector"), "Green");
    EXPECT_EQ(camera.text("ColorTransformationSelector"), "RGBtoRGB");
}

TEST(ConfigurationSave, SavesTheFrameRateOnlyWhenEnabledAndNothingLocked)
{
    Sensor camera;
    camera.put("AcquisitionFrameRateEnable", "1");
    camera.put("TLParamsLocked", "1");
    SaveResult saved = save(camera);
    ASSERT_TRUE(saved.saved) << saved.reason;
    EXPECT_NE(saved.file.find("\nAcquisitionFrameRateEnable\t1\nAcquisitionFrameRate\t30\nExposureTime\t"),
              std::string::npos)
        << saved.file;
    EXPECT_EQ(saved.file.find("\nWidth\t"), std::string::npos);
    EXPECT_EQ(saved.file.find("\nHeight\t"), std::string::npos);
}

TEST(ConfigurationSave, FailsNamingTheValueAndLeavesTheCameraAsItWas)
{
    Sensor tab;
    tab.put("DeviceUserID", "left\tcamera");
    SaveResult saved = save(tab);
    EXPECT_FALSE(saved.saved);
    EXPECT_EQ(saved.file, "");
    EXPECT_EQ(saved.reason, "DeviceUserID: holds a tab, CR, LF or NUL, which a configuration file cannot hold");

    // A read failing halfway through a selector's values: the selector is
    // set back all the same.
    Sensor failing;
    failing.put("GainSelector", "Red");
    std::string before = failing.state();
    failing.failRead = [&failing](const std::string &name, Error *error) {
        if (name != "Gain" || failing.text("GainSelector") != "Green")
            return true;
        *error = Error{ErrorKind::RegisterIo, "register 0x60044 could not be read (status 0x8000F00A)"};
        return false;
    };
    saved = save(failing);
    EXPECT_FALSE(saved.saved);
    EXPECT_EQ(saved.reason, "Gain [GainSelector=Green]: register 0x60044 could not be read (status 0x8000F00A)");
    EXPECT_EQ(failing.text("GainSelector"), "Red");
    EXPECT_EQ(failing.state(), before);
}

TEST(ConfigurationSave, SavedOnOneCameraAppliesToAnotherAndCompares)
{
    Sensor first;
    first.put("Width", "1536");
    first.put("OffsetX", "512");
    first.put("PixelFormat", "Mono12");
    first.put("AcquisitionFrameRateEnable", "1");
    first.put("AcquisitionFrameRate", "20");
    first.putAt("GainSelector", "Blue", "Gain", "3.5");
    first.put("ColorTransformationSelector", "RGBtoYUV");
    first.put("ColorTransformationValueSelector", "Gain01");
    first.put("ColorTransformationValue", "-7.75");
    first.put("DeviceUserID", "line 3, left");
    first.put("LUTValueAll", "0xFFEEDDCCBBAA9988");
    SaveResult saved = save(first);
    ASSERT_TRUE(saved.saved) << saved.reason;

    Sensor second;
    second.put("OffsetX", "0");
    second.put("Width", "2048");
    std::vector<ConfigurationEntry> lines = entries(saved.file);
    CompareResult before = genicam::compareConfiguration(second, lines);
    EXPECT_EQ(before.values, saved.values);
    EXPECT_EQ(differences(before),
              "4 Width is 2048, the file has 1536\n5 OffsetX is 0, the file has 512\n"
              "7 PixelFormat is Mono8, the file has Mono12\n9 AcquisitionFrameRateEnable is false, the file has 1\n"
              "10 AcquisitionFrameRate cannot be read (not available now), the file has 20\n"
              "20 Gain [GainSelector=Blue] is 0, the file has 3.5\n"
              "38 ColorTransformationValue [ColorTransformationSelector=RGBtoYUV, "
              "ColorTransformationValueSelector=Gain01] is 0, the file has -7.75\n"
              "39 ColorTransformationValueSelector [ColorTransformationSelector=RGBtoYUV] is Gain00, the file has "
              "Gain01\n"
              "40 ColorTransformationSelector is RGBtoRGB, the file has RGBtoYUV\n"
              "41 DeviceUserID is left, the file has line 3, left\n"
              "42 LUTValueAll is 00 01 02 03 04 05 06 07, the file has 0xffeeddccbbaa9988\n");

    ApplyResult applied = genicam::applyConfiguration(second, lines);
    EXPECT_EQ(failures(applied), "");
    EXPECT_EQ(applied.values, saved.values);
    EXPECT_EQ(second.state(), first.state());
    EXPECT_TRUE(genicam::compareConfiguration(second, lines).matches());
    EXPECT_EQ(second.text("ColorTransformationSelector"), "RGBtoYUV");
}

TEST(ConfigurationSave, AnIntegerSelectorIsWalkedThroughItsRangeUnlessItIsHeld)
{
    model::Camera camera;
    camera.integer("LUTIndex", 1, 0, 3).facts.streamable = false;
    camera.integer("LUTValue", 0, 0, 4095);
    camera.selects("LUTIndex", {"LUTValue"});
    camera.put("LUTIndex", "2");
    camera.put("LUTValue", "100");
    camera.put("LUTIndex", "1");
    SaveResult saved = save(camera);
    ASSERT_TRUE(saved.saved) << saved.reason;
    EXPECT_EQ(saved.file, std::string(kSavedHeader) +
                              "LUTIndex\t0\nLUTValue\t0\nLUTIndex\t1\nLUTValue\t0\nLUTIndex\t2\nLUTValue\t100\n"
                              "LUTIndex\t3\nLUTValue\t0\nLUTIndex\t1\n");
    EXPECT_EQ(saved.values, 5u);

    model::Camera other;
    other.integer("LUTIndex", 1, 0, 3).facts.streamable = false;
    other.integer("LUTValue", 0, 0, 4095);
    other.selects("LUTIndex", {"LUTValue"});
    other.put("LUTValue", "55");
    other.put("LUTIndex", "3");
    other.put("LUTValue", "66");
    ApplyResult applied = genicam::applyConfiguration(other, entries(saved.file));
    EXPECT_EQ(failures(applied), "");
    EXPECT_EQ(other.state(), camera.state());

    // A selector that cannot be moved now: the feature as it stands.
    camera.features.at("LUTIndex").locked = [] { return true; };
    saved = save(camera);
    ASSERT_TRUE(saved.saved) << saved.reason;
    EXPECT_EQ(saved.file, std::string(kSavedHeader) + "LUTValue\t0\n");
}

TEST(ConfigurationApply, EachValueCostsAReadToKeepItAWriteAndAReadBack)
{
    model::Camera plain;
    for (const char *name : {"A", "B", "C", "D"})
        plain.integer(name, 0);
    ApplyResult result = applyText(plain, "A\t1\nB\t2\nC\t3\nD\t4\n");
    EXPECT_EQ(failures(result), "");
    EXPECT_EQ(plain.reads, 8u);
    EXPECT_EQ(plain.writes, (std::vector<std::string>{"A=1", "B=2", "C=3", "D=4"}));

    // Values under one selector value share its moves.
    model::Camera camera;
    camera.enumeration("TriggerSelector", {"FrameStart", "AcquisitionStart"});
    camera.enumeration("TriggerMode", {"Off", "On"});
    camera.enumeration("TriggerSource", {"Software", "Line0", "Line1"});
    camera.selects("TriggerSelector", {"TriggerMode", "TriggerSource"});
    result = applyText(camera, "TriggerSelector\tFrameStart\nTriggerMode\tOn\nTriggerSource\tLine1\n"
                               "TriggerSelector\tAcquisitionStart\nTriggerMode\tOn\nTriggerSource\tLine0\n"
                               "TriggerSelector\tFrameStart\n");
    EXPECT_EQ(failures(result), "");
    EXPECT_EQ(camera.writesBut({"TriggerSelector"}),
              (std::vector<std::string>{"TriggerMode=On", "TriggerSource=Line1", "TriggerMode=On",
                                        "TriggerSource=Line0"}));
    // Keeping moves it twice, writing three times (the file's lines),
    // verifying twice; then it is where the file leaves it.
    EXPECT_EQ(camera.writes.size() - 4, 7u);
    EXPECT_EQ(camera.text("TriggerSelector"), "FrameStart");
    // The selector once at first, four values kept and read back, the
    // selector verified.
    EXPECT_EQ(camera.reads, 10u);
}

TEST(ConfigurationApply, WidthBeforeOffsetXOnASharedSensorIsDeferred)
{
    Sensor camera;  // Width 1024 at OffsetX 1024: Width may not exceed 1024
    ApplyResult result = applyText(camera, "Width\t2048\nOffsetX\t0\n");
    EXPECT_EQ(failures(result), "");
    EXPECT_EQ(result.values, 2u);
    EXPECT_EQ(camera.text("Width"), "2048");
    EXPECT_EQ(camera.text("OffsetX"), "0");
    EXPECT_EQ(camera.writes, (std::vector<std::string>{"Width=2048", "OffsetX=0", "Width=2048"}));

    // And the other way round, from a camera whose Width takes the sensor.
    ApplyResult back = applyText(camera, "OffsetX\t1024\nWidth\t1024\n");
    EXPECT_EQ(failures(back), "");
    EXPECT_EQ(camera.text("Width"), "1024");
    EXPECT_EQ(camera.text("OffsetX"), "1024");
}

TEST(ConfigurationApply, FrameRateBeforeItsEnableIsDeferred)
{
    Sensor camera;
    ApplyResult result = applyText(camera, "AcquisitionFrameRate\t20\nAcquisitionFrameRateEnable\t1\n");
    EXPECT_EQ(failures(result), "");
    EXPECT_EQ(camera.text("AcquisitionFrameRate"), "20");
    EXPECT_EQ(camera.text("AcquisitionFrameRateEnable"), "true");
}

TEST(ConfigurationApply, ChainsOfDeferralsSettleInPasses)
{
    Sensor camera;
    camera.put("OffsetX", "0");
    camera.put("Width", "2048");
    // OffsetX waits for Width, which waits for the lock: three passes.
    camera.put("TLParamsLocked", "1");
    camera.features.at("TLParamsLocked").facts.streamable = true;
    camera.features.at("Width").locked = nullptr;
    camera.features.at("Width").available = [&camera] { return camera.number("TLParamsLocked") == 0; };
    ApplyResult result = applyText(camera, "OffsetX\t1024\nWidth\t1024\nTLParamsLocked\t0\n");
    EXPECT_EQ(failures(result), "");
    // Width, not available, is not even tried before the lock is off.
    EXPECT_EQ(camera.writes, (std::vector<std::string>{"OffsetX=1024", "TLParamsLocked=0", "OffsetX=1024",
                                                       "Width=1024", "OffsetX=1024"}));
    EXPECT_EQ(camera.text("OffsetX"), "1024");
}

TEST(ConfigurationApply, NestedSelectorsEachValueWhereTheFileSaysAndSelectorsLeftAsTheFileLeavesThem)
{
    Sensor camera;
    ApplyResult result = applyText(camera,
                               "ColorTransformationSelector\tRGBtoYUV\n"
                               "ColorTransformationValueSelector\tGain01\n"
                               "ColorTransformationValue\t2.5\n"
                               "ColorTransformationSelector\tRGBtoRGB\n"
                               "ColorTransformationValue\t-1\n"  // the value selector in force: Gain01
                               "GainSelector\tRed\nGain\t6\nGainSelector\tBlue\nGain\t12\n"
                               "GainSelector\tDigitalAll\n");
    EXPECT_EQ(failures(result), "");
    EXPECT_EQ(result.values, 7u);  // three selectors, four values
    EXPECT_EQ(camera.state(), "ColorTransformationValue[ColorTransformationSelector=RGBtoRGB,"
                              "ColorTransformationValueSelector=Gain01]=-1\n"
                              "ColorTransformationValue[ColorTransformationSelector=RGBtoYUV,"
                              "ColorTransformationValueSelector=Gain01]=2.5\n"
                              "ColorTransformationValueSelector[ColorTransformationSelector=RGBtoRGB]=Gain01\n"
                              "ColorTransformationValueSelector[ColorTransformationSelector=RGBtoYUV]=Gain01\n"
                              "Gain[GainSelector=Blue]=12\nGain[GainSelector=Red]=6\n");
    EXPECT_EQ(camera.text("ColorTransformationSelector"), "RGBtoRGB");
    EXPECT_EQ(camera.text("GainSelector"), "DigitalAll");
}

TEST(ConfigurationApply, AValueSelectorWithOneValueForAllOuterValuesEndsAsTheFileLeavesIt)
{
    // The description says ColorTransformationSelector selects the value
    // selector; the camera keeps one value selector for both.
    Sensor first, second;
    for (Sensor *camera : {&first, &second})
        camera->features.at("ColorTransformationValueSelector").oneValue = true;
    first.put("ColorTransformationValueSelector", "Gain01");
    first.put("ColorTransformationValue", "-2");
    std::string firstBefore = first.state();
    SaveResult saved = save(first);
    ASSERT_TRUE(saved.saved) << saved.reason;
    EXPECT_EQ(first.state(), firstBefore);

    std::vector<ConfigurationEntry> lines = entries(saved.file);
    std::string secondBefore = second.state();
    EXPECT_EQ(differences(genicam::compareConfiguration(second, lines)),
              "31 ColorTransformationValue [ColorTransformationSelector=RGBtoRGB, "
              "ColorTransformationValueSelector=Gain01] is 0, the file has -2\n"
              "38 ColorTransformationValueSelector [ColorTransformationSelector=RGBtoYUV] is Gain00, the file has "
              "Gain01\n");
    EXPECT_EQ(second.state(), secondBefore);
    EXPECT_EQ(failures(genicam::applyConfiguration(second, lines)), "");
    EXPECT_EQ(second.state(), first.state());
    EXPECT_TRUE(genicam::compareConfiguration(second, lines).matches());
}

// A file saved from a camera whose value selector is one register for every
// transformation fails on another camera (its Width locked): the value
// selector is kept as the camera held it before anything moved it, so the
// restore puts back and verifies what was there, and says so.
TEST(ConfigurationApply, AFailedApplyRestoresAValueSelectorWithOneValueForAllOuterValues)
{
    Sensor first, second;
    for (Sensor *camera : {&first, &second})
        camera->features.at("ColorTransformationValueSelector").oneValue = true;
    first.put("ColorTransformationValue", "-2");
    first.put("Width", "512");
    second.put("TLParamsLocked", "1");
    SaveResult saved = save(first);
    ASSERT_TRUE(saved.saved) << saved.reason;
    std::string before = second.state();
    ApplyResult result = genicam::applyConfiguration(second, entries(saved.file));
    EXPECT_EQ(failures(result), "4 Width: locked\n6 Height: locked\n");
    EXPECT_TRUE(result.restored) << result.restoreReason;
    EXPECT_EQ(second.state(), before);
    EXPECT_EQ(second.text("ColorTransformationValueSelector"), "Gain00");
}

TEST(ConfigurationApply, AFailureHalfwayRestoresEveryValueWritten)
{
    Sensor camera;
    camera.put("GainSelector", "Green");
    camera.put("AcquisitionFrameRateEnable", "1");
    std::string before = camera.state();
    ApplyResult result = applyText(camera,
                               "Width\t800\n"
                               "GainSelector\tRed\nGain\t6\nGainSelector\tBlue\nGain\t30\n"  // above 24 for good
                               "AcquisitionFrameRateEnable\t0\n"
                               "DeviceUserID\tright\n"
                               "ExposureTime\t5000\n");
    EXPECT_FALSE(result.applied());
    EXPECT_EQ(failures(result), "6 Gain [GainSelector=Blue]: above the maximum\n");
    EXPECT_TRUE(result.restored) << result.restoreReason;
    // Written, then written back.
    for (const char *write : {"Width=800", "Gain=6", "AcquisitionFrameRateEnable=false", "DeviceUserID=right",
                              "ExposureTime=5000", "Width=1024", "Gain=0", "DeviceUserID=left",
                              "ExposureTime=10000", "AcquisitionFrameRateEnable=true"})
        EXPECT_NE(std::find(camera.writes.begin(), camera.writes.end(), write), camera.writes.end()) << write;
    EXPECT_EQ(camera.state(), before);
    EXPECT_EQ(camera.text("GainSelector"), "Green");
}

// The frame rate is not available until the file enables it, so its value
// is kept just before it is written; undone in the reverse order of the
// writes, it is written back while still enabled, then the enable is.
TEST(ConfigurationApply, AValueAvailableOnlyOnceTheFileEnablesItIsRestoredToo)
{
    Sensor camera;
    camera.put("AcquisitionFrameRateEnable", "1");
    camera.put("AcquisitionFrameRate", "30");
    camera.put("AcquisitionFrameRateEnable", "0");
    camera.put("OffsetX", "64");
    std::string before = camera.state();
    ApplyResult result = applyText(camera, "Width\t1984\nOffsetX\t0\nAcquisitionFrameRateEnable\t1\n"
                                           "AcquisitionFrameRate\t20\nGain\t30\n");
    EXPECT_EQ(failures(result), "6 Gain [GainSelector=DigitalAll]: above the maximum\n");
    EXPECT_TRUE(result.restored) << result.restoreReason;
    EXPECT_EQ(camera.state(), before);
    EXPECT_NE(std::find(camera.writes.begin(), camera.writes.end(), "AcquisitionFrameRate=30"), camera.writes.end());
}

TEST(ConfigurationApply, ALockedFeatureFailsAtOnceAndIsNotDeferred)
{
    Sensor camera;
    camera.put("TLParamsLocked", "1");
    ApplyResult result = applyText(camera, "ReverseX\t1\nHeight\t600\nPixelFormat\tMono12\n");
    EXPECT_EQ(failures(result), "3 Height: locked\n");
    EXPECT_TRUE(result.restored);
    EXPECT_EQ(camera.state(), "TLParamsLocked[]=1\n");
    EXPECT_EQ(std::count(camera.writes.begin(), camera.writes.end(), "Height=600"), 1);
}

TEST(ConfigurationApply, ARestoreThatFailsTooSaysWhy)
{
    Sensor camera;
    int gainWrites = 0;
    camera.failWrite = [&gainWrites](const std::string &name, const FeatureValue &, Error *error) {
        if (name != "Gain" || ++gainWrites == 1)
            return true;
        *error = Error{ErrorKind::RegisterIo, "register 0x60044 could not be written (status 0x8000F00A)"};
        return false;
    };
    ApplyResult result = applyText(camera, "Gain\t6\nDeviceUserID\tright\nWidth\t4000\n");
    EXPECT_EQ(failures(result), "4 Width: above the maximum (16 to 1024)\n");
    EXPECT_FALSE(result.restored);
    EXPECT_EQ(result.restoreReason,
              "Gain [GainSelector=DigitalAll]: register 0x60044 could not be written (status 0x8000F00A)");
    // What could be restored was.
    EXPECT_EQ(camera.text("DeviceUserID"), "left");
}

TEST(ConfigurationApply, ValuesThatCannotBeUsedAreAllNamedAndNothingIsWritten)
{
    Sensor camera;
    ApplyResult result = applyText(camera,
                               "Width\t800\n"
                               "Nope\t1\n"
                               "Height\t6OO\n"
                               "PixelFormat\tMono16\n"
                               "LUTValueAll\t0x0102\n"
                               "AcquisitionStart\t1\n"
                               "SensorWidth\t2048\n"
                               "GainSelector\tPurple\n"
                               "Gain\t1\n");
    EXPECT_EQ(failures(result), "3 Nope: no such feature\n"
                                "4 Height: not an integer: '6OO'\n"
                                "5 PixelFormat: not an entry of PixelFormat (Mono8, Mono12, BayerRG8)\n"
                                "6 LUTValueAll: 2 bytes, but LUTValueAll is a register of 8\n"
                                "7 AcquisitionStart: a command: it is executed, not set from a file\n"
                                "9 GainSelector: not an entry of GainSelector (DigitalAll, Red, Green, Blue)\n");
    EXPECT_TRUE(result.restored);
    EXPECT_EQ(camera.writes, std::vector<std::string>());
    EXPECT_EQ(result.values, 9u);
}

TEST(ConfigurationApply, ReadOnlyAndUnavailableEntriesFailWithTheirReason)
{
    Sensor camera;
    ApplyResult result = applyText(camera, "SensorWidth\t2048\nPixelFormat\tBayerRG8\n");
    EXPECT_EQ(failures(result), "2 SensorWidth: not writable\n3 PixelFormat: BayerRG8 is not available now\n");
    EXPECT_TRUE(result.restored);
    EXPECT_EQ(camera.state(), "");
}

TEST(ConfigurationApply, FloatsVerifyWithinTheirToleranceAndOtherwiseAreRestored)
{
    const struct {
        std::string text;
        double bias;  // what the camera adds to a value written
        std::string failure;
    } cases[] = {
        {"2.53333", 0, ""},
        {"59.0", 0.049, ""},
        {"59.00", 0.049, "2 Gamma: read back as 59.049\n"},
        {"1000", 0.01, ""},
        {"1000", 0.02, "2 Gamma: read back as 1000.02\n"},
    };
    for (const auto &c : cases) {
        model::Camera camera;
        model::Feature &gamma = camera.floating("Gamma", 1);
        double bias = c.bias;
        gamma.stored = [bias](double value) { return value == 1 ? value : (double)(float)value + bias; };
        ApplyResult result = applyText(camera, "Gamma\t" + c.text + "\n");
        EXPECT_EQ(failures(result), c.failure) << c.text;
        EXPECT_TRUE(result.restored) << c.text;
        if (!c.failure.empty()) {
            EXPECT_EQ(camera.text("Gamma"), "1") << c.text;
        }
    }
}

TEST(ConfigurationApply, AFileAnotherToolWroteAppliesAndVerifies)
{
    Sensor camera;
    camera.features.at("Gain").stored = [](double value) { return (double)(float)value; };
    std::string file = "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\r\n"
                       "# GenApi persistence file (version 3.1.0)\r\n"
                       "# Device = Model -- A camera -- Device version = 1.0.0 -- Product GUID = 1 -- "
                       "Product version GUID = 2\r\n"
                       "Width\t1280\r\n"
                       "OffsetX\t768\r\n"
                       "ReverseX\t1\r\n"
                       "PixelFormat\tMono12\r\n"
                       "ExposureTime\t4999.99902\r\n"
                       "GainSelector\tRed\r\n"
                       "Gain\t1.00000\r\n"
                       "GainSelector\tGreen\r\n"
                       "Gain\t1.24292\r\n"
                       "GainSelector\tBlue\r\n"
                       "Gain\t3.43872\r\n"
                       "GainSelector\tRed\r\n"
                       "\r\n"
                       "LUTValueAll\t0x0000000000000200\r\n";
    std::vector<ConfigurationEntry> lines = entries(file);
    ApplyResult result = genicam::applyConfiguration(camera, lines);
    EXPECT_EQ(failures(result), "");
    EXPECT_EQ(result.values, 10u);
    EXPECT_EQ(camera.text("OffsetX"), "768");
    EXPECT_EQ(camera.text("GainSelector"), "Red");
    camera.put("GainSelector", "Blue");
    FeatureValue blue;
    blue.form = genicam::ValueForm::Float;
    blue.floating = (double)(float)3.43872;
    EXPECT_EQ(camera.text("Gain"), genicam::configuration::readText(blue));
    camera.put("GainSelector", "Red");
    EXPECT_EQ(differences(genicam::compareConfiguration(camera, lines)), "");
}

TEST(ConfigurationApply, TakesWhatWriteTakes)
{
    Sensor camera;
    ApplyResult result = applyText(camera, "ReverseX\ttrue\nWidth\t0x320\nPixelFormat\t1\nLUTValueAll\t00 11 22 33 44 "
                                       "55 66 77\nDeviceUserID\t  \n");
    EXPECT_EQ(failures(result), "");
    EXPECT_EQ(camera.text("ReverseX"), "true");
    EXPECT_EQ(camera.text("Width"), "800");
    EXPECT_EQ(camera.text("PixelFormat"), "Mono12");
    EXPECT_EQ(camera.text("LUTValueAll"), "00 11 22 33 44 55 66 77");
    EXPECT_EQ(camera.text("DeviceUserID"), "  ");
}

TEST(ConfigurationApply, AValueTheCameraTakesOtherwiseIsNotReportedAsApplied)
{
    // A camera that quietly rounds Width down to its sensor's blocks.
    Sensor camera;
    camera.features.at("Width").inc = 1;
    camera.features.at("Width").storedInteger = [](int64_t value) { return value / 16 * 16; };
    ApplyResult result = applyText(camera, "ReverseX\t1\nWidth\t1000\n");
    EXPECT_EQ(failures(result), "3 Width: read back as 992\n");
    EXPECT_TRUE(result.restored) << result.restoreReason;
    EXPECT_EQ(camera.text("Width"), "1024");
    EXPECT_EQ(camera.text("ReverseX"), "false");
}

TEST(ConfigurationCompare, NamesEachDifferenceWritesOnlySelectorsAndSetsThemBack)
{
    Sensor camera;
    camera.putAt("GainSelector", "Red", "Gain", "6");
    camera.put("GainSelector", "Blue");
    std::string before = camera.state();
    CompareResult result = compareText(camera,
                                   "Width\t1024\n"
                                   "GainSelector\tRed\nGain\t6\n"
                                   "GainSelector\tDigitalAll\nGain\t1.5\n"
                                   "GainSelector\tRed\n"
                                   "ExposureTime\t10000.00001\n"
                                   "AcquisitionFrameRate\t20\n"
                                   "ReverseX\t1\n"
                                   "Nope\t3\n");
    EXPECT_EQ(result.values, 8u);
    EXPECT_EQ(differences(result), "6 Gain [GainSelector=DigitalAll] is 0, the file has 1.5\n"
                                   "7 GainSelector is Blue, the file has Red\n"
                                   "9 AcquisitionFrameRate cannot be read (not available now), the file has 20\n"
                                   "10 ReverseX is false, the file has 1\n"
                                   "11 Nope cannot be read (no such feature), the file has 3\n");
    EXPECT_TRUE(result.putBack);
    EXPECT_EQ(camera.writesBut({"GainSelector"}), std::vector<std::string>());
    EXPECT_EQ(camera.text("GainSelector"), "Blue");
    EXPECT_EQ(camera.state(), before);

    EXPECT_TRUE(compareText(camera, "Width\t1024\nGainSelector\tRed\nGain\t6\nGainSelector\tBlue\n").matches());
}

} // namespace

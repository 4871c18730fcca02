// What the GenICam engine tells a caller that saves, applies and compares a
// camera's configuration: each feature's form, whether it is streamable,
// its selectors, its access now, the usable entries of an Enumeration, its
// value as a value, and one walk over the categories with all of these.
#include "GenicamCamera.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using genicam::Error;
using genicam::ErrorKind;
using genicam::FeatureAccess;
using genicam::FeatureInfo;
using genicam::FeatureValue;
using genicam::ValueForm;

const char *const kCamera = R"(
<Category Name="Root"><pFeature>ImageFormat</pFeature><pFeature>Analog</pFeature><pFeature>Color</pFeature>
  <pFeature>Hidden</pFeature><pFeature>Ghost</pFeature></Category>
<Category Name="ImageFormat"><pFeature>Width</pFeature><pFeature>PixelFormat</pFeature><pFeature>DeviceTemp</pFeature>
  <pFeature>Start</pFeature><pFeature>Width</pFeature><pFeature>Offset</pFeature></Category>
<Category Name="Analog"><pFeature>GainSelector</pFeature><pFeature>Gain</pFeature><pFeature>Exposure</pFeature>
  <pFeature>Lut</pFeature><pFeature>UserName</pFeature><pFeature>Reverse</pFeature><pFeature>Unstable</pFeature>
  </Category>
<Category Name="Color"><pFeature>ColorTransformationSelector</pFeature>
  <pFeature>ColorTransformationValueSelector</pFeature><pFeature>ColorTransformationValue</pFeature></Category>
<Category Name="Hidden"><pIsImplemented>Zero</pIsImplemented><pFeature>Secret</pFeature></Category>
<Integer Name="Zero"><Value>0</Value></Integer>
<Integer Name="WidthLock"><Value>0</Value></Integer>
<Integer Name="Mono12Ready"><Value>0</Value></Integer>
<Integer Name="Secret"><Value>1</Value></Integer>
<IntReg Name="WidthReg"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<Integer Name="Width"><Streamable>Yes</Streamable><pIsLocked>WidthLock</pIsLocked><pValue>WidthReg</pValue></Integer>
<IntSwissKnife Name="Offset"><pVariable Name="W">Width</pVariable><Formula>W / 2</Formula></IntSwissKnife>
<IntReg Name="Mono16Ready"><Address>0x500</Address><Length>1</Length><pPort>Device</pPort></IntReg>
<IntReg Name="Failing"><Address>0xdead0</Address><Length>4</Length><pPort>Device</pPort></IntReg>
<Enumeration Name="PixelFormat"><Streamable>Yes</Streamable>
  <EnumEntry Name="Mono8"><Value>1</Value></EnumEntry>
  <EnumEntry Name="Mono10"><pIsImplemented>Zero</pIsImplemented><Value>2</Value></EnumEntry>
  <EnumEntry Name="EnumEntry_PixelFormat_Mono12"><pIsAvailable>Mono12Ready</pIsAvailable><Value>3</Value>
    <Symbolic>Mono12</Symbolic></EnumEntry>
  <EnumEntry Name="Mono16"><pIsAvailable>Mono16Ready</pIsAvailable><Value>4</Value></EnumEntry>
  <Value>1</Value>
</Enumeration>
<Enumeration Name="Flaky"><EnumEntry Name="A"><pIsAvailable>Failing</pIsAvailable><Value>0</Value></EnumEntry>
  <Value>0</Value></Enumeration>
<FloatReg Name="DeviceTemp"><Address>0x200</Address><Length>4</Length><AccessMode>RO</AccessMode>
  <pPort>Device</pPort></FloatReg>
<Command Name="Start"><pValue>WidthReg</pValue><CommandValue>1</CommandValue></Command>
<Enumeration Name="GainSelector"><Streamable>Yes</Streamable>
  <pSelected>Gain</pSelected><pSelected>Gain</pSelected><pSelected>Missing</pSelected>
  <EnumEntry Name="AnalogAll"><Value>0</Value></EnumEntry><EnumEntry Name="DigitalAll"><Value>1</Value></EnumEntry>
  <Value>0</Value></Enumeration>
<FloatReg Name="Gain"><Streamable>Yes</Streamable><Address>0x300</Address><pIndex Offset="8">GainSelector</pIndex>
  <Length>8</Length><AccessMode>RW</AccessMode><pPort>Device</pPort><Endianess>BigEndian</Endianess></FloatReg>
<FloatReg Name="ExposureReg"><Address>0x208</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </FloatReg>
<Float Name="Exposure"><Streamable>No</Streamable><pValue>ExposureReg</pValue></Float>
<Register Name="Lut"><Streamable>Yes</Streamable><Address>0x400</Address><Length>4</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort></Register>
<StringReg Name="UserName"><Streamable>Yes</Streamable><Address>0x600</Address><Length>8</Length>
  <AccessMode>RW</AccessMode><pPort>Device</pPort></StringReg>
<Boolean Name="Reverse"><Streamable>Yes</Streamable><Value>true</Value></Boolean>
<Integer Name="Unstable"><pIsAvailable>Failing</pIsAvailable><Value>3</Value></Integer>
<Enumeration Name="ColorTransformationSelector"><Streamable>Yes</Streamable>
  <pSelected>ColorTransformationValueSelector</pSelected><pSelected>ColorTransformationValue</pSelected>
  <EnumEntry Name="RGBtoRGB"><Value>0</Value></EnumEntry><EnumEntry Name="RGBtoYUV"><Value>1</Value></EnumEntry>
  <Value>0</Value></Enumeration>
<Enumeration Name="ColorTransformationValueSelector"><Streamable>Yes</Streamable>
  <pSelected>ColorTransformationValue</pSelected>
  <EnumEntry Name="Gain00"><Value>0</Value></EnumEntry><EnumEntry Name="Gain01"><Value>1</Value></EnumEntry>
  <Value>0</Value></Enumeration>
<Float Name="ColorTransformationValue"><Streamable>Yes</Streamable><Value>1</Value><Min>-8</Min><Max>8</Max></Float>
)";

std::string joined(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ",") + name;
    return text;
}

// "IA-RW": implemented, available, locked (L) or not (-), readable, writable.
std::string letters(const FeatureAccess &access)
{
    std::string text;
    text += access.implemented ? 'I' : '.';
    text += access.available ? 'A' : '.';
    text += access.locked ? 'L' : '-';
    text += access.readable ? 'R' : '.';
    text += access.writable ? 'W' : '.';
    return text;
}

std::string kindText(const Error &error)
{
    return std::string(genicam::errorKindName(error.kind)) + ": " + error.text;
}

// ---------------------------------------------------------------------------
// What the description says about a feature.
// ---------------------------------------------------------------------------

TEST(FeatureFacts, FormStreamableAndSelectorsBothWays)
{
    Camera camera(kCamera);
    const struct {
        const char *name;
        const char *type;
        ValueForm form;
        bool streamable;
        const char *selectors;
        const char *selected;
    } cases[] = {
        {"Width", "Integer", ValueForm::Integer, true, "", ""},
        {"Offset", "IntSwissKnife", ValueForm::Integer, false, "", ""},
        {"PixelFormat", "Enumeration", ValueForm::Enumeration, true, "", ""},
        {"DeviceTemp", "FloatReg", ValueForm::Float, false, "", ""},
        {"Exposure", "Float", ValueForm::Float, false, "", ""},
        {"Start", "Command", ValueForm::Command, false, "", ""},
        // A pSelected given twice counts once; one naming no node, never.
        {"GainSelector", "Enumeration", ValueForm::Enumeration, true, "", "Gain"},
        {"Gain", "FloatReg", ValueForm::Float, true, "GainSelector", ""},
        {"Lut", "Register", ValueForm::Register, true, "", ""},
        {"UserName", "StringReg", ValueForm::String, true, "", ""},
        {"Reverse", "Boolean", ValueForm::Boolean, true, "", ""},
        {"ColorTransformationSelector", "Enumeration", ValueForm::Enumeration, true, "",
         "ColorTransformationValueSelector,ColorTransformationValue"},
        {"ColorTransformationValueSelector", "Enumeration", ValueForm::Enumeration, true,
         "ColorTransformationSelector", "ColorTransformationValue"},
        {"ColorTransformationValue", "Float", ValueForm::Float, true,
         "ColorTransformationSelector,ColorTransformationValueSelector", ""},
        {"ImageFormat", "Category", ValueForm::None, false, "", ""},
        {"Device", "Port", ValueForm::None, false, "", ""},
    };
    for (const auto &c : cases) {
        FeatureInfo info;
        Error error;
        ASSERT_TRUE(camera.session->info(c.name, &info, &error)) << c.name << ": " << error.text;
        EXPECT_EQ(info.name, c.name);
        EXPECT_EQ(info.type, c.type) << c.name;
        EXPECT_STREQ(genicam::valueFormName(info.form), genicam::valueFormName(c.form)) << c.name;
        EXPECT_EQ(info.streamable, c.streamable) << c.name;
        EXPECT_EQ(joined(info.selectors), c.selectors) << c.name;
        EXPECT_EQ(joined(info.selected), c.selected) << c.name;
    }
    FeatureInfo info;
    Error error;
    EXPECT_FALSE(camera.session->info("Missing", &info, &error));
    EXPECT_EQ(kindText(error), "NoSuchFeature: no such feature");
    EXPECT_TRUE(camera.port.reads.empty());
}

// Selectors are found in the document's order, whatever order the features
// were asked in, and a StructEntry has its StructReg's pSelected too.
TEST(FeatureFacts, SelectorsAreInDocumentOrder)
{
    Camera camera(R"(
<Integer Name="Value"><Value>1</Value></Integer>
<Enumeration Name="Late"><pSelected>Value</pSelected><EnumEntry Name="A"><Value>0</Value></EnumEntry>
  <Value>0</Value></Enumeration>
<StructReg Comment="fields"><Address>0</Address><Length>4</Length><pPort>Device</pPort><pSelected>Value</pSelected>
  <StructEntry Name="Field"><Bit>0</Bit></StructEntry></StructReg>
<Enumeration Name="Early"><pSelected>Value</pSelected><pSelected>Field</pSelected>
  <EnumEntry Name="A"><Value>0</Value></EnumEntry><Value>0</Value></Enumeration>)");
    FeatureInfo info;
    Error error;
    ASSERT_TRUE(camera.session->info("Early", &info, &error)) << error.text;
    EXPECT_EQ(joined(info.selected), "Value,Field");
    ASSERT_TRUE(camera.session->info("Value", &info, &error)) << error.text;
    EXPECT_EQ(joined(info.selectors), "Late,Field,Early");
    ASSERT_TRUE(camera.session->info("Field", &info, &error)) << error.text;
    EXPECT_EQ(joined(info.selectors), "Early");
    EXPECT_EQ(joined(info.selected), "Value");
}

// ---------------------------------------------------------------------------
// What a feature allows now.
// ---------------------------------------------------------------------------

TEST(FeatureAccessNow, FollowsConditionsLocksAndWhatAFeatureStandsFor)
{
    Camera camera(kCamera + std::string(R"(
<Integer Name="Off"><pIsAvailable>Zero</pIsAvailable><Value>1</Value></Integer>
<Integer Name="ThroughOff"><pValue>Off</pValue></Integer>
<Integer Name="ThroughLocked"><pValue>Width</pValue></Integer>
<IntReg Name="WriteOnly"><Address>0x700</Address><Length>4</Length><AccessMode>WO</AccessMode><pPort>Device</pPort>
  </IntReg>)"));
    camera.port.failing[0xdead0] = true;
    const struct {
        const char *name;
        const char *access;  // letters(), or "<Kind>: <reason>"
    } before[] = {
        {"Width", "IA-RW"},
        {"ThroughLocked", "IA-RW"},
        {"DeviceTemp", "IA-R."},
        {"WriteOnly", "IA-.W"},
        {"Offset", "IA-R."},
        {"Start", "IA-.W"},
        {"Secret", "IA-RW"},
        {"Hidden", "..-.."},
        {"Off", "I.-.."},
        {"ThroughOff", "I.-.."},
        {"ImageFormat", "IA-.."},
        {"Device", "IA-.."},
        {"Unstable", "RegisterIo: register 0xdead0 could not be read (status 0x8003)"},
        {"Missing", "NoSuchFeature: no such feature"},
    };
    auto accessOf = [&](const char *name) {
        FeatureAccess access;
        Error error;
        return camera.session->access(name, &access, &error) ? letters(access) : kindText(error);
    };
    for (const auto &c : before)
        EXPECT_EQ(accessOf(c.name), c.access) << c.name;
    ASSERT_EQ(camera.write("WidthLock", "1"), "ok");
    EXPECT_EQ(accessOf("Width"), "IALR.");
    EXPECT_EQ(accessOf("ThroughLocked"), "IALR.");
    EXPECT_EQ(camera.write("Width", "5"), "error: locked");
    EXPECT_TRUE(camera.port.writes.empty());
}

// ---------------------------------------------------------------------------
// The entries an Enumeration can take now.
// ---------------------------------------------------------------------------

TEST(UsableEntries, AreTheImplementedAndAvailableOnesAsWritten)
{
    Camera camera(kCamera);
    camera.port.failing[0xdead0] = true;
    auto usable = [&](const char *name) {
        std::vector<std::string> entries = {"stale"};
        Error error;
        return camera.session->entries(name, &entries, &error) ? joined(entries) : kindText(error);
    };
    EXPECT_EQ(usable("PixelFormat"), "Mono8");
    camera.port.put(0x500, "01");
    EXPECT_EQ(usable("PixelFormat"), "Mono8,Mono16");
    ASSERT_EQ(camera.write("Mono12Ready", "1"), "ok");
    EXPECT_EQ(usable("PixelFormat"), "Mono8,Mono12,Mono16");
    // Each usable entry can be written, and reads back as given.
    for (const char *entry : {"Mono8", "Mono12", "Mono16"}) {
        EXPECT_EQ(camera.write("PixelFormat", entry), "ok") << entry;
        EXPECT_EQ(camera.read("PixelFormat"), entry);
    }
    EXPECT_EQ(usable("GainSelector"), "AnalogAll,DigitalAll");
    EXPECT_EQ(usable("Flaky"), "RegisterIo: register 0xdead0 could not be read (status 0x8003)");
    EXPECT_EQ(usable("Width"), "NoSuchFeature: not an enumeration");
    EXPECT_EQ(usable("Missing"), "NoSuchFeature: no such feature");
}

// Every implemented entry with its value, usable or not: what saving walks
// and applying parses entries by.
TEST(EntryFactsNow, GiveEachImplementedEntrysValueAndWhetherItIsUsable)
{
    Camera camera(kCamera);
    camera.port.failing[0xdead0] = true;
    auto facts = [&](const char *name) {
        std::vector<genicam::EntryFacts> entries(1);
        Error error;
        if (!camera.session->entries(name, &entries, &error))
            return kindText(error);
        std::string text;
        for (const genicam::EntryFacts &entry : entries)
            text += (text.empty() ? "" : ",") + entry.name + "=" + std::to_string(entry.value) +
                    (entry.usable ? "" : " (not usable)");
        return text;
    };
    // Mono10 is not implemented: never listed.
    EXPECT_EQ(facts("PixelFormat"), "Mono8=1,Mono12=3 (not usable),Mono16=4 (not usable)");
    camera.port.put(0x500, "01");
    ASSERT_EQ(camera.write("Mono12Ready", "1"), "ok");
    EXPECT_EQ(facts("PixelFormat"), "Mono8=1,Mono12=3,Mono16=4");
    EXPECT_EQ(facts("GainSelector"), "AnalogAll=0,DigitalAll=1");
    EXPECT_EQ(facts("Flaky"), "RegisterIo: register 0xdead0 could not be read (status 0x8003)");
    EXPECT_EQ(facts("Width"), "NoSuchFeature: not an enumeration");
    EXPECT_EQ(facts("Missing"), "NoSuchFeature: no such feature");
    EXPECT_TRUE(camera.port.writes.empty());
}

// ---------------------------------------------------------------------------
// An integer feature's bounds now: what saving walks an Integer selector by.
// ---------------------------------------------------------------------------

TEST(IntegerRangeNow, IsTheFeaturesOwnOrWhatItStandsFor)
{
    Camera camera(R"(
<Integer Name="Fixed"><Value>16</Value><Min>16</Min><Max>2048</Max><Inc>16</Inc></Integer>
<IntReg Name="MaxReg"><Address>0x10</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<Integer Name="Moving"><Value>0</Value><Min>-3</Min><pMax>MaxReg</pMax></Integer>
<IntReg Name="Byte"><Address>0x20</Address><Length>1</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="Signed2"><Address>0x22</Address><Length>2</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  <Sign>Signed</Sign></IntReg>
<IntReg Name="Wide"><Address>0x28</Address><Length>8</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  <Sign>Signed</Sign></IntReg>
<Integer Name="OverByte"><pValue>Byte</pValue></Integer>
<Integer Name="OverByteFrom2"><pValue>Byte</pValue><Min>2</Min><Inc>2</Inc></Integer>
<Integer Name="Twice"><pValue>OverByteFrom2</pValue></Integer>
<MaskedIntReg Name="Field"><Address>0x30</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  <LSB>4</LSB><MSB>6</MSB></MaskedIntReg>
<MaskedIntReg Name="SignedField"><Address>0x30</Address><Length>4</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort><LSB>8</LSB><MSB>10</MSB><Sign>Signed</Sign></MaskedIntReg>
<IntSwissKnife Name="Knife"><Formula>1</Formula></IntSwissKnife>
<Integer Name="NoStep"><Value>0</Value><Inc>0</Inc></Integer>
<Integer Name="Loop1"><pValue>Loop2</pValue></Integer>
<Integer Name="Loop2"><pValue>Loop1</pValue></Integer>
<Integer Name="Broken"><Value>0</Value><pMax>Nowhere</pMax></Integer>
<Float Name="Rate"><Value>1</Value><Min>0</Min><Max>10</Max></Float>)");
    camera.port.put(0x10, "e8 03 00 00");  // 1000
    auto range = [&](const char *name) {
        genicam::IntegerRange range;
        Error error;
        if (!camera.session->range(name, &range, &error))
            return kindText(error);
        return std::to_string(range.min) + ".." + std::to_string(range.max) + " step " + std::to_string(range.inc);
    };
    const struct {
        const char *name;
        const char *range;
    } cases[] = {
        {"Fixed", "16..2048 step 16"},
        {"Moving", "-3..1000 step 1"},
        {"Byte", "0..255 step 1"},
        {"Signed2", "-32768..32767 step 1"},
        {"Wide", "-9223372036854775808..9223372036854775807 step 1"},
        {"OverByte", "0..255 step 1"},
        {"OverByteFrom2", "2..255 step 2"},
        {"Twice", "2..255 step 2"},
        {"Field", "0..7 step 1"},
        {"SignedField", "-4..3 step 1"},
        {"Knife", "-9223372036854775808..9223372036854775807 step 1"},
        {"NoStep", "FaultyDescription: the description is faulty at NoStep: its increment is not positive"},
        {"Loop1", "FaultyDescription: the description is faulty at Loop1: its bounds come through more than 16 nodes"},
        {"Broken", "FaultyDescription: the description is faulty at Broken: it refers to 'Nowhere', which is not in "
                   "the description"},
        {"Rate", "NoSuchFeature: not an integer"},
        {"Missing", "NoSuchFeature: no such feature"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(range(c.name), c.range) << c.name;
    // A bound another feature gives is read now, each time.
    camera.port.put(0x10, "00 01 00 00");
    EXPECT_EQ(range("Moving"), "-3..256 step 1");
    EXPECT_TRUE(camera.port.writes.empty());
}

// ---------------------------------------------------------------------------
// A value as the value itself.
// ---------------------------------------------------------------------------

TEST(TypedReads, GiveTheDoubleItselfAndARegistersBytes)
{
    Camera camera(kCamera);
    camera.port.put(0x100, "80 07 00 00");
    camera.port.put(0x200, "cd cc cc 3d");               // 0.1 as a float
    camera.port.put(0x308, "3f b9 99 99 99 99 99 9a");   // 0.1 as a double, DigitalAll's
    camera.port.put(0x400, "00 ff 10 7f");
    camera.port.put(0x600, "43 61 6d 00 ff ff ff ff");
    ASSERT_EQ(camera.write("GainSelector", "DigitalAll"), "ok");
    auto value = [&](const char *name, FeatureValue *value) {
        Error error;
        bool read = camera.session->readValue(name, value, &error);
        EXPECT_TRUE(read) << name << ": " << error.text;
        return read;
    };
    FeatureValue v;
    ASSERT_TRUE(value("Width", &v));
    EXPECT_EQ(v.form, ValueForm::Integer);
    EXPECT_EQ(v.integer, 1920);
    ASSERT_TRUE(value("DeviceTemp", &v));
    EXPECT_EQ(v.form, ValueForm::Float);
    EXPECT_EQ(v.floating, (double)0.1f);
    EXPECT_EQ(camera.read("DeviceTemp"), "0.10000000149011612");
    ASSERT_TRUE(value("Gain", &v));
    EXPECT_EQ(v.floating, 0.1);
    ASSERT_TRUE(value("PixelFormat", &v));
    EXPECT_EQ(v.form, ValueForm::Enumeration);
    EXPECT_EQ(v.text, "Mono8");
    EXPECT_EQ(v.integer, 1);
    ASSERT_TRUE(value("GainSelector", &v));
    EXPECT_EQ(v.text, "DigitalAll");
    EXPECT_EQ(v.integer, 1);
    ASSERT_TRUE(value("Reverse", &v));
    EXPECT_EQ(v.form, ValueForm::Boolean);
    EXPECT_EQ(v.integer, 1);
    ASSERT_TRUE(value("UserName", &v));
    EXPECT_EQ(v.form, ValueForm::String);
    EXPECT_EQ(v.text, "Cam");
    ASSERT_TRUE(value("Lut", &v));
    EXPECT_EQ(v.form, ValueForm::Register);
    EXPECT_EQ(v.bytes, std::vector<uint8_t>({0x00, 0xff, 0x10, 0x7f}));
    EXPECT_TRUE(v.text.empty());

    Error error;
    EXPECT_FALSE(camera.session->readValue("Start", &v, &error));
    EXPECT_EQ(kindText(error), "NotReadable: a command: it is executed, not read");
    EXPECT_FALSE(camera.session->readValue("ImageFormat", &v, &error));
    EXPECT_EQ(kindText(error), "NoSuchFeature: a category, not a value");
    EXPECT_TRUE(camera.port.writes.empty());
}

// ---------------------------------------------------------------------------
// One walk over the categories.
// ---------------------------------------------------------------------------

TEST(Walk, GivesWhatListShowsWithFactsAndAccessAndReadsNoValue)
{
    Camera camera(kCamera);
    camera.port.failing[0xdead0] = true;
    std::vector<std::string> walked;
    camera.session->walk([&](const Session::Walked &feature) {
        std::string line = feature.path + " " + feature.info.name + " " + genicam::valueFormName(feature.info.form) +
                           (feature.info.streamable ? " streamable" : "");
        if (!feature.info.selectors.empty())
            line += " [" + joined(feature.info.selectors) + "]";
        line += feature.error.kind == ErrorKind::None ? " " + letters(feature.access) : " " + kindText(feature.error);
        walked.push_back(line);
    });
    std::vector<std::string> expected = {
        "Root/ImageFormat Width Integer streamable IA-RW",
        "Root/ImageFormat PixelFormat Enumeration streamable IA-RW",
        "Root/ImageFormat DeviceTemp Float IA-R.",
        "Root/ImageFormat Start Command IA-.W",
        "Root/ImageFormat Offset Integer IA-R.",
        "Root/Analog GainSelector Enumeration streamable IA-RW",
        "Root/Analog Gain Float streamable [GainSelector] IA-RW",
        "Root/Analog Exposure Float IA-RW",
        "Root/Analog Lut Register streamable IA-RW",
        "Root/Analog UserName String streamable IA-RW",
        "Root/Analog Reverse Boolean streamable IA-RW",
        "Root/Analog Unstable Integer RegisterIo: register 0xdead0 could not be read (status 0x8003)",
        "Root/Color ColorTransformationSelector Enumeration streamable IA-RW",
        "Root/Color ColorTransformationValueSelector Enumeration streamable [ColorTransformationSelector] IA-RW",
        "Root/Color ColorTransformationValue Float streamable "
        "[ColorTransformationSelector,ColorTransformationValueSelector] IA-RW",
        "Root Ghost None FaultyDescription: the description is faulty at Root: it refers to 'Ghost', which is not "
        "in the description",
    };
    EXPECT_EQ(walked, expected);
    // The access of Unstable is all that was read: no value.
    ASSERT_EQ(camera.port.reads.size(), 1u);
    EXPECT_EQ(camera.port.reads[0].address, 0xdead0u);
    EXPECT_TRUE(camera.port.writes.empty());

    // list() shows the same features in the same order.
    std::vector<std::string> listed;
    camera.session->list([&](const Session::Listed &line) { listed.push_back(line.path + " " + line.name); });
    ASSERT_EQ(listed.size(), walked.size());
    for (size_t k = 0; k < listed.size(); k++)
        EXPECT_EQ(walked[k].rfind(listed[k] + " ", 0), 0u) << walked[k];
}

TEST(Walk, SaysWhenThereIsNoRootCategory)
{
    Camera camera("<Integer Name=\"Width\"><Value>1</Value></Integer>");
    std::vector<std::string> walked;
    camera.session->walk([&](const Session::Walked &feature) {
        walked.push_back(feature.info.name + ": " + kindText(feature.error));
    });
    EXPECT_EQ(walked, std::vector<std::string>{"Root: FaultyDescription: the description has no Root category"});
}

} // namespace

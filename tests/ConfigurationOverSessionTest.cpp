// Saving, applying and comparing configurations through the GenICam
// engine's own Session, on register memory: what the module does for -o, -p
// and -m.  Every register is compared before and after, so a save or a
// comparison that changes a camera, or a failed apply that leaves one half
// configured, fails here.
#include "configuration/Configuration.h"
#include "GenicamCamera.h"
#include "configuration/SessionFeatures.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using genicam::ConfigurationEntry;

// A sensor of 2048 pixels that Width and OffsetX share, a lock on Width, an
// Integer selector (Index) over a register per index, and a host-side
// Enumeration selector over an 8-byte float per entry.
const char *const kSensor = R"(
<Category Name="Root"><pFeature>Width</pFeature><pFeature>OffsetX</pFeature><pFeature>Locked</pFeature>
  <pFeature>Index</pFeature><pFeature>LutValue</pFeature><pFeature>GainSelector</pFeature><pFeature>Gain</pFeature>
  <pFeature>Start</pFeature></Category>
<IntReg Name="WidthReg"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<IntReg Name="OffsetXReg"><Address>0x104</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<IntSwissKnife Name="WidthMax"><pVariable Name="X">OffsetX</pVariable><Formula>2048 - X</Formula></IntSwissKnife>
<IntSwissKnife Name="OffsetXMax"><pVariable Name="W">Width</pVariable><Formula>2048 - W</Formula></IntSwissKnife>
<Integer Name="Width"><Streamable>Yes</Streamable><pIsLocked>Locked</pIsLocked><pValue>WidthReg</pValue>
  <Min>16</Min><pMax>WidthMax</pMax><Inc>16</Inc></Integer>
<Integer Name="OffsetX"><Streamable>Yes</Streamable><pValue>OffsetXReg</pValue><Min>0</Min><pMax>OffsetXMax</pMax>
  <Inc>16</Inc></Integer>
<IntReg Name="LockReg"><Address>0x108</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<Integer Name="Locked"><pValue>LockReg</pValue><Min>0</Min><Max>1</Max></Integer>
<IntReg Name="IndexReg"><Address>0x10C</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<Integer Name="Index"><pValue>IndexReg</pValue><Min>0</Min><Max>3</Max><pSelected>LutValue</pSelected></Integer>
<IntReg Name="LutValue"><Streamable>Yes</Streamable><Address>0x200</Address><pIndex Offset="4">Index</pIndex>
  <Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<Enumeration Name="GainSelector"><Streamable>Yes</Streamable><pSelected>Gain</pSelected>
  <EnumEntry Name="Analog"><Value>0</Value></EnumEntry><EnumEntry Name="Digital"><Value>1</Value></EnumEntry>
  <Value>0</Value></Enumeration>
<FloatReg Name="Gain"><Streamable>Yes</Streamable><Address>0x300</Address><pIndex Offset="8">GainSelector</pIndex>
  <Length>8</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></FloatReg>
<Command Name="Start"><pValue>LockReg</pValue><CommandValue>1</CommandValue></Command>)";

const std::string kMagic = "# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n";

// The camera's registers as a user would power it up: Width, OffsetX,
// Index and the four look-up values, two gains (little-endian doubles).
void powerUp(MemoryPort &port, const char *width, const char *offset, const char *lut)
{
    port.put(0x100, width);
    port.put(0x104, offset);
    port.put(0x108, "00 00 00 00");
    port.put(0x10C, "02 00 00 00");
    port.put(0x200, lut);
    port.put(0x300, "00 00 00 00 00 00 f8 3f");  // 1.5
    port.put(0x308, "00 00 00 00 00 00 04 40");  // 2.5
}

std::vector<ConfigurationEntry> entriesOf(const std::string &file)
{
    std::vector<ConfigurationEntry> entries;
    genicam::FileFault fault;
    EXPECT_TRUE(genicam::parseConfigurationFile(file, &entries, &fault)) << fault.line << ": " << fault.reason;
    return entries;
}

TEST(SessionConfiguration, SavesAnIntegerSelectorsEveryValueAndLeavesEveryRegisterAsItWas)
{
    Camera camera(kSensor);
    powerUp(camera.port, "00 04 00 00", "40 00 00 00", "0a 00 00 00 14 00 00 00 1e 00 00 00 28 00 00 00");
    std::map<uint64_t, uint8_t> before = camera.port.memory;
    genicam::SessionFeatures features(*camera.session);
    genicam::ConfigurationHeader header{"VisionAccess 9.9", "Maker", "Model", "SN1", "1.0.0"};
    genicam::SaveResult saved = genicam::saveConfiguration(features, header);
    ASSERT_TRUE(saved.saved) << saved.reason;
    EXPECT_EQ(saved.file, kMagic +
                              "# GenApi persistence file written by VisionAccess 9.9\n"
                              "# Vendor = Maker -- Model = Model -- Serial number = SN1 -- Description version = 1.0.0\n"
                              "Width\t1024\nOffsetX\t64\n"
                              "Index\t0\nLutValue\t10\nIndex\t1\nLutValue\t20\nIndex\t2\nLutValue\t30\n"
                              "Index\t3\nLutValue\t40\nIndex\t2\n"
                              // GainSelector's own line, then its walk.
                              "GainSelector\tAnalog\nGainSelector\tAnalog\nGain\t1.5\nGainSelector\tDigital\nGain\t2.5\nGainSelector\tAnalog\n");
    EXPECT_EQ(saved.values, 10u);  // Width, OffsetX, four LutValues, two Gains, and each selector once
    EXPECT_EQ(camera.port.memory, before);
    EXPECT_EQ(camera.read("GainSelector"), "Analog");
}

// Applying the saved file to a second camera whose OffsetX leaves Width no
// room: Width waits for OffsetX, every value lands, and it compares equal.
TEST(SessionConfiguration, AppliesToAnotherCameraThroughDeferralAndThenMatches)
{
    Camera first(kSensor), second(kSensor);
    powerUp(first.port, "00 04 00 00", "40 00 00 00", "0a 00 00 00 14 00 00 00 1e 00 00 00 28 00 00 00");
    powerUp(second.port, "00 02 00 00", "00 06 00 00", "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    second.port.put(0x10C, "01 00 00 00");
    second.port.put(0x308, "00 00 00 00 00 00 00 00");
    genicam::SessionFeatures from(*first.session), to(*second.session);
    genicam::SaveResult saved = genicam::saveConfiguration(from, genicam::ConfigurationHeader());
    ASSERT_TRUE(saved.saved) << saved.reason;
    std::vector<ConfigurationEntry> entries = entriesOf(saved.file);

    genicam::ApplyResult applied = genicam::applyConfiguration(to, entries);
    ASSERT_TRUE(applied.applied()) << applied.failures[0].value.text() << ": " << applied.failures[0].error.text;
    EXPECT_EQ(applied.values, 10u);
    for (uint64_t address : {0x100, 0x104, 0x10C})
        EXPECT_EQ(second.port.bytesAt(address, 4), first.port.bytesAt(address, 4)) << std::hex << address;
    EXPECT_EQ(second.port.bytesAt(0x200, 16), first.port.bytesAt(0x200, 16));
    EXPECT_EQ(second.port.bytesAt(0x300, 16), first.port.bytesAt(0x300, 16));

    genicam::CompareResult compared = genicam::compareConfiguration(to, entries);
    EXPECT_TRUE(compared.matches()) << compared.differences[0].value.text() << " is " << compared.differences[0].camera;
    EXPECT_EQ(compared.values, 10u);
}

// A locked Width fails the file: every register written before the failure
// is written back, and the failure names the feature and why.
TEST(SessionConfiguration, AFailedApplyLeavesEveryRegisterAsItWas)
{
    Camera camera(kSensor);
    powerUp(camera.port, "00 02 00 00", "00 06 00 00", "01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00");
    camera.port.put(0x108, "01 00 00 00");
    std::map<uint64_t, uint8_t> before = camera.port.memory;
    genicam::SessionFeatures features(*camera.session);
    genicam::ApplyResult applied = genicam::applyConfiguration(
        features, entriesOf(kMagic + "OffsetX\t0\nIndex\t3\nLutValue\t99\nGainSelector\tDigital\nGain\t7\n"
                                     "Width\t1024\n"));
    ASSERT_EQ(applied.failures.size(), 1u);
    EXPECT_EQ(applied.failures[0].value.text(), "Width");
    EXPECT_EQ(applied.failures[0].error.text, "locked");
    EXPECT_EQ(applied.failures[0].line, 7u);
    EXPECT_TRUE(applied.restored) << applied.restoreReason;
    EXPECT_FALSE(camera.port.writes.empty());  // OffsetX, the look-up value and the gain were written...
    EXPECT_EQ(camera.port.memory, before);    // ...and written back
    EXPECT_EQ(camera.read("GainSelector"), "Analog");
}

// Differences name their selectors; a value the camera cannot read now is a
// difference with its reason; the selectors moved are set back.
TEST(SessionConfiguration, ComparesWithSelectorsAndUnreadableValuesAndWritesNothingElse)
{
    Camera camera(kSensor);
    powerUp(camera.port, "00 04 00 00", "40 00 00 00", "0a 00 00 00 14 00 00 00 1e 00 00 00 28 00 00 00");
    camera.port.failing[0x104] = true;
    std::map<uint64_t, uint8_t> before = camera.port.memory;
    genicam::SessionFeatures features(*camera.session);
    genicam::CompareResult compared = genicam::compareConfiguration(
        features, entriesOf(kMagic + "Width\t1024\nOffsetX\t0\nIndex\t1\nLutValue\t21\nIndex\t3\nLutValue\t40\n"
                                     "GainSelector\tDigital\nGain\t2.50000\nGainSelector\tAnalog\nGain\t1\n"));
    std::vector<std::string> lines;
    for (const genicam::Difference &difference : compared.differences)
        lines.push_back(difference.value.text() + (difference.readable ? " is " : " cannot be read: ") +
                        difference.camera + ", the file has " + difference.file);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "OffsetX cannot be read: register 0x104 could not be read (status 0x8003), the file has 0",
                         "LutValue [Index=1] is 20, the file has 21",
                         "Index is 2, the file has 3",  // a selector's value at its last line
                         "Gain [GainSelector=Analog] is 1.5, the file has 1",
                     }));
    EXPECT_EQ(compared.values, 8u);
    EXPECT_TRUE(compared.putBack) << compared.putBackReason;
    EXPECT_EQ(camera.port.memory, before);
    EXPECT_EQ(camera.read("GainSelector"), "Analog");
}

// A selector holding the value of an entry that is not implemented reads as
// that entry, but could not be set back once moved: saving and applying
// refuse it before anything is written.
TEST(SessionConfiguration, ASelectorHoldingAnEntryNotImplementedIsNeverMoved)
{
    Camera camera(R"(
<Category Name="Root"><pFeature>TriggerSelector</pFeature><pFeature>TriggerMode</pFeature></Category>
<Integer Name="Zero"><Value>0</Value></Integer>
<IntReg Name="SelectorReg"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<Enumeration Name="TriggerSelector"><pSelected>TriggerMode</pSelected>
  <EnumEntry Name="FrameStart"><pIsImplemented>Zero</pIsImplemented><Value>0</Value></EnumEntry>
  <EnumEntry Name="AcquisitionStart"><Value>1</Value></EnumEntry><pValue>SelectorReg</pValue></Enumeration>
<IntReg Name="TriggerMode"><Streamable>Yes</Streamable><Address>0x200</Address><pIndex Offset="4">SelectorReg</pIndex>
  <Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>)");
    EXPECT_EQ(camera.read("TriggerSelector"), "FrameStart");
    genicam::SessionFeatures features(*camera.session);
    genicam::SaveResult saved = genicam::saveConfiguration(features, genicam::ConfigurationHeader());
    EXPECT_FALSE(saved.saved);
    EXPECT_EQ(saved.reason, "TriggerMode: its selector TriggerSelector cannot be read: TriggerSelector holds 0, the "
                            "value of its entry FrameStart, which is not implemented");
    genicam::ApplyResult applied =
        genicam::applyConfiguration(features, entriesOf(kMagic + "TriggerSelector\tAcquisitionStart\nTriggerMode\t5\n"));
    EXPECT_FALSE(applied.applied());
    EXPECT_TRUE(camera.port.writes.empty());
}

// A description without a Root category cannot be saved, and says why.
TEST(SessionConfiguration, ASaveWithoutRootSaysWhy)
{
    Camera camera("<Integer Name=\"Width\"><Value>1</Value></Integer>");
    genicam::SessionFeatures features(*camera.session);
    genicam::SaveResult saved = genicam::saveConfiguration(features, genicam::ConfigurationHeader());
    EXPECT_FALSE(saved.saved);
    EXPECT_EQ(saved.reason, "the features: the description has no Root category");
}

} // namespace

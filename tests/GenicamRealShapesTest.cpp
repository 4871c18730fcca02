// Shapes real descriptions have that a comparison with a peer engine found
// read wrongly: a node defined inside a register, and an Enumeration holding
// the value of an entry that is not implemented.
#include "GenicamCamera.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const char *const kInline = R"(
<Category Name="Root"><pFeature>Width</pFeature><pFeature>WidthAddress</pFeature><pFeature>Spare</pFeature>
  </Category>
<Integer Name="Offset"><Value>0x20</Value></Integer>
<IntReg Name="Width"><Address>0x100</Address>
  <IntSwissKnife Name="WidthAddress"><pVariable Name="OFF">Offset</pVariable><Formula>OFF * 2</Formula></IntSwissKnife>
  <Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="Height"><Address>0x200</Address>
  <pAddress>
    <IntSwissKnife Name="HeightAddress"><pVariable Name="OFF">Offset</pVariable><Formula>OFF + 4</Formula>
    </IntSwissKnife>
  </pAddress>
  <Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="Unnamed"><Address>0x300</Address><IntSwissKnife><Formula>8</Formula></IntSwissKnife>
  <Length>1</Length><pPort>Device</pPort></IntReg>
<Integer Name="Spare"><Value>5</Value></Integer>
<IntReg Name="Shadow"><Address>0x400</Address>
  <IntSwissKnife Name="Spare"><Formula>16</Formula></IntSwissKnife>
  <Length>1</Length><pPort>Device</pPort></IntReg>
<StructReg Comment="fields"><Address>0x500</Address>
  <IntSwissKnife Name="FieldsAddress"><Formula>0x10</Formula></IntSwissKnife>
  <Length>1</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  <StructEntry Name="Low"><LSB>0</LSB><MSB>3</MSB></StructEntry>
  <StructEntry Name="High"><LSB>4</LSB><MSB>7</MSB></StructEntry>
</StructReg>
)";

// A node defined inside a register is a node by its own name too: read by
// name, listed, and the register's address adds its value.
TEST(InlineNodes, AKnifeInsideARegisterIsANodeByItsName)
{
    Camera camera(kInline);
    camera.port.put(0x140, "2a 00 00 00");
    camera.port.put(0x224, "07 00 00 00");
    camera.port.put(0x308, "09");
    camera.port.put(0x410, "0b");
    camera.port.put(0x510, "c3");
    const struct {
        const char *feature;
        const char *outcome;
    } cases[] = {
        {"Width", "value 42"},
        {"WidthAddress", "value 64"},
        {"Height", "value 7"},
        {"HeightAddress", "value 36"},
        {"Unnamed", "value 9"},
        // A name an earlier node has stays that node's; the register's own
        // knife still gives its address.
        {"Spare", "value 5"},
        {"Shadow", "value 11"},
        {"FieldsAddress", "value 16"},
        {"Low", "value 3"},
        {"High", "value 12"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(camera.outcome(c.feature), c.outcome) << c.feature;
    EXPECT_EQ(camera.outcome("WidthAddress", "1"), "NotWritable: not writable");

    genicam::FeatureInfo info;
    genicam::Error error;
    ASSERT_TRUE(camera.session->info("HeightAddress", &info, &error)) << error.text;
    EXPECT_EQ(info.type, "IntSwissKnife");

    std::vector<std::string> lines;
    camera.session->list([&](const Session::Listed &line) {
        lines.push_back(line.path + " | " + line.name + " | " + line.type + " | " + line.access + " | " + line.value);
    });
    std::vector<std::string> expected = {
        "Root | Width | IntReg | RW | 42",
        "Root | WidthAddress | IntSwissKnife | RO | 64",
        "Root | Spare | Integer | RW | 5",
    };
    EXPECT_EQ(lines, expected);
}

// An Enumeration holding the value of an entry that is not implemented reads
// as that entry: the camera holds it.
TEST(EnumerationValues, AnEntryNotImplementedIsNamed)
{
    Camera camera(R"(
<Integer Name="Zero"><Value>0</Value></Integer>
<IntReg Name="Raw"><Address>0x100</Address><Length>1</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<Enumeration Name="PixelFormat">
  <EnumEntry Name="Mono8"><Value>1</Value></EnumEntry>
  <EnumEntry Name="EnumEntry_PixelFormat_Mono10"><pIsImplemented>Zero</pIsImplemented><Value>2</Value>
    <Symbolic>Mono10</Symbolic></EnumEntry>
  <EnumEntry Name="Mono10Packed"><pIsImplemented>Zero</pIsImplemented><Value>2</Value></EnumEntry>
  <EnumEntry Name="Mono12"><pIsAvailable>Zero</pIsAvailable><Value>3</Value></EnumEntry>
  <pValue>Raw</pValue>
</Enumeration>)");
    const struct {
        const char *raw;
        const char *outcome;
    } cases[] = {
        {"01", "value Mono8"},
        // The first entry of the value, by its Symbolic.
        {"02", "value Mono10"},
        // An entry not available now is still the value held.
        {"03", "value Mono12"},
        {"07", "FaultyDescription: PixelFormat holds 7, which is none of its entries"},
    };
    for (const auto &c : cases) {
        camera.port.put(0x100, c.raw);
        EXPECT_EQ(camera.outcome("PixelFormat"), c.outcome) << c.raw;
    }
}

} // namespace

// The GenICam engine on small descriptions written here, reading and
// writing through a Port over memory that records every access: each node
// type, the value forms, the reasons, the rules where a peer is wrong, and
// descriptions built to break it.
#include "GenicamCamera.h"
#include "map/NodeMap.h"
#include "numbers/Text.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A table's case prints as its title in gtest's messages, not as its bytes.
template <typename Case> auto operator<<(std::ostream &out, const Case &c) -> decltype(c.title, out)
{
    return out << c.title;
}

using genicam::Session;

// ---------------------------------------------------------------------------
// Reads of each node type, and how many register reads each one makes.
// ---------------------------------------------------------------------------

struct ReadCase {
    const char *title;
    const char *nodes;
    std::vector<Memory> memory;
    const char *feature;
    const char *expected;
    size_t reads;  // register reads the named read makes
};

const char *const kIntRegs = R"(
<IntReg Name="Le32"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  <Sign>Unsigned</Sign><Endianess>LittleEndian</Endianess></IntReg>
<IntReg Name="Be16Signed"><Address>0x104</Address><Length>2</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort><Sign>Signed</Sign><Endianess>BigEndian</Endianess></IntReg>
<IntReg Name="Be64"><Address>0x108</Address><Length>0x8</Length><AccessMode>RO</AccessMode>
  <pPort>Device</pPort><Endianess>BigEndian</Endianess></IntReg>
<IntReg Name="Byte"><Address>0x110</Address><Length>1</Length><pPort>Device</pPort></IntReg>
<Integer Name="Base"><Value>0x1000</Value></Integer>
<IntReg Name="Routed"><Address>0x10</Address><pAddress>Base</pAddress><pAddress>Base</pAddress><Length>4</Length>
  <pPort>Device</pPort></IntReg>
<Integer Name="High"><Value>0x200000000</Value></Integer>
<IntReg Name="Above4G"><pAddress>High</pAddress><Address>0x20</Address><Length>4</Length><pPort>Device</pPort></IntReg>
<Integer Name="Selector"><Value>2</Value></Integer>
<IntReg Name="Indexed"><Address>0x300</Address><pIndex Offset="0x10">Selector</pIndex><Length>4</Length>
  <pPort>Device</pPort></IntReg>
<IntReg Name="IndexedByLength"><Address>0x400</Address><pIndex>Selector</pIndex><Length>2</Length>
  <pPort>Device</pPort></IntReg>
<Integer Name="Step"><Value>3</Value></Integer>
<IntReg Name="IndexedByNode"><Address>0x500</Address><pIndex pOffset="Step">Selector</pIndex><Length>1</Length>
  <pPort>Device</pPort></IntReg>
<Integer Name="Width"><pValue>Le32</pValue></Integer>
<Group Comment="outer"><Group Comment="inner">
  <Integer Name="Grouped"><Value>7</Value></Integer>
</Group></Group>
<Boolean Name="Live"><pValue>Byte</pValue></Boolean>
<IntReg Name="Guarded"><pIsAvailable>Live</pIsAvailable><Address>0x100</Address><Length>4</Length>
  <pPort>Device</pPort></IntReg>
)";

const char *const kFields = R"(
<MaskedIntReg Name="LeNibble"><Address>0x100</Address><Length>4</Length><pPort>Device</pPort>
  <LSB>4</LSB><MSB>7</MSB></MaskedIntReg>
<MaskedIntReg Name="BeLowByte"><Address>0x100</Address><Length>4</Length><pPort>Device</pPort>
  <LSB>31</LSB><MSB>24</MSB><Endianess>BigEndian</Endianess></MaskedIntReg>
<MaskedIntReg Name="BeTopBit"><Address>0x100</Address><Length>4</Length><pPort>Device</pPort>
  <Bit>0</Bit><Endianess>BigEndian</Endianess></MaskedIntReg>
<MaskedIntReg Name="SignedField"><Address>0x100</Address><Length>4</Length><pPort>Device</pPort>
  <LSB>8</LSB><MSB>11</MSB><Sign>Signed</Sign></MaskedIntReg>
<StructReg Comment="Two fields">
  <Address>0x200</Address><Length>2</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  <Endianess>BigEndian</Endianess>
  <StructEntry Name="TopNibble"><LSB>3</LSB><MSB>0</MSB></StructEntry>
  <StructEntry Name="LowBit"><Bit>15</Bit><AccessMode>RO</AccessMode></StructEntry>
</StructReg>
)";

const char *const kOthers = R"(
<FloatReg Name="Single"><Address>0x100</Address><Length>4</Length><pPort>Device</pPort></FloatReg>
<FloatReg Name="Double"><Address>0x108</Address><Length>8</Length><pPort>Device</pPort>
  <Endianess>BigEndian</Endianess></FloatReg>
<Float Name="Host"><Value>2.5</Value></Float>
<Float Name="Gain"><pValue>Single</pValue></Float>
<Integer Name="Lut"><pIndex>Selector</pIndex><ValueIndexed Index="1">10</ValueIndexed>
  <pValueIndexed Index="2">Raw</pValueIndexed><ValueDefault>99</ValueDefault></Integer>
<Integer Name="Selector"><Value>2</Value></Integer>
<IntReg Name="Raw"><Address>0x120</Address><Length>4</Length><pPort>Device</pPort></IntReg>
<Enumeration Name="PixelFormat">
  <EnumEntry Name="Mono8"><Value>0x01080001</Value></EnumEntry>
  <EnumEntry Name="EnumEntry_PixelFormat_Mono16"><Value>0x01100007</Value><Symbolic>Mono16</Symbolic></EnumEntry>
  <pValue>Raw</pValue>
</Enumeration>
<Enumeration Name="Mode">
  <EnumEntry Name="Width"><Value>1</Value></EnumEntry>
  <EnumEntry Name="Height"><Value>2</Value></EnumEntry>
  <Value>2</Value>
</Enumeration>
<Boolean Name="Flag"><pValue>Raw</pValue><OnValue>0x10</OnValue><OffValue>0x20</OffValue></Boolean>
<Boolean Name="HostFlag"><Value>true</Value></Boolean>
<String Name="Greeting"><Value>Hello World!</Value></String>
<StringReg Name="Vendor"><Address>0x200</Address><Length>8</Length><pPort>Device</pPort></StringReg>
<String Name="VendorName"><pValue>Vendor</pValue></String>
<Register Name="Blob"><Address>0x300</Address><Length>4</Length><pPort>Device</pPort></Register>
)";

class Reads : public ::testing::TestWithParam<ReadCase> {};

// The value in the feature's own form, with only the register reads its
// chain needs.
TEST_P(Reads, GiveTheValueWithOnlyTheReadsItNeeds)
{
    const ReadCase &c = GetParam();
    Camera camera(c.nodes);
    for (const Memory &m : c.memory)
        camera.port.put(m.address, m.bytes);
    EXPECT_EQ(camera.read(c.feature), c.expected);
    EXPECT_EQ(camera.port.reads.size(), c.reads);
    EXPECT_TRUE(camera.port.writes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachNode, Reads,
    ::testing::Values(
        ReadCase{"IntRegLittleEndian", kIntRegs, {{0x100, "78 56 34 12"}}, "Le32", "305419896", 1},
        ReadCase{"IntRegBigEndianSigned", kIntRegs, {{0x104, "ff fe"}}, "Be16Signed", "-2", 1},
        ReadCase{"IntRegEightBytes", kIntRegs, {{0x108, "00 00 00 01 00 00 00 02"}}, "Be64", "4294967298", 1},
        ReadCase{"IntRegOneByte", kIntRegs, {{0x110, "ff"}}, "Byte", "255", 1},
        ReadCase{"AddressesAdd", kIntRegs, {{0x2010, "05"}}, "Routed", "5", 1},
        ReadCase{"AddressAbove4GiB", kIntRegs, {{0x200000020, "09"}}, "Above4G", "9", 1},
        ReadCase{"IndexTimesOffset", kIntRegs, {{0x320, "0b"}}, "Indexed", "11", 1},
        ReadCase{"IndexTimesLength", kIntRegs, {{0x404, "0c"}}, "IndexedByLength", "12", 1},
        ReadCase{"IndexTimesOffsetNode", kIntRegs, {{0x506, "0d"}}, "IndexedByNode", "13", 1},
        ReadCase{"IntegerThroughPValue", kIntRegs, {{0x100, "80 07"}}, "Width", "1920", 1},
        ReadCase{"HostIntegerInGroups", kIntRegs, {}, "Grouped", "7", 0},
        ReadCase{"AvailabilityIsReadToo", kIntRegs, {{0x110, "01"}, {0x100, "2a"}}, "Guarded", "42", 2},
        ReadCase{"MaskedLittleEndian", kFields, {{0x100, "a5 00 00 00"}}, "LeNibble", "10", 1},
        ReadCase{"MaskedBigEndianLsbAboveMsb", kFields, {{0x100, "12 34 56 78"}}, "BeLowByte", "120", 1},
        ReadCase{"MaskedBigEndianBitZeroIsTop", kFields, {{0x100, "80 00 00 00"}}, "BeTopBit", "1", 1},
        ReadCase{"MaskedSigned", kFields, {{0x100, "00 0e 00 00"}}, "SignedField", "-2", 1},
        ReadCase{"StructEntryBigEndian", kFields, {{0x200, "a0 01"}}, "TopNibble", "10", 1},
        ReadCase{"StructEntryOwnBit", kFields, {{0x200, "a0 01"}}, "LowBit", "1", 1},
        ReadCase{"FloatRegSingle", kOthers, {{0x100, "00 00 c0 3f"}}, "Single", "1.5", 1},
        ReadCase{"FloatRegDoubleBigEndian", kOthers, {{0x108, "3f b9 99 99 99 99 99 9a"}}, "Double", "0.1", 1},
        ReadCase{"HostFloat", kOthers, {}, "Host", "2.5", 0},
        ReadCase{"FloatThroughPValue", kOthers, {{0x100, "00 00 20 41"}}, "Gain", "10", 1},
        ReadCase{"ValueIndexedByPointer", kOthers, {{0x120, "2c 01"}}, "Lut", "300", 1},
        ReadCase{"EnumerationBySymbolic", kOthers, {{0x120, "07 00 10 01"}}, "PixelFormat", "Mono16", 1},
        ReadCase{"EnumerationEntryName", kOthers, {{0x120, "01 00 08 01"}}, "PixelFormat", "Mono8", 1},
        ReadCase{"HostEnumeration", kOthers, {}, "Mode", "Height", 0},
        ReadCase{"EntriesAreNoFeatures", kOthers, {}, "Width", "error: no such feature", 0},
        ReadCase{"BooleanOnValue", kOthers, {{0x120, "10"}}, "Flag", "true", 1},
        ReadCase{"BooleanOffValue", kOthers, {{0x120, "20"}}, "Flag", "false", 1},
        ReadCase{"HostBoolean", kOthers, {}, "HostFlag", "true", 0},
        ReadCase{"HostString", kOthers, {}, "Greeting", "Hello World!", 0},
        ReadCase{"StringRegEndsAtNul", kOthers, {{0x200, "41 63 6d 65 00 78 79 7a"}}, "Vendor", "Acme", 1},
        ReadCase{"StringRegWithoutNul", kOthers, {{0x200, "41 42 43 44 45 46 47 48"}}, "VendorName", "ABCDEFGH", 1},
        ReadCase{"RegisterBytes", kOthers, {{0x300, "01 02 0a ff"}}, "Blob", "01 02 0a ff", 1}),
    [](const ::testing::TestParamInfo<ReadCase> &info) { return std::string(info.param.title); });

// ---------------------------------------------------------------------------
// Writes of each node type: what reaches the registers.
// ---------------------------------------------------------------------------

struct WriteCase {
    const char *title;
    const char *nodes;
    std::vector<Memory> memory;
    const char *feature;
    const char *text;
    Memory expected;  // the bytes at an address after the write
    const char *readBack;  // the feature's value after the write
};

const char *const kWritable = R"(
<IntReg Name="Le32"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<IntReg Name="Be16Signed"><Address>0x104</Address><Length>2</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort><Sign>Signed</Sign><Endianess>BigEndian</Endianess></IntReg>
<MaskedIntReg Name="Nibble"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort><LSB>4</LSB><MSB>7</MSB></MaskedIntReg>
<MaskedIntReg Name="BeByte"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort><LSB>15</LSB><MSB>8</MSB><Endianess>BigEndian</Endianess></MaskedIntReg>
<FloatReg Name="Single"><Address>0x108</Address><Length>4</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort><Endianess>BigEndian</Endianess></FloatReg>
<Float Name="Host"><Value>1</Value></Float>
<Enumeration Name="PixelFormat">
  <EnumEntry Name="Mono8"><Value>0x01080001</Value></EnumEntry>
  <EnumEntry Name="Mono16"><Value>0x01100007</Value></EnumEntry>
  <pValue>Le32</pValue>
</Enumeration>
<Boolean Name="Flag"><pValue>Le32</pValue><OnValue>3</OnValue><OffValue>4</OffValue></Boolean>
<Command Name="Start"><pValue>Le32</pValue><CommandValue>0x55</CommandValue></Command>
<String Name="Note"><Value>x</Value></String>
<StringReg Name="UserName"><Address>0x200</Address><Length>6</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort></StringReg>
<Register Name="Blob"><Address>0x300</Address><Length>3</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </Register>
<Integer Name="Width"><pValue>Le32</pValue><pValueCopy>Be16Signed</pValueCopy><Min>1</Min><Max>10000</Max>
  </Integer>
<Integer Name="HostInt"><Value>5</Value></Integer>
)";

class Writes : public ::testing::TestWithParam<WriteCase> {};

TEST_P(Writes, ReachTheRegistersAndReadBack)
{
    const WriteCase &c = GetParam();
    Camera camera(c.nodes);
    for (const Memory &m : c.memory)
        camera.port.put(m.address, m.bytes);
    ASSERT_EQ(camera.write(c.feature, c.text), "ok");
    if (c.expected.bytes) {
        std::vector<uint8_t> bytes;
        genicam::engine::parseBytes(c.expected.bytes, &bytes);
        EXPECT_EQ(camera.port.bytesAt(c.expected.address, bytes.size()), c.expected.bytes);
    }
    EXPECT_EQ(camera.read(c.feature), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(
    EachNode, Writes,
    ::testing::Values(
        WriteCase{"IntRegHexText", kWritable, {}, "Le32", " 0x1234 ", {0x100, "34 12 00 00"}, "4660"},
        WriteCase{"IntRegSigned", kWritable, {}, "Be16Signed", "-2", {0x104, "ff fe"}, "-2"},
        WriteCase{"MaskedKeepsTheOtherBits", kWritable, {{0x100, "ff ff ff ff"}}, "Nibble", "0",
                  {0x100, "0f ff ff ff"}, "0"},
        WriteCase{"MaskedBigEndian", kWritable, {{0x100, "11 22 33 44"}}, "BeByte", "171", {0x100, "11 ab 33 44"},
                  "171"},
        WriteCase{"FloatRegBigEndian", kWritable, {}, "Single", "1.5", {0x108, "3f c0 00 00"}, "1.5"},
        WriteCase{"HostFloatShortestText", kWritable, {}, "Host", "0.1", {0, nullptr}, "0.1"},
        WriteCase{"HostFloatCorrectlyRounded", kWritable, {}, "Host", "0.0359", {0, nullptr}, "0.0359"},
        WriteCase{"EnumerationByName", kWritable, {}, "PixelFormat", "Mono16", {0x100, "07 00 10 01"}, "Mono16"},
        WriteCase{"EnumerationByValue", kWritable, {}, "PixelFormat", "0x01080001", {0x100, "01 00 08 01"},
                  "Mono8"},
        WriteCase{"BooleanTrueIsOnValue", kWritable, {}, "Flag", "true", {0x100, "03 00 00 00"}, "true"},
        WriteCase{"BooleanZeroIsOffValue", kWritable, {}, "Flag", "0", {0x100, "04 00 00 00"}, "false"},
        WriteCase{"StringRegPaddedWithNul", kWritable, {{0x200, "ff ff ff ff ff ff"}}, "UserName", "abc",
                  {0x200, "61 62 63 00 00 00"}, "abc"},
        WriteCase{"HostString", kWritable, {}, "Note", "two words", {0, nullptr}, "two words"},
        WriteCase{"RegisterBytes", kWritable, {}, "Blob", "0a0b 0c", {0x300, "0a 0b 0c"}, "0a 0b 0c"},
        WriteCase{"ValueCopies", kWritable, {}, "Width", "640", {0x104, "02 80"}, "640"},
        WriteCase{"HostInteger", kWritable, {}, "HostInt", "-7", {0, nullptr}, "-7"}),
    [](const ::testing::TestParamInfo<WriteCase> &info) { return std::string(info.param.title); });

TEST(Commands, ExecuteWritesTheCommandValueAndReadingExecutesNothing)
{
    Camera camera(kWritable);
    EXPECT_EQ(camera.read("Start"), "error: a command: it is executed, not read");
    EXPECT_TRUE(camera.port.writes.empty());
    EXPECT_EQ(camera.write("Start", "execute"), "ok");
    EXPECT_EQ(camera.port.bytesAt(0x100, 4), "55 00 00 00");
    EXPECT_EQ(camera.write("Start", "1"), "ok");
    EXPECT_EQ(camera.port.writes.size(), 2u);
    EXPECT_EQ(camera.write("Start", "2"), "error: a command is executed by writing 1 or execute, not '2'");
}

// ---------------------------------------------------------------------------
// Every reason a read or write fails, short and for the user.
// ---------------------------------------------------------------------------

struct ReasonCase {
    const char *title;
    const char *nodes;
    const char *feature;
    const char *text;  // nullptr: a read
    const char *reason;
};

const char *const kGuarded = R"(
<Integer Name="Zero"><Value>0</Value></Integer>
<Integer Name="One"><Value>1</Value></Integer>
<IntReg Name="Reg"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="ReadOnly"><Address>0x100</Address><Length>1</Length><pPort>Device</pPort></IntReg>
<IntReg Name="WriteOnly"><Address>0x100</Address><Length>4</Length><AccessMode>WO</AccessMode><pPort>Device</pPort>
  </IntReg>
<IntReg Name="Failing"><Address>0xdead0</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<Integer Name="Unavailable"><pIsAvailable>Zero</pIsAvailable><Value>1</Value></Integer>
<Integer Name="Unimplemented"><pIsImplemented>Zero</pIsImplemented><Value>1</Value></Integer>
<Integer Name="Locked"><pIsLocked>One</pIsLocked><Value>1</Value></Integer>
<Integer Name="Imposed"><ImposedAccessMode>RO</ImposedAccessMode><pValue>Reg</pValue></Integer>
<Integer Name="Width"><pValue>Reg</pValue><Min>16</Min><Max>4096</Max><Inc>4</Inc></Integer>
<Float Name="Exposure"><Value>100</Value><Min>10</Min><Max>1e6</Max></Float>
<Enumeration Name="PixelFormat">
  <EnumEntry Name="Mono8"><Value>1</Value></EnumEntry>
  <EnumEntry Name="Mono10"><pIsImplemented>Zero</pIsImplemented><Value>2</Value></EnumEntry>
  <EnumEntry Name="Mono12"><pIsAvailable>Zero</pIsAvailable><Value>3</Value></EnumEntry>
  <EnumEntry Name="Mono16"><Value>4</Value></EnumEntry>
  <Value>1</Value>
</Enumeration>
<Boolean Name="Flag"><Value>false</Value></Boolean>
<Command Name="Start"><pValue>Reg</pValue><CommandValue>1</CommandValue></Command>
<StringReg Name="Name"><Address>0x200</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </StringReg>
<Register Name="Blob"><Address>0x300</Address><Length>2</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </Register>
<Category Name="Root"><pFeature>Width</pFeature></Category>
<Port Name="ChunkPort"><ChunkID>1234</ChunkID></Port>
<IntReg Name="ChunkValue"><Address>0</Address><Length>4</Length><pPort>ChunkPort</pPort></IntReg>
<ConfRom Name="Rom"><Unit>0</Unit><Address>0</Address><Length>4</Length><pPort>Device</pPort></ConfRom>
)";

const char *const kFaulty = R"(
<Integer Name="A"><pValue>B</pValue></Integer>
<Integer Name="B"><pValue>A</pValue></Integer>
<Integer Name="Self"><pValue>Self</pValue></Integer>
<Integer Name="Width"><pValue>WidthRegg</pValue></Integer>
<StringReg Name="Huge"><Address>0</Address><Length>0xFFFFFFFFFFFF</Length><pPort>Device</pPort></StringReg>
<StringReg Name="Empty"><Address>0</Address><Length>0</Length><pPort>Device</pPort></StringReg>
<IntReg Name="Wide"><Address>0</Address><Length>12</Length><pPort>Device</pPort></IntReg>
<FloatReg Name="Odd"><Address>0</Address><Length>2</Length><pPort>Device</pPort></FloatReg>
<IntReg Name="NoLength"><Address>0</Address><pPort>Device</pPort></IntReg>
<IntReg Name="BadAddress"><Address>0x10zz</Address><Length>4</Length><pPort>Device</pPort></IntReg>
<IntReg Name="BadAccess"><Address>0</Address><Length>4</Length><AccessMode>R</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="BadPort"><Address>0</Address><Length>4</Length><pPort>A</pPort></IntReg>
<MaskedIntReg Name="Backwards"><Address>0</Address><Length>4</Length><pPort>Device</pPort><LSB>3</LSB><MSB>7</MSB>
  <Endianess>BigEndian</Endianess></MaskedIntReg>
<MaskedIntReg Name="Outside"><Address>0</Address><Length>1</Length><pPort>Device</pPort><Bit>9</Bit></MaskedIntReg>
<Integer Name="Selector"><Value>5</Value></Integer>
<Integer Name="Lut"><pIndex>Selector</pIndex><ValueIndexed Index="1">10</ValueIndexed></Integer>
<Enumeration Name="Broken"><EnumEntry Name="X"><Value>one</Value></EnumEntry><Value>1</Value></Enumeration>
<Integer Name="NoValue"><Min>1</Min></Integer>
<Category Name="Cat"><pFeature>A</pFeature></Category>
<Integer Name="ReadsCategory"><pValue>Cat</pValue></Integer>
)";

class Reasons : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(Reasons, AreShortAndSayWhy)
{
    const ReasonCase &c = GetParam();
    Camera camera(c.nodes);
    camera.port.failing[0xdead0] = true;
    camera.port.put(0x100, "01 00 00 00");
    std::string outcome = c.text ? camera.write(c.feature, c.text) : camera.read(c.feature);
    EXPECT_EQ(outcome, std::string("error: ") + c.reason);
}

INSTANTIATE_TEST_SUITE_P(
    EachReason, Reasons,
    ::testing::Values(
        ReasonCase{"NoSuchFeature", kGuarded, "Height", nullptr, "no such feature"},
        ReasonCase{"NotAvailable", kGuarded, "Unavailable", nullptr, "not available now"},
        ReasonCase{"NotImplemented", kGuarded, "Unimplemented", "2", "not implemented"},
        ReasonCase{"Locked", kGuarded, "Locked", "2", "locked"},
        ReasonCase{"NotReadable", kGuarded, "WriteOnly", nullptr, "not readable"},
        ReasonCase{"NotWritable", kGuarded, "ReadOnly", "1", "not writable"},
        ReasonCase{"ImposedReadOnly", kGuarded, "Imposed", "1", "not writable"},
        ReasonCase{"BelowTheMinimum", kGuarded, "Width", "8", "below the minimum (16 to 4096 in steps of 4)"},
        ReasonCase{"AboveTheMaximum", kGuarded, "Width", "8192", "above the maximum (16 to 4096 in steps of 4)"},
        ReasonCase{"NotOnTheIncrement", kGuarded, "Width", "18", "not on the increment (16 to 4096 in steps of 4)"},
        ReasonCase{"FloatBelowTheMinimum", kGuarded, "Exposure", "1.5", "below the minimum (10 to 1e+06)"},
        ReasonCase{"BeyondTheRegister", kGuarded, "Reg", "0x100000000", "above the maximum (0 to 4294967295)"},
        ReasonCase{"NotAnEntry", kGuarded, "PixelFormat", "Mono9", "not an entry of PixelFormat (Mono8, Mono12, Mono16)"},
        ReasonCase{"NotAnEntryValue", kGuarded, "PixelFormat", "7", "not an entry of PixelFormat (Mono8, Mono12, Mono16)"},
        ReasonCase{"EntryNotAvailable", kGuarded, "PixelFormat", "Mono12", "entry Mono12 of PixelFormat is not available now"},
        ReasonCase{"EntryNotImplemented", kGuarded, "PixelFormat", "2", "entry Mono10 of PixelFormat is not implemented"},
        ReasonCase{"PortSaysWhy", kGuarded, "Failing", nullptr, "register 0xdead0 could not be read (status 0x8003)"},
        ReasonCase{"PortSaysWhyOnWrite", kGuarded, "Failing", "1", "register 0xdead0 could not be written (status 0x8003)"},
        ReasonCase{"IntegerTypo", kGuarded, "Width", "6001G", "not an integer: '6001G'"},
        ReasonCase{"IntegerNoDigits", kGuarded, "Width", "0x", "not an integer: '0x'"},
        ReasonCase{"FloatTypo", kGuarded, "Exposure", "5000x", "not a number: '5000x'"},
        ReasonCase{"FloatNaN", kGuarded, "Exposure", "nan", "not a number: 'nan'"},
        ReasonCase{"BooleanWord", kGuarded, "Flag", "yes", "not a boolean: 'yes' (true, false, 1 or 0)"},
        ReasonCase{"StringTooLong", kGuarded, "Name", "abcde", "longer than the register's 4 bytes"},
        ReasonCase{"BytesOfTheWrongLength", kGuarded, "Blob", "01", "the register has 2 bytes, not 1"},
        ReasonCase{"BytesTypo", kGuarded, "Blob", "01 0g", "not hexadecimal bytes: '01 0g'"},
        ReasonCase{"CategoryRead", kGuarded, "Root", nullptr, "a category, not a value"},
        ReasonCase{"PortRead", kGuarded, "Device", nullptr, "a port, not a value"},
        ReasonCase{"ChunkData", kGuarded, "ChunkValue", nullptr, "only in an image's chunk data"},
        ReasonCase{"UnreadNodeType", kGuarded, "Rom", nullptr, "a ConfRom node, which this tool does not read"},
        ReasonCase{"Cycle", kFaulty, "A", nullptr, "the description is faulty at A: its references form a cycle"},
        ReasonCase{"SelfReference", kFaulty, "Self", nullptr,
                   "the description is faulty at Self: its references form a cycle"},
        ReasonCase{"CycleOnWrite", kFaulty, "B", "1", "the description is faulty at B: its references form a cycle"},
        ReasonCase{"MissingNode", kFaulty, "Width", nullptr,
                   "the description is faulty at Width: it refers to 'WidthRegg', which is not in the description"},
        ReasonCase{"AbsurdLength", kFaulty, "Huge", nullptr,
                   "the description is faulty at Huge: a register of 281474976710655 bytes, beyond the 65536 this "
                   "tool reads"},
        ReasonCase{"ZeroLength", kFaulty, "Empty", nullptr, "the description is faulty at Empty: its length is 0 bytes"},
        ReasonCase{"WideIntReg", kFaulty, "Wide", nullptr, "the description is faulty at Wide: it is an IntReg of 12 bytes"},
        ReasonCase{"OddFloatReg", kFaulty, "Odd", nullptr, "the description is faulty at Odd: it is a FloatReg of 2 bytes"},
        ReasonCase{"NoLength", kFaulty, "NoLength", nullptr, "the description is faulty at NoLength: it has no Length"},
        ReasonCase{"BadAddress", kFaulty, "BadAddress", nullptr,
                   "the description is faulty at BadAddress: Address is not an integer: '0x10zz'"},
        ReasonCase{"BadAccessMode", kFaulty, "BadAccess", nullptr,
                   "the description is faulty at BadAccess: AccessMode is none of RO, WO and RW: 'R'"},
        ReasonCase{"PortIsNoPort", kFaulty, "BadPort", nullptr,
                   "the description is faulty at BadPort: its pPort A is not a Port"},
        ReasonCase{"BigEndianBitsBackwards", kFaulty, "Backwards", nullptr,
                   "the description is faulty at Backwards: LSB 3 and MSB 7 are no field of a 4-byte big-endian "
                   "register"},
        ReasonCase{"BitOutsideTheRegister", kFaulty, "Outside", nullptr,
                   "the description is faulty at Outside: LSB 9 and MSB 9 are no field of a 1-byte little-endian "
                   "register"},
        ReasonCase{"NoIndexedValue", kFaulty, "Lut", nullptr,
                   "the description is faulty at Lut: it has no value for index 5 and no default"},
        ReasonCase{"BadEntry", kFaulty, "Broken", nullptr,
                   "the description is faulty at Broken: Value is not an integer: 'one'"},
        ReasonCase{"NoValue", kFaulty, "NoValue", nullptr,
                   "the description is faulty at NoValue: it has no Value, pValue or pIndex"},
        ReasonCase{"CategoryAsNumber", kFaulty, "ReadsCategory", nullptr,
                   "the description is faulty at Cat: it is a Category where a number is needed"}),
    [](const ::testing::TestParamInfo<ReasonCase> &info) { return std::string(info.param.title); });

// ---------------------------------------------------------------------------
// Where a peer engine is known to be wrong.
// ---------------------------------------------------------------------------

TEST(PeerFaults, ABooleanHoldingNeitherValueIsAnErrorComparedOnAll64Bits)
{
    Camera camera(R"(
<IntReg Name="Raw"><Address>0x100</Address><Length>8</Length><pPort>Device</pPort></IntReg>
<Boolean Name="Flag"><pValue>Raw</pValue><OnValue>0x100000001</OnValue><OffValue>0</OffValue></Boolean>)");
    camera.port.put(0x100, "01 00 00 00 00 00 00 00");  // the OnValue's low 32 bits only
    EXPECT_EQ(camera.read("Flag"), "error: Flag holds 1, neither its OnValue 4294967297 nor its OffValue 0");
    camera.port.put(0x100, "01 00 00 00 01 00 00 00");
    EXPECT_EQ(camera.read("Flag"), "true");
    camera.port.put(0x100, "00 00 00 00 00 00 00 00");
    EXPECT_EQ(camera.read("Flag"), "false");
}

// When two entries share a value, a read shows the first implemented one in
// document order.
TEST(PeerFaults, EntriesSharingAValueReadAsTheFirstImplementedOne)
{
    Camera camera(R"(
<Integer Name="Zero"><Value>0</Value></Integer>
<Enumeration Name="Shared">
  <EnumEntry Name="Hidden"><pIsImplemented>Zero</pIsImplemented><Value>1</Value></EnumEntry>
  <EnumEntry Name="First"><Value>1</Value></EnumEntry>
  <EnumEntry Name="Second"><Value>1</Value></EnumEntry>
  <Value>1</Value>
</Enumeration>)");
    EXPECT_EQ(camera.read("Shared"), "First");
    EXPECT_EQ(camera.write("Shared", "Second"), "ok");
    EXPECT_EQ(camera.read("Shared"), "First");
}

// ---------------------------------------------------------------------------
// Selectors: a host-side value chooses which register a later read uses.
// ---------------------------------------------------------------------------

TEST(Selectors, AWrittenSelectorChangesTheRegisterRead)
{
    Camera camera(R"(
<Enumeration Name="GainSelector">
  <EnumEntry Name="AnalogAll"><Value>0</Value></EnumEntry>
  <EnumEntry Name="DigitalAll"><Value>1</Value></EnumEntry>
  <Value>0</Value>
</Enumeration>
<IntReg Name="GainRaw"><Address>0x1000</Address><pIndex Offset="4">GainSelector</pIndex><Length>4</Length>
  <AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<Integer Name="Gain"><pValue>GainRaw</pValue></Integer>)");
    camera.port.put(0x1000, "0a 00 00 00 14 00 00 00");
    EXPECT_EQ(camera.read("Gain"), "10");
    EXPECT_EQ(camera.write("GainSelector", "DigitalAll"), "ok");
    EXPECT_TRUE(camera.port.writes.empty());  // the selector lives on the host
    EXPECT_EQ(camera.read("GainSelector"), "DigitalAll");
    EXPECT_EQ(camera.read("Gain"), "20");
    ASSERT_EQ(camera.port.reads.size(), 2u);
    EXPECT_EQ(camera.port.reads[1].address, 0x1004u);
    EXPECT_EQ(camera.write("Gain", "30"), "ok");
    EXPECT_EQ(camera.port.bytesAt(0x1004, 4), "1e 00 00 00");

    // Another session on the same description starts from the description's
    // values again.
    MemoryPort other;
    Session second(camera.map, other);
    std::string text, reason;
    ASSERT_TRUE(second.read("GainSelector", &text, &reason)) << reason;
    EXPECT_EQ(text, "AnalogAll");
}

// ---------------------------------------------------------------------------
// Listing every feature: reads only.
// ---------------------------------------------------------------------------

TEST(Listing, ShowsEveryImplementedFeatureOnceInCategoryOrderAndWritesNothing)
{
    Camera camera(R"(
<Category Name="Root"><pFeature>ImageFormat</pFeature><pFeature>Acquisition</pFeature><pFeature>Hidden</pFeature>
  <pFeature>Ghost</pFeature></Category>
<Category Name="ImageFormat"><pFeature>Width</pFeature><pFeature>PixelFormat</pFeature><pFeature>Width</pFeature>
  </Category>
<Category Name="Acquisition"><pFeature>Start</pFeature><pFeature>Exposure</pFeature><pFeature>Broken</pFeature>
  <pFeature>Unavailable</pFeature><pFeature>Acquisition</pFeature><pFeature>Held</pFeature></Category>
<Integer Name="Zero"><Value>0</Value></Integer>
<Integer Name="One"><Value>1</Value></Integer>
<IntReg Name="WidthReg"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<Integer Name="Width"><pValue>WidthReg</pValue></Integer>
<Enumeration Name="PixelFormat"><EnumEntry Name="Mono8"><Value>0</Value></EnumEntry><Value>0</Value></Enumeration>
<Command Name="Start"><pValue>WidthReg</pValue><CommandValue>1</CommandValue></Command>
<Float Name="Exposure"><Value>5000</Value><Unit>us</Unit></Float>
<IntReg Name="Broken"><Address>0xdead0</Address><Length>4</Length><pPort>Device</pPort></IntReg>
<Integer Name="Unavailable"><pIsAvailable>Zero</pIsAvailable><Value>1</Value></Integer>
<Integer Name="Hidden"><pIsImplemented>Zero</pIsImplemented><Value>1</Value></Integer>
<Integer Name="Held"><pIsLocked>One</pIsLocked><Value>2</Value></Integer>)");
    camera.port.failing[0xdead0] = true;
    camera.port.put(0x100, "80 02 00 00");
    std::vector<std::string> lines;
    camera.session->list([&](const Session::Listed &line) {
        lines.push_back(line.path + " | " + line.name + " | " + line.type + " | " + line.access + " | " +
                        (line.readable ? "value " : "reason ") + line.value + (line.unit.empty() ? "" : " " + line.unit));
    });
    std::vector<std::string> expected = {
        "Root/ImageFormat | Width | Integer | RW | value 640",
        "Root/ImageFormat | PixelFormat | Enumeration | RW | value Mono8",
        "Root/Acquisition | Start | Command | RW | reason a command: it is executed, not read",
        "Root/Acquisition | Exposure | Float | RW | value 5000 us",
        "Root/Acquisition | Broken | IntReg | RO | reason register 0xdead0 could not be read (status 0x8003)",
        "Root/Acquisition | Unavailable | Integer | NA | reason not available now",
        "Root/Acquisition | Held | Integer | RO | value 2",
        "Root | Ghost |  | ? | reason the description is faulty at Root: it refers to 'Ghost', which is not in the "
        "description",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(camera.port.writes.empty());
}

// The value a write took, in the feature's own form, as a read would show
// it: what a script is told was written, whatever text it wrote.
TEST(WrittenValues, AreInTheirFormAsAReadShowsThem)
{
    Camera camera(R"(
<IntReg Name="Raw"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  <Sign>Signed</Sign><Endianess>LittleEndian</Endianess></IntReg>
<Integer Name="Width"><pValue>Raw</pValue></Integer>
<FloatReg Name="Exposure"><Address>0x104</Address><Length>8</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort><Endianess>LittleEndian</Endianess></FloatReg>
<Enumeration Name="PixelFormat"><EnumEntry Name="Mono8"><Value>1</Value></EnumEntry>
  <EnumEntry Name="Mono16"><Value>2</Value></EnumEntry><pValue>Raw</pValue></Enumeration>
<Boolean Name="Reverse"><pValue>Raw</pValue></Boolean>
<StringReg Name="Label"><Address>0x110</Address><Length>8</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </StringReg>
<Register Name="Lut"><Address>0x120</Address><Length>3</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </Register>
<Command Name="Start"><pValue>Raw</pValue><CommandValue>1</CommandValue></Command>)");
    const struct {
        const char *name, *text, *form, *shown;
    } cases[] = {
        {"Width", " 0x10 ", "Integer", "16"},
        {"Width", "-7", "Integer", "-7"},
        {"Exposure", "5e3", "Float", "5000"},
        {"Exposure", "0.1", "Float", "0.1"},
        {"PixelFormat", "2", "Enumeration", "Mono16"},
        {"PixelFormat", "Mono8", "Enumeration", "Mono8"},
        {"Reverse", "1", "Boolean", "true"},
        {"Reverse", "false", "Boolean", "false"},
        {"Label", "left", "String", "left"},
        {"Lut", "0x0A0B0C", "Register", "0a 0b 0c"},
        {"Start", "execute", "Command", ""},
    };
    for (const auto &c : cases) {
        genicam::FeatureValue written;
        genicam::Error error;
        ASSERT_TRUE(camera.session->write(c.name, c.text, &written, &error)) << c.name << ": " << error.text;
        EXPECT_STREQ(genicam::valueFormName(written.form), c.form) << c.name << " " << c.text;
        EXPECT_EQ(genicam::formatValue(written), c.shown) << c.name << " " << c.text;
        if (written.form != genicam::ValueForm::Command) {
            EXPECT_EQ(camera.read(c.name), c.shown) << c.name << " reads back as it was told";
        }
    }
    genicam::FeatureValue refused;
    genicam::Error error;
    EXPECT_FALSE(camera.session->write("PixelFormat", "3", &refused, &error));
    EXPECT_EQ(error.kind, genicam::ErrorKind::NotAnEntry);
}

TEST(Listing, TellsTheFormOfEachFeature)
{
    Camera camera(R"(
<Category Name="Root"><pFeature>Width</pFeature><pFeature>Gain</pFeature><pFeature>Mode</pFeature>
  <pFeature>Flag</pFeature><pFeature>Name</pFeature><pFeature>Bytes</pFeature><pFeature>Go</pFeature>
  <pFeature>Ghost</pFeature></Category>
<Integer Name="Width"><Value>1</Value></Integer>
<Float Name="Gain"><Value>1.5</Value></Float>
<Enumeration Name="Mode"><EnumEntry Name="On"><Value>0</Value></EnumEntry><Value>0</Value></Enumeration>
<Boolean Name="Flag"><pValue>Width</pValue></Boolean>
<String Name="Name"><Value>x</Value></String>
<Register Name="Bytes"><Address>0x100</Address><Length>2</Length><AccessMode>RO</AccessMode><pPort>Device</pPort>
  </Register>
<Command Name="Go"><pValue>Width</pValue><CommandValue>1</CommandValue></Command>)");
    std::vector<std::string> forms;
    camera.session->list([&](const Session::Listed &line) {
        forms.push_back(line.name + " " + genicam::valueFormName(line.form));
    });
    EXPECT_EQ(forms, (std::vector<std::string>{"Width Integer", "Gain Float", "Mode Enumeration", "Flag Boolean",
                                               "Name String", "Bytes Register", "Go Command", "Ghost None"}));
}

TEST(Listing, SaysWhenThereIsNoRootCategory)
{
    Camera camera("<Integer Name=\"Width\"><Value>1</Value></Integer>");
    std::vector<std::string> lines;
    camera.session->list([&](const Session::Listed &line) { lines.push_back(line.name + ": " + line.value); });
    EXPECT_EQ(lines, std::vector<std::string>{"Root: the description has no Root category"});
}

// ---------------------------------------------------------------------------
// Numbers and bytes as text.
// ---------------------------------------------------------------------------

struct IntegerText {
    const char *text;
    bool user;  // as a user writes it, else as a description does
    bool accepted;
    int64_t value;
};

TEST(TextForms, IntegersAreDecimalOrHexadecimalAndNothingElse)
{
    const IntegerText cases[] = {
        {"1920", true, true, 1920},
        {" -42 \n", true, true, -42},
        {"+0x1F", true, true, 31},
        {"0X7fffffffffffffff", true, true, INT64_MAX},
        {"-9223372036854775808", true, true, INT64_MIN},
        {"9223372036854775808", true, false, 0},
        {"0xFFFFFFFFFFFFFFFF", true, false, 0},
        {"0xFFFFFFFFFFFFFFFF", false, true, -1},
        {"0x10000000000000000", false, false, 0},
        {"6001G", true, false, 0},
        {"0x", true, false, 0},
        {"", true, false, 0},
        {"- 5", true, false, 0},
        {"1.0", true, false, 0},
        {"12 34", true, false, 0},
    };
    for (const IntegerText &c : cases) {
        int64_t value = 0;
        bool accepted = c.user ? genicam::engine::parseUserInteger(c.text, &value)
                               : genicam::engine::parseDescriptionInteger(c.text, &value);
        EXPECT_EQ(accepted, c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(TextForms, FloatsReadAsStrtodAndPrintShortestThatReadsBack)
{
    const struct {
        const char *text;
        const char *printed;  // nullptr: refused
    } cases[] = {
        {"5000", "5000"},    {"0.1", "0.1"},   {"0.0359", "0.0359"}, {" 1e-7 ", "1e-07"},
        {"0x1p-2", "0.25"},  {"-0", "-0"},     {"inf", "inf"},       {"1e400", nullptr},
        {"5000x", nullptr},  {"", nullptr},    {"1,5", nullptr},     {"0.30000000000000004", "0.30000000000000004"},
    };
    for (const auto &c : cases) {
        double value;
        bool accepted = genicam::engine::parseFloat(c.text, &value);
        EXPECT_EQ(accepted, c.printed != nullptr) << c.text;
        if (accepted) {
            EXPECT_EQ(genicam::engine::formatFloat(value), c.printed) << c.text;
        }
    }
    for (double value : {1.0 / 3, 2e-308, 1.7976931348623157e308, 123456789.125}) {
        double back;
        ASSERT_TRUE(genicam::engine::parseFloat(genicam::engine::formatFloat(value), &back));
        EXPECT_EQ(back, value);
    }
}

TEST(TextForms, BytesAreHexadecimalPairs)
{
    const struct {
        const char *text;
        const char *parsed;  // nullptr: refused
    } cases[] = {
        {"0a ff 10", "0a ff 10"}, {"0x0AFF", "0a ff"}, {" 01  02 ", "01 02"},
        {"1", nullptr},           {"0 a", nullptr},    {"zz", nullptr},       {"", nullptr},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> bytes;
        bool accepted = genicam::engine::parseBytes(c.text, &bytes);
        EXPECT_EQ(accepted, c.parsed != nullptr) << c.text;
        if (accepted) {
            EXPECT_EQ(genicam::engine::formatBytes(bytes.data(), bytes.size()), c.parsed) << c.text;
        }
    }
}

// ---------------------------------------------------------------------------
// Formulas in nodes: SwissKnifes, converters, a register's address.
// ---------------------------------------------------------------------------

const char *const kFormulas = R"(
<Integer Name="Offset"><Value>0x20</Value></Integer>
<Integer Name="Zero"><Value>0</Value></Integer>
<IntReg Name="RegA"><Address>0x10</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="Failing"><Address>0xdead0</Address><Length>4</Length><pPort>Device</pPort></IntReg>
<IntReg Name="KnifeAddressed"><Address>0x100</Address>
  <IntSwissKnife Name="KnifeAddress"><pVariable Name="OFF">Offset</pVariable><Formula>OFF * 2</Formula></IntSwissKnife>
  <Length>4</Length><pPort>Device</pPort></IntReg>
<IntSwissKnife Name="Sum"><pVariable Name="A">RegA</pVariable><Constant Name="TEN">10</Constant>
  <Expression Name="TWICE">A * 2</Expression><Formula><![CDATA[TWICE + TEN > 15 ? 1 : 0]]></Formula></IntSwissKnife>
<SwissKnife Name="Ratio"><pVariable Name="A">RegA</pVariable><Formula>A / 4</Formula></SwissKnife>
<Float Name="Step"><Value>0.1</Value></Float>
<Converter Name="ExposureTime"><pVariable Name="STEP">Step</pVariable><FormulaTo>FROM / STEP</FormulaTo>
  <FormulaFrom>TO * STEP</FormulaFrom><pValue>RegA</pValue></Converter>
<IntConverter Name="Binned"><FormulaTo>FROM / 2</FormulaTo><FormulaFrom>TO * 2</FormulaFrom><pValue>RegA</pValue>
  </IntConverter>
<Enumeration Name="TriggerMode"><EnumEntry Name="Off"><Value>0</Value></EnumEntry>
  <EnumEntry Name="On"><Value>1</Value></EnumEntry><Value>1</Value></Enumeration>
<IntSwissKnife Name="IsOff"><pVariable Name="MODE">TriggerMode</pVariable><Formula>MODE = MODE.Entry.Off</Formula>
  </IntSwissKnife>
<IntSwissKnife Name="OnPlusFive"><pVariable Name="MODE">TriggerMode</pVariable><Formula>MODE.Entry.On + 5</Formula>
  </IntSwissKnife>
<IntSwissKnife Name="NoSuchEntry"><pVariable Name="MODE">TriggerMode</pVariable><Formula>MODE.Entry.Auto</Formula>
  </IntSwissKnife>
<IntSwissKnife Name="IsOffDeclared"><pVariable Name="MODE">TriggerMode</pVariable>
  <pVariable Name="MODE.Entry.Off">TriggerMode</pVariable><Formula>MODE = MODE.Entry.Off</Formula></IntSwissKnife>
<IntSwissKnife Name="OnDeclaredAlone"><pVariable Name="TM.Entry.On">TriggerMode</pVariable><Formula>TM.Entry.On + 5</Formula>
  </IntSwissKnife>
<IntSwissKnife Name="ExpVariable"><pVariable Name="EXP">RegA</pVariable><Formula>EXP + 1</Formula></IntSwissKnife>
<IntSwissKnife Name="DivideByZero"><pVariable Name="Z">Zero</pVariable><Formula>10 / Z</Formula></IntSwissKnife>
<IntSwissKnife Name="UnknownVariable"><Formula>1 + NOPE</Formula></IntSwissKnife>
<IntSwissKnife Name="Syntax"><Formula>1 +</Formula></IntSwissKnife>
<IntSwissKnife Name="SelfExpression"><Expression Name="X">X + 1</Expression><Formula>X</Formula></IntSwissKnife>
<IntSwissKnife Name="ReadFails"><pVariable Name="F">Failing</pVariable><Formula>F + 1</Formula></IntSwissKnife>
<IntSwissKnife Name="NoFormula"><pVariable Name="A">RegA</pVariable></IntSwissKnife>
)";

TEST(Formulas, NodesEvaluateTheirFormulasReadingOnlyWhatTheyNeed)
{
    Camera camera(kFormulas);
    camera.port.failing[0xdead0] = true;
    camera.port.put(0x10, "03 00 00 00");
    camera.port.put(0x140, "2a");
    EXPECT_EQ(camera.read("KnifeAddressed"), "42");
    ASSERT_EQ(camera.port.reads.size(), 1u);
    EXPECT_EQ(camera.port.reads[0].address, 0x140u);
    EXPECT_EQ(camera.read("Sum"), "1");
    EXPECT_EQ(camera.port.reads.size(), 2u);  // A read once, though used twice
    EXPECT_EQ(camera.read("Ratio"), "0.75");
    EXPECT_EQ(camera.read("Binned"), "6");
    EXPECT_EQ(camera.read("ExpVariable"), "4");

    camera.port.put(0x10, "50 c3 00 00");  // 50000
    EXPECT_EQ(camera.read("ExposureTime"), "5000");
    EXPECT_EQ(camera.write("ExposureTime", "2500"), "ok");
    EXPECT_EQ(camera.port.bytesAt(0x10, 4), "a8 61 00 00");  // 25000
    EXPECT_EQ(camera.write("Binned", "10"), "ok");
    EXPECT_EQ(camera.port.bytesAt(0x10, 4), "05 00 00 00");
    EXPECT_EQ(camera.write("Sum", "1"), "error: not writable");
}

// Also where the description declares the entry as a pVariable of that name
// (pVariable Name="MODE.Entry.Off"), as real descriptions do.
TEST(Formulas, AnEntryReferenceIsTheEntrysValueNotTheEnumerationsCurrentOne)
{
    Camera camera(kFormulas);
    EXPECT_EQ(camera.read("IsOff"), "0");
    EXPECT_EQ(camera.read("IsOffDeclared"), "0");
    EXPECT_EQ(camera.read("OnPlusFive"), "6");
    EXPECT_EQ(camera.read("OnDeclaredAlone"), "6");
    EXPECT_EQ(camera.write("TriggerMode", "Off"), "ok");
    EXPECT_EQ(camera.read("IsOff"), "1");
    EXPECT_EQ(camera.read("IsOffDeclared"), "1");
    EXPECT_EQ(camera.read("OnPlusFive"), "6");
    EXPECT_EQ(camera.read("OnDeclaredAlone"), "6");
    EXPECT_EQ(camera.read("NoSuchEntry"), "error: the description is faulty at NoSuchEntry: TriggerMode has no entry Auto");
}

TEST(Formulas, AFormulaErrorIsAnErrorNeverZero)
{
    Camera camera(kFormulas);
    camera.port.failing[0xdead0] = true;
    const struct {
        const char *feature;
        const char *reason;  // the start of the reason
    } cases[] = {
        {"DivideByZero", "error: the description is faulty at DivideByZero: Formula: "},
        {"UnknownVariable", "error: the description is faulty at UnknownVariable: Formula: "},
        {"Syntax", "error: the description is faulty at Syntax: Formula: "},
        {"SelfExpression", "error: the description is faulty at SelfExpression: its expression X uses itself"},
        {"ReadFails", "error: register 0xdead0 could not be read (status 0x8003)"},
        {"NoFormula", "error: the description is faulty at NoFormula: it has no Formula"},
    };
    for (const auto &c : cases) {
        std::string outcome = camera.read(c.feature);
        EXPECT_EQ(outcome.substr(0, strlen(c.reason)), c.reason) << outcome;
    }
}

TEST(Formulas, NestingTenThousandDeepIsRefusedNotRecursedInto)
{
    std::string formula = std::string(10000, '(') + "1" + std::string(10000, ')');
    Camera camera("<IntSwissKnife Name=\"Deep\"><Formula>" + formula + "</Formula></IntSwissKnife>");
    std::string outcome = camera.read("Deep");
    EXPECT_EQ(outcome.rfind("error: the description is faulty at Deep: Formula: ", 0), 0u) << outcome;
}

// ---------------------------------------------------------------------------
// Loading a description.
// ---------------------------------------------------------------------------

struct LoadCase {
    const char *title;
    std::string xml;
    const char *reason;  // nullptr: it loads
};

class Loads : public ::testing::TestWithParam<LoadCase> {};

// Real descriptions' variations load; what is no description is refused.
TEST_P(Loads, AcceptRealVariationsRefuseTheRest)
{
    const LoadCase &c = GetParam();
    std::string reason;
    std::shared_ptr<const genicam::NodeMap> map = genicam::parseNodeMap(c.xml.data(), c.xml.size(), &reason);
    if (!c.reason) {
        ASSERT_TRUE(map) << reason;
        MemoryPort port;
        Session session(map, port);
        std::string text;
        EXPECT_TRUE(session.read("Answer", &text, &reason)) << reason;
        EXPECT_EQ(text, "42");
        return;
    }
    EXPECT_FALSE(map);
    EXPECT_EQ(reason.substr(0, strlen(c.reason)), c.reason);
}

std::string nestedGroups(int depth)
{
    std::string xml = "<RegisterDescription>";
    for (int i = 0; i < depth; i++)
        xml += "<Group Comment=\"g\">";
    xml += "<Integer Name=\"Answer\"><Value>42</Value></Integer>";
    for (int i = 0; i < depth; i++)
        xml += "</Group>";
    return xml + "</RegisterDescription>";
}

const std::string kAnswer = "<Integer Name=\"Answer\"><Value>42</Value></Integer>";

INSTANTIATE_TEST_SUITE_P(
    Descriptions, Loads,
    ::testing::Values(
        LoadCase{"Plain", description(kAnswer), nullptr},
        LoadCase{"ByteOrderMarkNoDeclaration", "\xEF\xBB\xBF<RegisterDescription>" + kAnswer + "</RegisterDescription>",
                 nullptr},
        LoadCase{"OneLine", "<RegisterDescription>" + kAnswer + "<Port Name=\"Device\"/></RegisterDescription>",
                 nullptr},
        LoadCase{"TenThousandNestedGroups", nestedGroups(10000), nullptr},
        LoadCase{"Empty", "", "not XML: "},
        LoadCase{"NotXml", "Width=1920", "not XML: "},
        LoadCase{"Unclosed", "<RegisterDescription><Integer Name=\"A\">", "not XML: "},
        LoadCase{"OtherRoot", "<html><body/></html>",
                 "not a GenICam description: its root element is <html>, not <RegisterDescription>"},
        LoadCase{"TooLarge", std::string(genicam::NodeMap::kMaxSize + 1, ' '), "the description is larger than 8 MiB"}),
    [](const ::testing::TestParamInfo<LoadCase> &info) { return std::string(info.param.title); });

// ---------------------------------------------------------------------------
// Descriptions built to make an engine recurse, run long or grow.
// ---------------------------------------------------------------------------

TEST(Untrusted, ALongChainStopsAtTheDepthLimit)
{
    std::string nodes = "<IntReg Name=\"N0\"><Address>0</Address><Length>4</Length><pPort>Device</pPort></IntReg>";
    for (int i = 1; i <= 200; i++)
        nodes += "<Integer Name=\"N" + std::to_string(i) + "\"><pValue>N" + std::to_string(i - 1) +
                 "</pValue></Integer>";
    Camera camera(nodes);
    EXPECT_EQ(camera.read("N60"), "0");
    EXPECT_EQ(camera.read("N200"), "error: the description is faulty at N136: its references nest deeper than 64 nodes");
    EXPECT_EQ(camera.port.reads.size(), 1u);
}

TEST(Untrusted, ReferencesThatFanOutStopAtTheStepLimit)
{
    // Each level's address adds the next level twice: 2^40 visits unbounded.
    std::string nodes = "<Integer Name=\"L40\"><Value>1</Value></Integer>";
    for (int i = 39; i >= 0; i--)
        nodes += "<IntReg Name=\"L" + std::to_string(i) + "\"><pAddress>L" + std::to_string(i + 1) + "</pAddress><pAddress>L" +
                 std::to_string(i + 1) + "</pAddress><Length>1</Length><pPort>Device</pPort></IntReg>";
    Camera camera(nodes);
    std::string outcome = camera.read("L0");
    EXPECT_NE(outcome.find("visits more than 4096 nodes"), std::string::npos) << outcome;
    EXPECT_LE(camera.port.reads.size(), 4096u);
}

} // namespace

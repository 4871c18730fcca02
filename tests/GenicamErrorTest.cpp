// The kind of every error of the GenICam engine, beside its text: what a
// caller applying many values acts on (wait for another feature, or never).
#include "GenicamCamera.h"

#include <string>

#include <gtest/gtest.h>

namespace {

const char *const kNodes = R"(
<Integer Name="Zero"><Value>0</Value></Integer>
<Integer Name="One"><Value>1</Value></Integer>
<IntReg Name="Reg"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="ReadOnly"><Address>0x100</Address><Length>1</Length><pPort>Device</pPort></IntReg>
<IntReg Name="WriteOnly"><Address>0x100</Address><Length>4</Length><AccessMode>WO</AccessMode><pPort>Device</pPort>
  </IntReg>
<IntReg Name="Failing"><Address>0xdead0</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<IntReg Name="Silent"><Address>0xdead4</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </IntReg>
<Integer Name="Unavailable"><pIsAvailable>Zero</pIsAvailable><Value>1</Value></Integer>
<Integer Name="Unimplemented"><pIsImplemented>Zero</pIsImplemented><Value>1</Value></Integer>
<Integer Name="AvailableIfFailing"><pIsAvailable>Failing</pIsAvailable><Value>1</Value></Integer>
<Integer Name="Locked"><pIsLocked>One</pIsLocked><Value>1</Value></Integer>
<Integer Name="Imposed"><ImposedAccessMode>RO</ImposedAccessMode><pValue>Reg</pValue></Integer>
<Integer Name="Width"><pValue>Reg</pValue><Min>16</Min><Max>4096</Max><Inc>4</Inc></Integer>
<Float Name="Exposure"><Value>100</Value><Min>10</Min><Max>1e6</Max><Inc>0.5</Inc></Float>
<FloatReg Name="Single"><Address>0x200</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </FloatReg>
<Enumeration Name="PixelFormat">
  <EnumEntry Name="Mono8"><Value>1</Value></EnumEntry>
  <EnumEntry Name="Mono10"><pIsImplemented>Zero</pIsImplemented><Value>2</Value></EnumEntry>
  <EnumEntry Name="Mono12"><pIsAvailable>Zero</pIsAvailable><Value>3</Value></EnumEntry>
  <Value>1</Value>
</Enumeration>
<Enumeration Name="Stray"><EnumEntry Name="A"><Value>1</Value></EnumEntry><Value>7</Value></Enumeration>
<Boolean Name="Flag"><Value>false</Value></Boolean>
<Boolean Name="Odd"><pValue>Reg</pValue><OnValue>5</OnValue><OffValue>6</OffValue></Boolean>
<Command Name="Start"><pValue>Reg</pValue><CommandValue>1</CommandValue></Command>
<StringReg Name="Name"><Address>0x300</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </StringReg>
<Register Name="Blob"><Address>0x400</Address><Length>2</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </Register>
<IntSwissKnife Name="Knife"><pVariable Name="R">Reg</pVariable><Formula>R + 1</Formula></IntSwissKnife>
<IntSwissKnife Name="KnifeOnFailing"><pVariable Name="F">Failing</pVariable><Formula>F + 1</Formula></IntSwissKnife>
<IntSwissKnife Name="KnifeOnSilent"><pVariable Name="S">Silent</pVariable><Formula>S + 1</Formula></IntSwissKnife>
<IntSwissKnife Name="KnifeOnHidden"><pVariable Name="H">Unimplemented</pVariable><Expression Name="E">H * 2</Expression>
  <Formula>E + 1</Formula></IntSwissKnife>
<IntSwissKnife Name="Divide"><pVariable Name="Z">Zero</pVariable><Formula>1 / Z</Formula></IntSwissKnife>
<Integer Name="Loop"><pValue>Loop</pValue></Integer>
<Integer Name="Dangling"><pValue>Nowhere</pValue></Integer>
<Category Name="Root"><pFeature>Width</pFeature></Category>
<Port Name="ChunkPort"><ChunkID>1234</ChunkID></Port>
<IntReg Name="Chunk"><Address>0</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>ChunkPort</pPort></IntReg>
<MaskedIntReg Name="ChunkBit"><Address>0</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>ChunkPort</pPort>
  <Bit>3</Bit></MaskedIntReg>
<ConfRom Name="Rom"><Unit>0</Unit><Address>0</Address><Length>4</Length><pPort>Device</pPort></ConfRom>
)";

struct KindCase {
    const char *title;
    const char *feature;
    const char *text;      // nullptr: a read
    const char *outcome;   // "<Kind>: <reason>"
};

class Kinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(Kinds, EveryFailureHasItsKindBesideItsText)
{
    const KindCase &c = GetParam();
    Camera camera(kNodes);
    camera.port.failing[0xdead0] = true;
    camera.port.silent[0xdead4] = true;
    camera.port.put(0x100, "01 00 00 00");
    EXPECT_EQ(camera.outcome(c.feature, c.text), c.outcome);
    // The text alone is the same through the other overloads.
    std::string text = c.text ? camera.write(c.feature, c.text) : camera.read(c.feature);
    std::string outcome = c.outcome;
    EXPECT_EQ(text, "error: " + outcome.substr(outcome.find(": ") + 2));
}

INSTANTIATE_TEST_SUITE_P(
    EachKind, Kinds,
    ::testing::Values(
        KindCase{"Missing", "Height", nullptr, "NoSuchFeature: no such feature"},
        KindCase{"MissingOnWrite", "Height", "1", "NoSuchFeature: no such feature"},
        KindCase{"Category", "Root", nullptr, "NoSuchFeature: a category, not a value"},
        KindCase{"Port", "Device", "1", "NoSuchFeature: a port, not a value"},
        KindCase{"UnreadNodeType", "Rom", nullptr, "NoSuchFeature: a ConfRom node, which this tool does not read"},
        KindCase{"NotImplemented", "Unimplemented", nullptr, "NotImplemented: not implemented"},
        KindCase{"EntryNotImplemented", "PixelFormat", "Mono10",
                 "NotImplemented: entry Mono10 of PixelFormat is not implemented"},
        KindCase{"EntryNotImplementedByValue", "PixelFormat", "2",
                 "NotImplemented: entry Mono10 of PixelFormat is not implemented"},
        KindCase{"NotAvailable", "Unavailable", "2", "NotAvailable: not available now"},
        KindCase{"EntryNotAvailable", "PixelFormat", "Mono12",
                 "NotAvailable: entry Mono12 of PixelFormat is not available now"},
        KindCase{"Locked", "Locked", "2", "Locked: locked"},
        KindCase{"WriteOnly", "WriteOnly", nullptr, "NotReadable: not readable"},
        KindCase{"CommandRead", "Start", nullptr, "NotReadable: a command: it is executed, not read"},
        KindCase{"ChunkRead", "Chunk", nullptr, "NotReadable: only in an image's chunk data"},
        KindCase{"ReadOnly", "ReadOnly", "1", "NotWritable: not writable"},
        KindCase{"Imposed", "Imposed", "1", "NotWritable: not writable"},
        KindCase{"KnifeWrite", "Knife", "1", "NotWritable: not writable"},
        KindCase{"ChunkWrite", "Chunk", "1", "NotWritable: only in an image's chunk data"},
        KindCase{"ChunkFieldWrite", "ChunkBit", "1", "NotWritable: only in an image's chunk data"},
        KindCase{"IntegerBelow", "Width", "8", "BelowMinimum: below the minimum (16 to 4096 in steps of 4)"},
        KindCase{"FloatBelow", "Exposure", "1.5", "BelowMinimum: below the minimum (10 to 1e+06 in steps of 0.5)"},
        KindCase{"SingleBelow", "Single", "-1e39", "BelowMinimum: beyond a 4-byte float"},
        KindCase{"IntegerAbove", "Width", "8192", "AboveMaximum: above the maximum (16 to 4096 in steps of 4)"},
        KindCase{"FloatAbove", "Exposure", "2e6", "AboveMaximum: above the maximum (10 to 1e+06 in steps of 0.5)"},
        KindCase{"RegisterAbove", "Reg", "0x100000000", "AboveMaximum: above the maximum (0 to 4294967295)"},
        KindCase{"RegisterBelow", "Reg", "-1", "BelowMinimum: below the minimum (0 to 4294967295)"},
        KindCase{"SingleAbove", "Single", "1e39", "AboveMaximum: beyond a 4-byte float"},
        KindCase{"IntegerIncrement", "Width", "18", "NotOnIncrement: not on the increment (16 to 4096 in steps of 4)"},
        KindCase{"FloatIncrement", "Exposure", "10.25",
                 "NotOnIncrement: not on the increment (10 to 1e+06 in steps of 0.5)"},
        KindCase{"NoSuchEntry", "PixelFormat", "Mono9", "NotAnEntry: not an entry of PixelFormat (Mono8, Mono12)"},
        KindCase{"NoSuchEntryValue", "PixelFormat", "9", "NotAnEntry: not an entry of PixelFormat (Mono8, Mono12)"},
        KindCase{"IntegerText", "Width", "6001G", "BadValueText: not an integer: '6001G'"},
        KindCase{"FloatText", "Exposure", "5000x", "BadValueText: not a number: '5000x'"},
        KindCase{"FloatNaN", "Exposure", "nan", "BadValueText: not a number: 'nan'"},
        KindCase{"BooleanText", "Flag", "yes", "BadValueText: not a boolean: 'yes' (true, false, 1 or 0)"},
        KindCase{"BytesText", "Blob", "0g", "BadValueText: not hexadecimal bytes: '0g'"},
        KindCase{"BytesLength", "Blob", "01", "BadValueText: the register has 2 bytes, not 1"},
        KindCase{"StringLength", "Name", "abcde", "BadValueText: longer than the register's 4 bytes"},
        KindCase{"CommandWord", "Start", "go", "BadValueText: a command is executed by writing 1 or execute, not 'go'"},
        KindCase{"PortRead", "Failing", nullptr, "RegisterIo: register 0xdead0 could not be read (status 0x8003)"},
        KindCase{"PortWrite", "Failing", "1", "RegisterIo: register 0xdead0 could not be written (status 0x8003)"},
        KindCase{"PortReadOfACondition", "AvailableIfFailing", nullptr,
                 "RegisterIo: register 0xdead0 could not be read (status 0x8003)"},
        KindCase{"PortReadInAFormula", "KnifeOnFailing", nullptr,
                 "RegisterIo: register 0xdead0 could not be read (status 0x8003)"},
        // A port that says nothing is still a register failure, not the
        // formula's fault.
        KindCase{"SilentPortReadInAFormula", "KnifeOnSilent", nullptr, "RegisterIo: variable S could not be read"},
        KindCase{"VariableInAnExpression", "KnifeOnHidden", nullptr, "NotImplemented: not implemented"},
        KindCase{"FormulaFault", "Divide", nullptr,
                 "FaultyDescription: the description is faulty at Divide: Formula: '/' at character 3: division by "
                 "zero"},
        KindCase{"Cycle", "Loop", nullptr,
                 "FaultyDescription: the description is faulty at Loop: its references form a cycle"},
        KindCase{"MissingNode", "Dangling", "1",
                 "FaultyDescription: the description is faulty at Dangling: it refers to 'Nowhere', which is not in "
                 "the description"},
        KindCase{"BooleanHoldsNeither", "Odd", nullptr,
                 "FaultyDescription: Odd holds 1, neither its OnValue 5 nor its OffValue 6"},
        KindCase{"EnumerationHoldsNoEntry", "Stray", nullptr,
                 "FaultyDescription: Stray holds 7, which is none of its entries"}),
    [](const ::testing::TestParamInfo<KindCase> &info) { return std::string(info.param.title); });

// Every kind has a name, for logs and for these tests.
TEST(Kinds, EachKindIsNamed)
{
    using genicam::ErrorKind;
    const std::pair<ErrorKind, const char *> names[] = {
        {ErrorKind::None, "None"},
        {ErrorKind::NoSuchFeature, "NoSuchFeature"},
        {ErrorKind::NotImplemented, "NotImplemented"},
        {ErrorKind::NotAvailable, "NotAvailable"},
        {ErrorKind::Locked, "Locked"},
        {ErrorKind::NotReadable, "NotReadable"},
        {ErrorKind::NotWritable, "NotWritable"},
        {ErrorKind::BelowMinimum, "BelowMinimum"},
        {ErrorKind::AboveMaximum, "AboveMaximum"},
        {ErrorKind::NotOnIncrement, "NotOnIncrement"},
        {ErrorKind::NotAnEntry, "NotAnEntry"},
        {ErrorKind::BadValueText, "BadValueText"},
        {ErrorKind::RegisterIo, "RegisterIo"},
        {ErrorKind::FaultyDescription, "FaultyDescription"},
    };
    for (const auto &name : names)
        EXPECT_STREQ(genicam::errorKindName(name.first), name.second);
}

} // namespace

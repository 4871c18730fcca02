// The GenICam engine's semantics as a table: one row per rule of the
// standard and of this engine's documented arithmetic, for reads and for
// writes.  Each row gives a description snippet, the register bytes before,
// the operations, and the exact value or reason of each and every register
// write they make (address and bytes).
//
// Written against the engine's public interface only (parseNodeMap and
// Session over a Port in memory): the engine's insides may be rearranged at
// will, and this table is what shows that no value changed.
#include "Engine.h"

#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Bytes as hexadecimal pairs, "0a ff".
std::string hexBytes(const uint8_t *bytes, size_t size)
{
    std::string text;
    char pair[4];
    for (size_t i = 0; i < size; i++) {
        snprintf(pair, sizeof pair, i ? " %02x" : "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

// A camera's registers in memory: 0 where nothing was put.  Records every
// write as "0x<address>: <bytes>"; the address 0xdead0 fails every access.
class MemoryPort : public genicam::Port {
public:
    static const uint64_t kFailing = 0xdead0;

    bool read(uint64_t address, uint8_t *bytes, size_t size, std::string *reason) override
    {
        reads++;
        if (address == kFailing) {
            *reason = "register 0xdead0 could not be read";
            return false;
        }
        for (size_t i = 0; i < size; i++) {
            auto held = memory.find(address + i);
            bytes[i] = held != memory.end() ? held->second : 0;
        }
        return true;
    }
    bool write(uint64_t address, const uint8_t *bytes, size_t size, std::string *reason) override
    {
        char at[32];
        snprintf(at, sizeof at, "0x%llx: ", (unsigned long long)address);
        writes.push_back(at + hexBytes(bytes, size));
        if (address == kFailing) {
            *reason = "register 0xdead0 could not be written";
            return false;
        }
        for (size_t i = 0; i < size; i++)
            memory[address + i] = bytes[i];
        return true;
    }

    std::map<uint64_t, uint8_t> memory;
    std::vector<std::string> writes;
    size_t reads = 0;
};

// Splits text at each separator.
std::vector<std::string> split(const std::string &text, const std::string &separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + separator.size();
    }
}

std::string join(const std::vector<std::string> &parts, const std::string &separator)
{
    std::string text;
    for (size_t i = 0; i < parts.size(); i++)
        text += (i ? separator : "") + parts[i];
    return text;
}

// Puts "0x100: 01 02; 0x200: ff" into memory.
void put(MemoryPort &port, const std::string &before)
{
    if (before.empty())
        return;
    for (const std::string &run : split(before, "; ")) {
        size_t colon = run.find(": ");
        ASSERT_NE(colon, std::string::npos) << run;
        uint64_t address = strtoull(run.c_str(), nullptr, 16);
        for (const std::string &pair : split(run.substr(colon + 2), " "))
            port.memory[address++] = (uint8_t)strtoul(pair.c_str(), nullptr, 16);
    }
}

std::string description(const std::string &nodes)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<RegisterDescription ModelName=\"M\" VendorName=\"V\" StandardNameSpace=\"None\" SchemaMajorVersion=\"1\" "
           "SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\" "
           "SubMinorVersion=\"0\" ProductGuid=\"0\" VersionGuid=\"0\" "
           "xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n" +
           nodes + "\n<Port Name=\"Device\"/>\n</RegisterDescription>\n";
}

// One rule.  steps: "read F", "write F text" or "list", separated by "; ".
// outcome: per step the value read, "ok", "error: <reason>", or for list
// "Name Type Access" per feature joined by ", ".  writes: every register
// write the steps make, in order, "0x100: 01 02", joined by "; ".
struct Row {
    const char *rule;
    std::string nodes;
    const char *before;
    const char *steps;
    const char *outcome;
    const char *writes;
};

// Runs one row on a fresh session; "" when it holds, else what differed.
std::string run(const Row &row)
{
    std::string xml = description(row.nodes), reason;
    std::shared_ptr<const genicam::NodeMap> map = genicam::parseNodeMap(xml.data(), xml.size(), &reason);
    if (!map)
        return "the description does not parse: " + reason;
    MemoryPort port;
    put(port, row.before);
    genicam::Session session(map, port);
    std::vector<std::string> outcomes;
    for (const std::string &step : split(row.steps, "; ")) {
        std::vector<std::string> words = split(step, " ");
        std::string text;
        reason.clear();
        if (words[0] == "list") {
            std::vector<std::string> lines;
            session.list([&](const genicam::Session::Listed &line) {
                lines.push_back(line.name + " " + line.type + " " + line.access);
            });
            outcomes.push_back(join(lines, ", "));
        } else if (words[0] == "read" && words.size() == 2) {
            bool read = session.read(words[1], &text, &reason);
            outcomes.push_back(read ? text : "error: " + reason);
        } else if (words[0] == "write" && words.size() >= 3) {
            std::string value = step.substr(words[0].size() + words[1].size() + 2);
            bool written = session.write(words[1], value, &reason);
            outcomes.push_back(written ? "ok" : "error: " + reason);
        } else {
            return "a step the table does not know: " + step;
        }
    }
    std::string outcome = join(outcomes, "; "), writes = join(port.writes, "; ");
    std::string differences;
    if (outcome != row.outcome)
        differences += "\n  outcome " + outcome + "\n  expected " + row.outcome;
    if (writes != row.writes)
        differences += "\n  writes " + writes + "\n  expected " + row.writes;
    return differences;
}

void check(const std::vector<Row> &rows)
{
    for (const Row &row : rows) {
        std::string differences = run(row);
        EXPECT_EQ(differences, "") << row.rule << ": " << row.steps;
    }
}

// A register node of the device's port.
std::string reg(const char *type, const char *name, const char *address, int length, const char *extra = "",
                const char *access = "RW")
{
    return std::string("<") + type + " Name=\"" + name + "\"><Address>" + address + "</Address><Length>" +
           std::to_string(length) + "</Length><AccessMode>" + access + "</AccessMode><pPort>Device</pPort>" + extra +
           "</" + type + ">\n";
}

const char *const kLE = "<Endianess>LittleEndian</Endianess>";
const char *const kBE = "<Endianess>BigEndian</Endianess>";
const char *const kSignedLE = "<Sign>Signed</Sign><Endianess>LittleEndian</Endianess>";
const char *const kSignedBE = "<Sign>Signed</Sign><Endianess>BigEndian</Endianess>";

// An IntSwissKnife K and a SwissKnife F computing formula, with variables
// BIG (INT64_MAX), MIN (INT64_MIN) and X (6).
std::string knives(const std::string &formula)
{
    std::string variables = "<pVariable Name=\"BIG\">Big</pVariable><pVariable Name=\"MIN\">Min</pVariable>"
                            "<pVariable Name=\"X\">Six</pVariable>";
    return "<Integer Name=\"Big\"><Value>9223372036854775807</Value></Integer>\n"
           "<Integer Name=\"Min\"><Value>-9223372036854775808</Value></Integer>\n"
           "<Integer Name=\"Six\"><Value>6</Value></Integer>\n"
           "<IntSwissKnife Name=\"K\">" +
           variables + "<Formula><![CDATA[" + formula + "]]></Formula></IntSwissKnife>\n" + "<SwissKnife Name=\"F\">" +
           variables + "<Formula><![CDATA[" + formula + "]]></Formula></SwissKnife>\n";
}

// A formula's value in integer arithmetic (K) and in floating (F).
Row formula(const char *rule, const char *text, const char *outcome)
{
    return Row{rule, knives(text), "", "read K; read F", outcome, ""};
}

// ---------------------------------------------------------------------------
// IntReg: length 1, 2, 4 and 8, both byte orders, signed and unsigned, the
// range each allows on a write, the access mode.
// ---------------------------------------------------------------------------

const std::string kIntRegs = reg("IntReg", "U1", "0x10", 1, kLE) + reg("IntReg", "S1", "0x11", 1, kSignedBE) +
                             reg("IntReg", "U2L", "0x20", 2, kLE) + reg("IntReg", "U2B", "0x22", 2, kBE) +
                             reg("IntReg", "S2L", "0x24", 2, kSignedLE) + reg("IntReg", "S2B", "0x26", 2, kSignedBE) +
                             reg("IntReg", "U3L", "0x28", 3, kLE) + reg("IntReg", "U4L", "0x30", 4, kLE) +
                             reg("IntReg", "U4B", "0x34", 4, kBE) + reg("IntReg", "S4L", "0x38", 4, kSignedLE) +
                             reg("IntReg", "S4B", "0x3c", 4, kSignedBE) + reg("IntReg", "U8L", "0x40", 8, kLE) +
                             reg("IntReg", "U8B", "0x48", 8, kBE) + reg("IntReg", "S8L", "0x50", 8, kSignedLE) +
                             reg("IntReg", "S8B", "0x58", 8, kSignedBE) + reg("IntReg", "Plain", "0x60", 2) +
                             reg("IntReg", "RO", "0x64", 4, "", "RO") + reg("IntReg", "WO", "0x68", 4, "", "WO") +
                             reg("IntReg", "Failing", "0xdead0", 4) +
                             "<IntReg Name=\"NoMode\"><Address>0x6c</Address><Length>4</Length><pPort>Device</pPort>"
                             "</IntReg>\n" +
                             reg("IntReg", "Wide", "0x70", 9) + reg("IntReg", "Empty", "0x70", 0);

TEST(Semantics, IntRegReads)
{
    check({
        {"1 byte unsigned", kIntRegs, "0x10: ff", "read U1", "255", ""},
        {"1 byte signed: the top bit is the sign", kIntRegs, "0x11: 80", "read S1", "-128", ""},
        {"1 byte signed, top bit clear", kIntRegs, "0x11: 7f", "read S1", "127", ""},
        {"2 bytes little-endian", kIntRegs, "0x20: 34 12", "read U2L", "4660", ""},
        {"2 bytes big-endian", kIntRegs, "0x22: 12 34", "read U2B", "4660", ""},
        {"2 bytes unsigned, all ones", kIntRegs, "0x20: ff ff", "read U2L", "65535", ""},
        {"2 bytes signed little-endian", kIntRegs, "0x24: fe ff", "read S2L", "-2", ""},
        {"2 bytes signed big-endian, most negative", kIntRegs, "0x26: 80 00", "read S2B", "-32768", ""},
        {"3 bytes little-endian", kIntRegs, "0x28: 01 02 03", "read U3L", "197121", ""},
        {"4 bytes little-endian", kIntRegs, "0x30: 78 56 34 12", "read U4L", "305419896", ""},
        {"4 bytes big-endian", kIntRegs, "0x34: 12 34 56 78", "read U4B", "305419896", ""},
        {"4 bytes unsigned, all ones", kIntRegs, "0x30: ff ff ff ff", "read U4L", "4294967295", ""},
        {"4 bytes signed, most negative", kIntRegs, "0x38: 00 00 00 80", "read S4L", "-2147483648", ""},
        {"4 bytes signed big-endian, most positive", kIntRegs, "0x3c: 7f ff ff ff", "read S4B", "2147483647", ""},
        {"8 bytes little-endian", kIntRegs, "0x40: 01 02 03 04 05 06 07 08", "read U8L", "578437695752307201", ""},
        {"8 bytes big-endian", kIntRegs, "0x48: 01 02 03 04 05 06 07 08", "read U8B", "72623859790382856", ""},
        {"8 bytes unsigned, top bit set: the 64-bit pattern", kIntRegs, "0x48: ff ff ff ff ff ff ff fe", "read U8B",
         "-2", ""},
        {"8 bytes signed, most negative", kIntRegs, "0x50: 00 00 00 00 00 00 00 80", "read S8L",
         "-9223372036854775808", ""},
        {"8 bytes signed big-endian, most positive", kIntRegs, "0x58: 7f ff ff ff ff ff ff ff", "read S8B",
         "9223372036854775807", ""},
        {"no Sign and no Endianess: unsigned little-endian", kIntRegs, "0x60: fe ff", "read Plain", "65534", ""},
        {"no AccessMode: read-only", kIntRegs, "0x6c: 05", "read NoMode; write NoMode 1", "5; error: not writable",
         ""},
        {"write-only is not read", kIntRegs, "0x68: 05", "read WO", "error: not readable", ""},
        {"the port's reason is passed on", kIntRegs, "", "read Failing", "error: register 0xdead0 could not be read",
         ""},
        {"more than 8 bytes is no integer", kIntRegs, "", "read Wide",
         "error: the description is faulty at Wide: it is an IntReg of 9 bytes", ""},
        {"0 bytes is no register", kIntRegs, "", "read Empty",
         "error: the description is faulty at Empty: its length is 0 bytes", ""},
    });
}

TEST(Semantics, IntRegWrites)
{
    check({
        {"1 byte unsigned maximum", kIntRegs, "", "write U1 255", "ok", "0x10: ff"},
        {"1 byte unsigned: beyond is refused", kIntRegs, "", "write U1 256",
         "error: above the maximum (0 to 255)", ""},
        {"1 byte unsigned: negative is refused", kIntRegs, "", "write U1 -1", "error: below the minimum (0 to 255)",
         ""},
        {"1 byte signed minimum", kIntRegs, "", "write S1 -128", "ok", "0x11: 80"},
        {"1 byte signed: beyond the maximum", kIntRegs, "", "write S1 128", "error: above the maximum (-128 to 127)",
         ""},
        {"1 byte signed: beyond the minimum", kIntRegs, "", "write S1 -129", "error: below the minimum (-128 to 127)",
         ""},
        {"2 bytes little-endian", kIntRegs, "", "write U2L 4660", "ok", "0x20: 34 12"},
        {"2 bytes big-endian", kIntRegs, "", "write U2B 4660", "ok", "0x22: 12 34"},
        {"2 bytes unsigned: 65536 is refused", kIntRegs, "", "write U2B 65536",
         "error: above the maximum (0 to 65535)", ""},
        {"2 bytes signed big-endian, negative", kIntRegs, "", "write S2B -2", "ok", "0x26: ff fe"},
        {"2 bytes signed little-endian minimum", kIntRegs, "", "write S2L -32768", "ok", "0x24: 00 80"},
        {"2 bytes signed: 32768 is refused", kIntRegs, "", "write S2L 32768",
         "error: above the maximum (-32768 to 32767)", ""},
        {"3 bytes: its own range", kIntRegs, "", "write U3L 16777215; write U3L 16777216",
         "ok; error: above the maximum (0 to 16777215)", "0x28: ff ff ff"},
        {"4 bytes unsigned maximum", kIntRegs, "", "write U4L 4294967295", "ok", "0x30: ff ff ff ff"},
        {"4 bytes unsigned: 2^32 is refused", kIntRegs, "", "write U4L 4294967296",
         "error: above the maximum (0 to 4294967295)", ""},
        {"4 bytes unsigned: negative is refused, not wrapped", kIntRegs, "", "write U4B -1",
         "error: below the minimum (0 to 4294967295)", ""},
        {"4 bytes big-endian", kIntRegs, "", "write U4B 305419896", "ok", "0x34: 12 34 56 78"},
        {"4 bytes signed minimum, big-endian", kIntRegs, "", "write S4B -2147483648", "ok", "0x3c: 80 00 00 00"},
        {"4 bytes signed: 2^31 is refused", kIntRegs, "", "write S4L 2147483648",
         "error: above the maximum (-2147483648 to 2147483647)", ""},
        {"4 bytes signed: below -2^31 is refused", kIntRegs, "", "write S4L -2147483649",
         "error: below the minimum (-2147483648 to 2147483647)", ""},
        {"8 bytes little-endian", kIntRegs, "", "write U8L 578437695752307201", "ok",
         "0x40: 01 02 03 04 05 06 07 08"},
        {"8 bytes big-endian", kIntRegs, "", "write U8B 72623859790382856", "ok", "0x48: 01 02 03 04 05 06 07 08"},
        {"8 bytes unsigned: negative is refused", kIntRegs, "", "write U8B -1",
         "error: below the minimum (0 to 9223372036854775807)", ""},
        {"8 bytes signed minimum", kIntRegs, "", "write S8L -9223372036854775808", "ok",
         "0x50: 00 00 00 00 00 00 00 80"},
        {"8 bytes signed maximum, big-endian", kIntRegs, "", "write S8B 9223372036854775807", "ok",
         "0x58: 7f ff ff ff ff ff ff ff"},
        {"text beyond 64 bits is no integer", kIntRegs, "", "write S8B 9223372036854775808",
         "error: not an integer: '9223372036854775808'", ""},
        {"hexadecimal text, with white space and a sign", kIntRegs, "", "write U2L  +0x1F ", "ok", "0x20: 1f 00"},
        {"a decimal point is no integer", kIntRegs, "", "write U2L 1.0", "error: not an integer: '1.0'", ""},
        {"read-only by its access mode", kIntRegs, "", "write RO 1", "error: not writable", ""},
        {"write-only is written", kIntRegs, "", "write WO 7", "ok", "0x68: 07 00 00 00"},
        {"the port's refusal is passed on", kIntRegs, "", "write Failing 1",
         "error: register 0xdead0 could not be written", "0xdead0: 01 00 00 00"},
    });
}

// ---------------------------------------------------------------------------
// Where a register is: Address elements, pAddress, an IntSwissKnife, pIndex.
// ---------------------------------------------------------------------------

const std::string kAddresses = R"(
<Integer Name="Base"><Value>0x1000</Value></Integer>
<Integer Name="High"><Value>0x200000000</Value></Integer>
<Integer Name="Sel"><Value>2</Value></Integer>
<Integer Name="Step"><Value>3</Value></Integer>
<IntReg Name="Sum"><Address>0x10</Address><Address>0x1</Address><pAddress>Base</pAddress><pAddress>Base</pAddress>
  <Length>1</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="Above4G"><pAddress>High</pAddress><Address>0x20</Address><Length>1</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort></IntReg>
<IntReg Name="Knifed"><Address>0x100</Address>
  <IntSwissKnife Name="At"><pVariable Name="B">Base</pVariable><Formula>B / 2</Formula></IntSwissKnife>
  <Length>1</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="ByOffset"><Address>0x300</Address><pIndex Offset="0x10">Sel</pIndex><Length>1</Length>
  <AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<IntReg Name="ByLength"><Address>0x400</Address><pIndex>Sel</pIndex><Length>2</Length><AccessMode>RW</AccessMode>
  <pPort>Device</pPort></IntReg>
<IntReg Name="ByNode"><Address>0x500</Address><pIndex pOffset="Step">Sel</pIndex><Length>1</Length>
  <AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
)";

TEST(Semantics, Addresses)
{
    check({
        {"Address elements and pAddress nodes add up", kAddresses, "0x2011: 05", "read Sum; write Sum 6", "5; ok",
         "0x2011: 06"},
        {"an address above 4 GiB", kAddresses, "", "write Above4G 9", "ok", "0x200000020: 09"},
        {"an IntSwissKnife in a register adds its value", kAddresses, "", "write Knifed 1", "ok", "0x900: 01"},
        {"pIndex adds index times its Offset", kAddresses, "", "write ByOffset 1", "ok", "0x320: 01"},
        {"pIndex without an offset adds index times the length", kAddresses, "", "write ByLength 1", "ok",
         "0x404: 01 00"},
        {"pIndex with pOffset adds index times that node", kAddresses, "", "write ByNode 1", "ok", "0x506: 01"},
        {"a written index moves the register", kAddresses, "", "write Sel 0; write ByOffset 1", "ok; ok",
         "0x300: 01"},
    });
}

// ---------------------------------------------------------------------------
// MaskedIntReg and StructEntry: fields at bit 0 and bit 63, in both byte
// orders (big-endian numbers bit 0 as the most significant), signed fields,
// and the bits around a field kept on a write.
// ---------------------------------------------------------------------------

std::string field(const char *name, const char *address, int length, const char *bits, const char *extra = "",
                  const char *access = "RW")
{
    return reg("MaskedIntReg", name, address, length, (std::string(bits) + extra).c_str(), access);
}

const std::string kFields =
    field("L0", "0x100", 8, "<Bit>0</Bit>", kLE) + field("L63", "0x100", 8, "<Bit>63</Bit>", kLE) +
    field("LLow", "0x100", 8, "<LSB>0</LSB><MSB>3</MSB>", kLE) + field("LTop", "0x100", 8, "<LSB>60</LSB><MSB>63</MSB>", kLE) +
    field("LMid", "0x100", 8, "<LSB>8</LSB><MSB>11</MSB>", kSignedLE) +
    field("LAll", "0x100", 8, "<LSB>0</LSB><MSB>63</MSB>", kLE) +
    field("LAllSigned", "0x100", 8, "<LSB>0</LSB><MSB>63</MSB>", kSignedLE) +
    field("LTopSigned", "0x100", 8, "<LSB>60</LSB><MSB>63</MSB>", kSignedLE) +
    field("LBitSigned", "0x100", 8, "<Bit>63</Bit>", kSignedLE) +
    field("B0", "0x200", 8, "<Bit>0</Bit>", kBE) + field("B63", "0x200", 8, "<Bit>63</Bit>", kBE) +
    field("BLow", "0x200", 8, "<LSB>63</LSB><MSB>60</MSB>", kBE) +
    field("BMid", "0x200", 8, "<LSB>11</LSB><MSB>4</MSB>", kSignedBE) +
    field("W1", "0x300", 1, "<LSB>1</LSB><MSB>6</MSB>", kLE) + field("W2", "0x302", 2, "<LSB>11</LSB><MSB>4</MSB>", kBE) +
    field("W4", "0x304", 4, "<Bit>31</Bit>", kLE) + field("RO", "0x100", 8, "<Bit>0</Bit>", kLE, "RO") +
    field("WO", "0x100", 8, "<LSB>4</LSB><MSB>7</MSB>", kLE, "WO") +
    field("BadBits", "0x100", 8, "<LSB>3</LSB><MSB>7</MSB>", kBE) + field("Outside", "0x300", 1, "<Bit>8</Bit>") + R"(
<StructReg Comment="fields of one register">
  <Address>0x400</Address><Length>2</Length><AccessMode>RW</AccessMode><pPort>Device</pPort><Endianess>BigEndian</Endianess>
  <StructEntry Name="Top"><LSB>3</LSB><MSB>0</MSB></StructEntry>
  <StructEntry Name="Low"><Bit>15</Bit><AccessMode>RO</AccessMode></StructEntry>
  <StructEntry Name="Signed"><LSB>7</LSB><MSB>4</MSB><Sign>Signed</Sign></StructEntry>
</StructReg>
)";

const char *const kOnes = "0x100: ff ff ff ff ff ff ff ff; 0x200: ff ff ff ff ff ff ff ff";

TEST(Semantics, MaskedReads)
{
    check({
        {"little-endian bit 0 is the lowest bit", kFields, "0x100: 01", "read L0; read L63", "1; 0", ""},
        {"little-endian bit 63 is the top bit, unsigned", kFields, "0x107: 80", "read L63; read L0", "1; 0", ""},
        {"little-endian field at bit 0", kFields, "0x100: a5", "read LLow", "5", ""},
        {"little-endian field up to bit 63", kFields, "0x107: a5", "read LTop", "10", ""},
        {"a signed field's top bit is its sign", kFields, "0x101: 0e", "read LMid", "-2", ""},
        {"a signed field up to bit 63", kFields, "0x107: 80", "read LTopSigned", "-8", ""},
        {"a signed field of one bit is 0 or -1", kFields, "0x107: 80", "read LBitSigned", "-1", ""},
        {"all 64 bits unsigned: the 64-bit pattern", kFields, kOnes, "read LAll", "-1", ""},
        {"all 64 bits signed", kFields, "0x100: fe ff ff ff ff ff ff ff", "read LAllSigned", "-2", ""},
        {"big-endian bit 0 is the most significant bit", kFields, "0x200: 80", "read B0; read B63", "1; 0", ""},
        {"big-endian bit 63 is the least significant bit", kFields, "0x207: 01", "read B63; read B0", "1; 0", ""},
        {"big-endian LSB 63 MSB 60 is the low nibble", kFields, "0x207: 5a", "read BLow", "10", ""},
        {"big-endian signed field across a byte", kFields, "0x200: 0f 80", "read BMid", "-8", ""},
        {"1-byte register field", kFields, "0x300: 7e", "read W1", "63", ""},
        {"2-byte big-endian field, its bits numbered from the top", kFields, "0x302: 0a bc", "read W2", "171", ""},
        {"4-byte little-endian bit 31", kFields, "0x307: 80", "read W4", "1", ""},
        {"big-endian LSB above MSB is required", kFields, "", "read BadBits",
         "error: the description is faulty at BadBits: LSB 3 and MSB 7 are no field of a 8-byte big-endian register",
         ""},
        {"a bit outside the register", kFields, "", "read Outside",
         "error: the description is faulty at Outside: LSB 8 and MSB 8 are no field of a 1-byte little-endian "
         "register",
         ""},
        {"StructEntry fields share the register", kFields, "0x400: a0 01", "read Top; read Low", "10; 1", ""},
        {"a signed StructEntry", kFields, "0x400: 08 00", "read Signed", "-8", ""},
    });
}

TEST(Semantics, MaskedWrites)
{
    check({
        {"bit 0 set, the rest kept", kFields, "0x100: 10 20 30 40 50 60 70 80", "write L0 1", "ok",
         "0x100: 11 20 30 40 50 60 70 80"},
        {"bit 63 set, the rest kept", kFields, "0x100: 01 02 03 04 05 06 07 08", "write L63 1", "ok",
         "0x100: 01 02 03 04 05 06 07 88"},
        {"bit 63 cleared among ones", kFields, kOnes, "write L63 0", "ok", "0x100: ff ff ff ff ff ff ff 7f"},
        {"a bit holds 0 or 1 only", kFields, "", "write L63 2", "error: above the maximum (0 to 1)", ""},
        {"an unsigned field refuses negatives", kFields, "", "write LLow -1", "error: below the minimum (0 to 15)",
         ""},
        {"field at bit 0 among ones", kFields, kOnes, "write LLow 5", "ok", "0x100: f5 ff ff ff ff ff ff ff"},
        {"field up to bit 63 among zeros", kFields, "", "write LTop 15", "ok", "0x100: 00 00 00 00 00 00 00 f0"},
        {"negative into a signed field: its bits only", kFields, "", "write LMid -1", "ok",
         "0x100: 00 0f 00 00 00 00 00 00"},
        {"negative into a signed field among ones", kFields, kOnes, "write LMid -8", "ok",
         "0x100: ff f8 ff ff ff ff ff ff"},
        {"a signed field's maximum", kFields, "", "write LMid 8", "error: above the maximum (-8 to 7)", ""},
        {"a signed field's minimum", kFields, "", "write LMid -9", "error: below the minimum (-8 to 7)", ""},
        {"signed field up to bit 63", kFields, "", "write LTopSigned -1", "ok", "0x100: 00 00 00 00 00 00 00 f0"},
        {"all 64 bits signed", kFields, "", "write LAllSigned -2", "ok", "0x100: fe ff ff ff ff ff ff ff"},
        {"all 64 bits unsigned: up to 2^63 - 1", kFields, "", "write LAll 9223372036854775807; write LAll -1",
         "ok; error: below the minimum (0 to 9223372036854775807)", "0x100: ff ff ff ff ff ff ff 7f"},
        {"big-endian bit 0 is the top bit", kFields, "", "write B0 1", "ok", "0x200: 80 00 00 00 00 00 00 00"},
        {"big-endian bit 63 is the lowest bit", kFields, kOnes, "write B63 0", "ok",
         "0x200: ff ff ff ff ff ff ff fe"},
        {"big-endian low nibble", kFields, "", "write BLow 10", "ok", "0x200: 00 00 00 00 00 00 00 0a"},
        {"big-endian signed field across a byte", kFields, kOnes, "write BMid -128", "ok",
         "0x200: f8 0f ff ff ff ff ff ff"},
        {"1-byte register, field inside", kFields, "0x300: 81", "write W1 0; write W1 64",
         "ok; error: above the maximum (0 to 63)", "0x300: 81"},
        {"2-byte big-endian field", kFields, "0x302: ff ff", "write W2 0", "ok", "0x302: f0 0f"},
        {"4-byte bit 31", kFields, "", "write W4 1", "ok", "0x304: 00 00 00 80"},
        {"read-only field", kFields, "", "write RO 1", "error: not writable", ""},
        {"write-only: the other bits are written as 0", kFields, kOnes, "write WO 3", "ok",
         "0x100: 30 00 00 00 00 00 00 00"},
        {"StructEntry keeps its neighbours", kFields, "0x400: 0f ff", "write Top 10", "ok", "0x400: af ff"},
        {"StructEntry with its own access mode", kFields, "", "write Low 1", "error: not writable", ""},
        {"signed StructEntry", kFields, "0x400: ff ff", "write Signed -8", "ok", "0x400: f8 ff"},
    });
}

// ---------------------------------------------------------------------------
// Integer: a host-side value or a node's, within Min, Max and Inc, the
// increment counted from the minimum; pValueCopy; ValueIndexed by selector.
// ---------------------------------------------------------------------------

const std::string kIntegers = reg("IntReg", "Reg", "0x100", 4, kSignedLE) + reg("IntReg", "Copy", "0x104", 2) + R"(
<Integer Name="Width"><pValue>Reg</pValue><Min>16</Min><Max>4096</Max><Inc>4</Inc></Integer>
<Integer Name="Odd"><Value>3</Value><Min>3</Min><Max>12</Max><Inc>4</Inc></Integer>
<Integer Name="Negative"><Value>-10</Value><Min>-10</Min><Max>10</Max><Inc>3</Inc></Integer>
<Integer Name="Wide"><Value>0</Value><Min>-9223372036854775808</Min><Inc>2</Inc></Integer>
<Integer Name="Free"><Value>0</Value></Integer>
<Integer Name="Limits"><Value>0</Value><pMin>MinNode</pMin><pMax>MaxNode</pMax><pInc>IncNode</pInc></Integer>
<Integer Name="MinNode"><Value>-4</Value></Integer>
<Integer Name="MaxNode"><Value>20</Value></Integer>
<Integer Name="IncNode"><Value>8</Value></Integer>
<Integer Name="Hex"><Value>0xFFFFFFFFFFFFFFFF</Value></Integer>
<Integer Name="Top"><Value>0x8000000000000000</Value></Integer>
<Integer Name="Copied"><pValue>Reg</pValue><pValueCopy>Copy</pValueCopy></Integer>
<Float Name="Half"><Value>2.5</Value></Float>
<Float Name="MinusHalf"><Value>-2.5</Value></Float>
<Integer Name="FromFloat"><pValue>Half</pValue></Integer>
<Integer Name="FromMinusFloat"><pValue>MinusHalf</pValue></Integer>
<IntSwissKnife Name="Knife"><Formula>7</Formula></IntSwissKnife>
<Integer Name="FromKnife"><pValue>Knife</pValue></Integer>
<Integer Name="Sel"><Value>0</Value></Integer>
<Integer Name="Lut"><pIndex>Sel</pIndex><ValueIndexed Index="0">10</ValueIndexed><ValueIndexed Index="1">20</ValueIndexed>
  <pValueIndexed Index="2">Reg</pValueIndexed><ValueDefault>99</ValueDefault></Integer>
<Integer Name="NoDefault"><pIndex>Sel</pIndex><ValueIndexed Index="0">10</ValueIndexed></Integer>
<Integer Name="Past64"><Value>9223372036854775808</Value></Integer>
)";

TEST(Semantics, Integers)
{
    check({
        {"through pValue", kIntegers, "0x100: 80 07", "read Width", "1920", ""},
        {"the minimum itself", kIntegers, "", "write Width 16", "ok", "0x100: 10 00 00 00"},
        {"the maximum itself", kIntegers, "", "write Width 4096", "ok", "0x100: 00 10 00 00"},
        {"below the minimum", kIntegers, "", "write Width 12", "error: below the minimum (16 to 4096 in steps of 4)",
         ""},
        {"above the maximum", kIntegers, "", "write Width 4100",
         "error: above the maximum (16 to 4096 in steps of 4)", ""},
        {"between two steps", kIntegers, "", "write Width 18",
         "error: not on the increment (16 to 4096 in steps of 4)", ""},
        {"steps counted from the minimum, not from 0", kIntegers, "", "write Odd 7; read Odd; write Odd 8",
         "ok; 7; error: not on the increment (3 to 12 in steps of 4)", ""},
        {"a maximum off the steps is no step", kIntegers, "", "write Odd 12",
         "error: not on the increment (3 to 12 in steps of 4)", ""},
        {"steps from a negative minimum", kIntegers, "", "write Negative -7; write Negative -6; write Negative 8",
         "ok; error: not on the increment (-10 to 10 in steps of 3); ok", ""},
        {"steps from the lowest 64-bit minimum", kIntegers, "",
         "write Wide 0; write Wide -9223372036854775808; write Wide 9223372036854775807",
         "ok; ok; error: not on the increment (-9223372036854775808 to 9223372036854775807 in steps of 2)", ""},
        {"no bounds: the whole 64-bit range", kIntegers, "",
         "write Free -9223372036854775808; read Free; write Free 9223372036854775807; read Free",
         "ok; -9223372036854775808; ok; 9223372036854775807", ""},
        {"bounds through nodes", kIntegers, "", "write Limits -4; write Limits 12; write Limits 8; write Limits 21",
         "ok; ok; error: not on the increment (-4 to 20 in steps of 8); error: above the maximum (-4 to 20 in steps "
         "of 8)",
         ""},
        {"bounds through nodes follow the nodes", kIntegers, "", "write IncNode 1; write Limits 5", "ok; ok", ""},
        {"hexadecimal values are 64-bit patterns", kIntegers, "", "read Hex; read Top", "-1; -9223372036854775808",
         ""},
        {"a decimal value past 64 bits is faulty", kIntegers, "", "read Past64",
         "error: the description is faulty at Past64: Value is not an integer: '9223372036854775808'", ""},
        {"pValueCopy gets the value too", kIntegers, "", "write Copied 640", "ok", "0x100: 80 02 00 00; 0x104: 80 02"},
        {"a Float behind an Integer is rounded to the nearest", kIntegers, "", "read FromFloat; read FromMinusFloat",
         "3; -3", ""},
        {"an Integer over a formula cannot be written", kIntegers, "", "read FromKnife; write FromKnife 7",
         "7; error: not writable", ""},
        {"ValueIndexed: one value per index", kIntegers, "",
         "read Lut; write Lut 11; write Sel 1; read Lut; write Lut 21; write Sel 0; read Lut; write Sel 1; read Lut",
         "10; ok; ok; 20; ok; ok; 11; ok; 21", ""},
        {"pValueIndexed: the index's node", kIntegers, "0x100: 2c 01", "write Sel 2; read Lut; write Lut 5",
         "ok; 300; ok", "0x100: 05 00 00 00"},
        {"ValueDefault for any other index, shared by them", kIntegers, "",
         "write Sel 7; read Lut; write Lut 98; write Sel 8; read Lut; write Sel 0; read Lut",
         "ok; 99; ok; ok; 98; ok; 10", ""},
        {"no value for the index and no default", kIntegers, "", "write Sel 1; read NoDefault",
         "ok; error: the description is faulty at NoDefault: it has no value for index 1 and no default", ""},
    });
}

// ---------------------------------------------------------------------------
// FloatReg and Float: 4 and 8 bytes in both byte orders, bounds, increments
// that are not exact in binary, and how a Float writes an integer node.
// ---------------------------------------------------------------------------

const std::string kFloats =
    reg("FloatReg", "F4L", "0x100", 4, kLE) + reg("FloatReg", "F4B", "0x104", 4, kBE) +
    reg("FloatReg", "F8L", "0x108", 8, kLE) + reg("FloatReg", "F8B", "0x110", 8, kBE) +
    reg("FloatReg", "F2", "0x118", 2) + reg("IntReg", "IntTarget", "0x120", 4, kSignedLE) + R"(
<Float Name="Tenths"><Value>0.1</Value><Min>0.1</Min><Max>1</Max><Inc>0.1</Inc></Float>
<Float Name="Offset"><Value>0.05</Value><Min>0.05</Min><Max>10</Max><Inc>0.1</Inc></Float>
<Float Name="Bounded"><Value>100</Value><Min>10</Min><Max>1e6</Max></Float>
<Float Name="Host"><Value>1</Value></Float>
<Float Name="OverInt"><pValue>IntTarget</pValue></Float>
<Float Name="Through"><pValue>F4L</pValue><pMin>Low</pMin><pMax>High</pMax></Float>
<Float Name="Low"><Value>-1.5</Value></Float>
<Integer Name="High"><Value>3</Value></Integer>
)";

TEST(Semantics, Floats)
{
    check({
        {"4 bytes little-endian", kFloats, "0x100: 00 00 c0 3f", "read F4L", "1.5", ""},
        {"4 bytes big-endian", kFloats, "0x104: 3f c0 00 00", "read F4B", "1.5", ""},
        {"8 bytes little-endian", kFloats, "0x108: 9a 99 99 99 99 99 b9 3f", "read F8L", "0.1", ""},
        {"8 bytes big-endian", kFloats, "0x110: c0 04 00 00 00 00 00 00", "read F8B", "-2.5", ""},
        {"a 4-byte float shows the double it is", kFloats, "0x100: cd cc cc 3d", "read F4L", "0.10000000149011612",
         ""},
        {"4 bytes little-endian write", kFloats, "", "write F4L 0.1", "ok", "0x100: cd cc cc 3d"},
        {"4 bytes big-endian write", kFloats, "", "write F4B -2", "ok", "0x104: c0 00 00 00"},
        {"8 bytes little-endian write", kFloats, "", "write F8L 0.1", "ok", "0x108: 9a 99 99 99 99 99 b9 3f"},
        {"8 bytes big-endian write", kFloats, "", "write F8B 1e300", "ok", "0x110: 7e 37 e4 3c 88 00 75 9c"},
        {"beyond a 4-byte float is refused", kFloats, "", "write F4L 3.5e38", "error: beyond a 4-byte float", ""},
        {"the largest 4-byte float", kFloats, "", "write F4B 3.4028234663852886e38", "ok", "0x104: 7f 7f ff ff"},
        {"NaN is no number", kFloats, "", "write F4L nan", "error: not a number: 'nan'", ""},
        {"a FloatReg of 2 bytes is faulty", kFloats, "", "read F2",
         "error: the description is faulty at F2: it is a FloatReg of 2 bytes", ""},
        {"a host value reads back in the shortest form", kFloats, "", "write Host 0.0359; read Host", "ok; 0.0359",
         ""},
        {"the minimum and maximum themselves", kFloats, "", "write Tenths 0.1; write Tenths 1", "ok; ok", ""},
        {"increments of 0.1 hold values not exact in binary", kFloats, "",
         "write Tenths 0.3; read Tenths; write Tenths 0.7; write Tenths 0.9", "ok; 0.3; ok; ok", ""},
        {"between two steps of 0.1", kFloats, "", "write Tenths 0.35",
         "error: not on the increment (0.1 to 1 in steps of 0.1)", ""},
        {"float steps counted from the minimum", kFloats, "", "write Offset 0.15; write Offset 0.2",
         "ok; error: not on the increment (0.05 to 10 in steps of 0.1)", ""},
        {"below a float minimum", kFloats, "", "write Tenths 0.05",
         "error: below the minimum (0.1 to 1 in steps of 0.1)", ""},
        {"above a float maximum", kFloats, "", "write Tenths 1.05",
         "error: above the maximum (0.1 to 1 in steps of 0.1)", ""},
        {"no increment: any value within", kFloats, "", "write Bounded 10.000001; write Bounded 9.999999",
         "ok; error: below the minimum (10 to 1e+06)", ""},
        {"bounds through nodes, an Integer among them", kFloats, "",
         "write Through -1.5; write Through 3; write Through 3.0001",
         "ok; ok; error: above the maximum (-1.5 to 3)", "0x100: 00 00 c0 bf; 0x100: 00 00 40 40"},
        {"a Float over an IntReg reads its integer", kFloats, "0x120: f9 ff ff ff", "read OverInt", "-7", ""},
        {"a Float writes an integer node rounded to the nearest", kFloats, "",
         "write OverInt 2.5; write OverInt -2.5; write OverInt 2.4999",
         "ok; ok; ok", "0x120: 03 00 00 00; 0x120: fd ff ff ff; 0x120: 02 00 00 00"},
    });
}

// ---------------------------------------------------------------------------
// Enumeration, Boolean, Command, String, StringReg, Register.
// ---------------------------------------------------------------------------

const std::string kValues = reg("IntReg", "Raw", "0x100", 4) + reg("IntReg", "RawRO", "0x104", 4, "", "RO") +
                            reg("IntReg", "Raw8", "0x108", 8) + field("FlagBit", "0x110", 1, "<Bit>2</Bit>") +
                            reg("StringReg", "Text", "0x200", 4) + reg("Register", "Blob", "0x300", 3) + R"(
<Integer Name="Zero"><Value>0</Value></Integer>
<Enumeration Name="PixelFormat">
  <EnumEntry Name="Mono8"><Value>0x01080001</Value></EnumEntry>
  <EnumEntry Name="EnumEntry_PixelFormat_Mono16"><Value>0x01100007</Value><Symbolic>Mono16</Symbolic></EnumEntry>
  <EnumEntry Name="Mono10"><pIsImplemented>Zero</pIsImplemented><Value>0x01100003</Value></EnumEntry>
  <EnumEntry Name="Mono12"><pIsAvailable>Zero</pIsAvailable><Value>0x01100005</Value></EnumEntry>
  <pValue>Raw</pValue>
</Enumeration>
<Enumeration Name="Mode"><EnumEntry Name="Off"><Value>0</Value></EnumEntry><EnumEntry Name="On"><Value>1</Value></EnumEntry>
  <Value>1</Value></Enumeration>
<Enumeration Name="Fixed"><EnumEntry Name="A"><Value>1</Value></EnumEntry><pValue>RawRO</pValue></Enumeration>
<Boolean Name="Flag"><pValue>Raw</pValue><OnValue>3</OnValue><OffValue>4</OffValue></Boolean>
<Boolean Name="Wide"><pValue>Raw8</pValue><OnValue>0x100000001</OnValue><OffValue>0</OffValue></Boolean>
<Boolean Name="Bit"><pValue>FlagBit</pValue></Boolean>
<Boolean Name="HostFlag"><Value>true</Value></Boolean>
<Boolean Name="HostOne"><Value>1</Value></Boolean>
<Command Name="Start"><pValue>Raw</pValue><CommandValue>0x55</CommandValue></Command>
<String Name="Note"><Value>x</Value></String>
)";

TEST(Semantics, EnumerationsBooleansCommandsStringsBytes)
{
    check({
        {"an entry is read by its Symbolic", kValues, "0x100: 07 00 10 01", "read PixelFormat", "Mono16", ""},
        {"without Symbolic, by its Name", kValues, "0x100: 01 00 08 01", "read PixelFormat", "Mono8", ""},
        {"a value no entry holds is an error", kValues, "0x100: 09", "read PixelFormat",
         "error: PixelFormat holds 9, which is none of its entries", ""},
        {"written by its Symbolic", kValues, "", "write PixelFormat Mono16", "ok", "0x100: 07 00 10 01"},
        {"written by its value", kValues, "", "write PixelFormat 0x01080001", "ok", "0x100: 01 00 08 01"},
        {"not written by a Name its Symbolic replaces", kValues, "", "write PixelFormat EnumEntry_PixelFormat_Mono16",
         "error: not an entry of PixelFormat (Mono8, Mono16, Mono12)", ""},
        {"an entry not available now", kValues, "", "write PixelFormat Mono12",
         "error: entry Mono12 of PixelFormat is not available now", ""},
        {"an entry not implemented", kValues, "", "write PixelFormat 0x01100003",
         "error: entry Mono10 of PixelFormat is not implemented", ""},
        {"the camera holds an entry not implemented: read, never written", kValues, "0x100: 03 00 10 01",
         "read PixelFormat; write PixelFormat Mono10", "Mono10; error: entry Mono10 of PixelFormat is not implemented",
         ""},
        {"the camera holds an entry not available now", kValues, "0x100: 05 00 10 01", "read PixelFormat", "Mono12", ""},
        {"a host-side enumeration", kValues, "", "read Mode; write Mode Off; read Mode", "On; ok; Off", ""},
        {"an enumeration over a read-only register", kValues, "", "write Fixed A", "error: not writable", ""},
        {"a Boolean is its OnValue or its OffValue", kValues, "0x100: 03", "read Flag; write Flag false; read Flag",
         "true; ok; false", "0x100: 04 00 00 00"},
        {"a Boolean holding neither value is an error", kValues, "0x100: 05", "read Flag",
         "error: Flag holds 5, neither its OnValue 3 nor its OffValue 4", ""},
        {"a Boolean compares all 64 bits", kValues, "0x108: 01", "read Wide; write Wide true",
         "error: Wide holds 1, neither its OnValue 4294967297 nor its OffValue 0; ok",
         "0x108: 01 00 00 00 01 00 00 00"},
        {"a Boolean over a bit: OnValue 1 and OffValue 0", kValues, "0x110: fb", "write Bit 1; read Bit", "ok; true",
         "0x110: ff"},
        {"a host-side Boolean, 1 and 0 accepted", kValues, "", "read HostFlag; write HostFlag 0; read HostFlag",
         "true; ok; false", ""},
        {"a host-side Boolean's Value may be 1", kValues, "", "read HostOne", "true", ""},
        {"a Boolean takes no other word", kValues, "", "write HostFlag yes",
         "error: not a boolean: 'yes' (true, false, 1 or 0)", ""},
        {"a Command writes its CommandValue", kValues, "", "write Start 1; write Start execute", "ok; ok",
         "0x100: 55 00 00 00; 0x100: 55 00 00 00"},
        {"a Command is not read", kValues, "", "read Start", "error: a command: it is executed, not read", ""},
        {"a host-side String", kValues, "", "read Note; write Note two words; read Note", "x; ok; two words", ""},
        {"a StringReg ends at its first NUL", kValues, "0x200: 41 00 42 43", "read Text", "A", ""},
        {"a StringReg may fill its register", kValues, "0x200: 41 42 43 44", "read Text", "ABCD", ""},
        {"a StringReg write fills the rest with NUL", kValues, "0x200: ff ff ff ff", "write Text ab", "ok",
         "0x200: 61 62 00 00"},
        {"a StringReg write of its whole length", kValues, "", "write Text abcd", "ok", "0x200: 61 62 63 64"},
        {"a StringReg write beyond its length", kValues, "", "write Text abcde",
         "error: longer than the register's 4 bytes", ""},
        {"a Register reads as bytes", kValues, "0x300: 01 0a ff", "read Blob", "01 0a ff", ""},
        {"a Register is written whole", kValues, "", "write Blob 0a0b 0c; write Blob 01 02",
         "ok; error: the register has 3 bytes, not 2", "0x300: 0a 0b 0c"},
    });
}

// ---------------------------------------------------------------------------
// Access: what a node allows by its nature, by its access mode and by the
// nodes it stands for; availability and locks.
// ---------------------------------------------------------------------------

const std::string kAccess = reg("IntReg", "RW", "0x100", 4) + reg("IntReg", "RO", "0x104", 4, "", "RO") +
                            reg("IntReg", "WO", "0x108", 4, "", "WO") + R"(
<IntReg Name="Default"><Address>0x10c</Address><Length>4</Length><pPort>Device</pPort></IntReg>
<Category Name="Root"><pFeature>Host</pFeature><pFeature>RW</pFeature><pFeature>RO</pFeature><pFeature>WO</pFeature>
  <pFeature>Default</pFeature><pFeature>IntKnife</pFeature><pFeature>Knife</pFeature><pFeature>Conv</pFeature>
  <pFeature>ConvRO</pFeature><pFeature>OverRO</pFeature><pFeature>Imposed</pFeature><pFeature>Locked</pFeature>
  <pFeature>Unavailable</pFeature><pFeature>Hidden</pFeature><pFeature>Sub</pFeature></Category>
<Category Name="Sub"><pFeature>Go</pFeature><pFeature>Name</pFeature><pFeature>Rom</pFeature></Category>
<Integer Name="Zero"><Value>0</Value></Integer>
<Integer Name="One"><Value>1</Value></Integer>
<Integer Name="Host"><Value>1</Value></Integer>
<IntSwissKnife Name="IntKnife"><Formula>1</Formula></IntSwissKnife>
<SwissKnife Name="Knife"><Formula>1.5</Formula></SwissKnife>
<IntConverter Name="Conv"><FormulaTo>FROM</FormulaTo><FormulaFrom>TO</FormulaFrom><pValue>RW</pValue></IntConverter>
<Converter Name="ConvRO"><FormulaTo>FROM</FormulaTo><FormulaFrom>TO</FormulaFrom><pValue>RO</pValue></Converter>
<Integer Name="OverRO"><pValue>RO</pValue></Integer>
<Integer Name="Imposed"><ImposedAccessMode>RO</ImposedAccessMode><Value>1</Value></Integer>
<Integer Name="Locked"><pIsLocked>One</pIsLocked><Value>1</Value></Integer>
<Integer Name="Unavailable"><pIsAvailable>Zero</pIsAvailable><Value>1</Value></Integer>
<Integer Name="Hidden"><pIsImplemented>Zero</pIsImplemented><Value>1</Value></Integer>
<IntSwissKnife Name="OfHidden"><pVariable Name="H">Hidden</pVariable><Formula>H</Formula></IntSwissKnife>
<Integer Name="Behind"><pIsImplemented>OfHidden</pIsImplemented><Value>1</Value></Integer>
<Command Name="Go"><pValue>RW</pValue><CommandValue>1</CommandValue></Command>
<StringReg Name="Name"><Address>0x200</Address><Length>4</Length><pPort>Device</pPort></StringReg>
<ConfRom Name="Rom"><Address>0</Address><Length>4</Length><pPort>Device</pPort></ConfRom>
)";

TEST(Semantics, Access)
{
    check({
        {"what each feature allows, by nature and through its nodes", kAccess, "", "list",
         "Host Integer RW, RW IntReg RW, RO IntReg RO, WO IntReg WO, Default IntReg RO, IntKnife IntSwissKnife RO, "
         "Knife SwissKnife RO, Conv IntConverter RW, ConvRO Converter RO, OverRO Integer RO, Imposed Integer RO, "
         "Locked Integer RO, Unavailable Integer NA, Go Command RW, Name StringReg RO, Rom ConfRom NA",
         ""},
        {"an IntSwissKnife is read-only by nature", kAccess, "", "read IntKnife; write IntKnife 1",
         "1; error: not writable", ""},
        {"a SwissKnife is read-only by nature", kAccess, "", "read Knife; write Knife 1.5",
         "1.5; error: not writable", ""},
        {"a converter writes through its pValue", kAccess, "", "write Conv 5", "ok", "0x100: 05 00 00 00"},
        {"a converter over a read-only node", kAccess, "", "write ConvRO 5", "error: not writable", ""},
        {"an Integer over a read-only node", kAccess, "", "write OverRO 5", "error: not writable", ""},
        {"an imposed access mode", kAccess, "", "read Imposed; write Imposed 2", "1; error: not writable", ""},
        {"a lock stops writes, not reads", kAccess, "", "read Locked; write Locked 2", "1; error: locked", ""},
        {"not available: neither read nor written", kAccess, "", "read Unavailable; write Unavailable 2",
         "error: not available now; error: not available now", ""},
        {"not implemented: neither read nor written", kAccess, "", "read Hidden; write Hidden 2",
         "error: not implemented; error: not implemented", ""},
        {"a condition computed from a node not implemented does not hold", kAccess, "", "read OfHidden; read Behind",
         "error: not implemented; error: not implemented", ""},
        {"a category holds no value", kAccess, "", "read Root; write Root 1",
         "error: a category, not a value; error: a category, not a value", ""},
        {"a port holds no value", kAccess, "", "read Device", "error: a port, not a value", ""},
        {"a StringReg without an access mode is read-only", kAccess, "", "write Name ab", "error: not writable", ""},
    });
}

// ---------------------------------------------------------------------------
// Formulas: every level of operators against its neighbours, both ways,
// each level's grouping, and the arithmetic of integers and doubles.  K is
// an IntSwissKnife (integer arithmetic), F a SwissKnife (floating).
// ---------------------------------------------------------------------------

TEST(Semantics, FormulaPrecedence)
{
    check({
        formula("?: below ||", "0 || 1 ? 2 : 3", "2; 2"),
        formula("?: below || in its last operand", "1 ? 0 : 0 || 5", "0; 0"),
        formula("|| below &&", "1 || 0 && 0", "1; 1"),
        formula("|| below && (reversed)", "0 && 0 || 1", "1; 1"),
        formula("&& below |", "0 && 0 | 2", "0; 0"),
        formula("&& below | (reversed)", "1 | 0 && 0", "0; 0"),
        formula("| below ^", "1 | 2 ^ 3", "1; 1"),
        formula("| below ^ (reversed)", "3 ^ 2 | 1", "1; 1"),
        formula("^ below &", "6 ^ 3 & 5", "7; 7"),
        formula("^ below & (reversed)", "5 & 3 ^ 6", "7; 7"),
        formula("& below =", "6 & 3 = 2", "0; 0"),
        formula("& below = (reversed)", "2 = 2 & 2", "0; 0"),
        formula("= below <", "1 < 2 = 1", "1; 1"),
        formula("= below < (reversed)", "2 = 2 < 3", "0; 0"),
        formula("<> below <", "1 <> 2 < 3", "0; 0"),
        formula("< below <<", "1 << 2 < 5", "1; 1"),
        formula("> below << (reversed)", "5 > 1 << 2", "1; 1"),
        formula(">= and <= below >>", "8 >> 1 >= 4 <= 1", "1; 1"),
        formula("<< below +", "1 + 1 << 2", "8; 8"),
        formula("<< below + (reversed)", "1 << 1 + 1", "4; 4"),
        formula(">> below -", "16 >> 1 + 1", "4; 4"),
        formula("+ below *", "2 + 3 * 4", "14; 14"),
        formula("+ below * (reversed)", "2 * 3 + 4", "10; 10"),
        formula("- below /", "8 - 4 / 2", "6; 6"),
        formula("+ below %", "7 + 5 % 3", "9; 9"),
        formula("+ below % (reversed)", "7 % 5 + 3", "5; 5"),
        formula("* below unary ~", "~1 * 2", "-4; -4"),
        formula("* below unary !", "!0 * 5", "5; 5"),
        formula("+ below unary ~", "~0 + 1", "0; 0"),
        formula("unary - below **", "-2 ** 2", "-4; -4"),
        formula("unary ~ below **", "~1 ** 2", "-2; -2"),
        formula("** takes a sign on its right", "2 ** -1", "0; 0.5"),
        formula("* below **", "2 * 3 ** 2", "18; 18"),
        formula("* below ** (reversed)", "3 ** 2 * 2", "18; 18"),
        formula("** groups from the right", "2 ** 3 ** 2", "512; 512"),
        formula("- groups from the left", "2 - 3 + 4", "3; 3"),
        formula("/ groups from the left", "8 / 2 * 4", "16; 16"),
        formula("% groups from the left", "100 % 7 % 3", "2; 2"),
        formula("<< groups from the left", "1 << 2 << 3", "32; 32"),
        formula(">> groups from the left", "256 >> 2 >> 1", "32; 32"),
        formula("= groups from the left", "2 = 2 = 1", "1; 1"),
        formula("> groups from the left", "3 > 2 > 1", "0; 0"),
        formula("?: groups from the right", "0 ? 1 : 0 ? 2 : 3", "3; 3"),
        formula("?: groups from the right, first branch", "1 ? 2 : 0 ? 3 : 4", "2; 2"),
        formula("?: in the middle of ?:", "1 ? 0 ? 5 : 6 : 7", "6; 6"),
        formula("brackets first", "(2 + 3) * 4", "20; 20"),
    });
}

TEST(Semantics, FormulaArithmetic)
{
    check({
        formula("/ of integers truncates toward zero in integers", "7 / 2", "3; 3.5"),
        formula("/ of a negative integer truncates toward zero", "-7 / 2", "-3; -3.5"),
        formula("/ dividing exactly", "8 / 2", "4; 4"),
        formula("% has the sign of the dividend", "-7 % 3", "-1; -1"),
        formula("% with a negative divisor", "7 % -3", "1; 1"),
        formula("% of doubles is fmod", "7.5 % 2", "1; 1.5"),
        formula("a double result becomes an integer truncated toward zero", "2.7", "2; 2.7"),
        formula("a negative double result truncated toward zero", "-2.7", "-2; -2.7"),
        formula("a double quotient truncated toward zero", "-5 / 2.0", "-2; -2.5"),
        formula("integers wrap around in integer arithmetic only", "BIG + 1",
                "-9223372036854775808; 9223372036854775808"),
        formula("subtraction wraps", "MIN - 1", "9223372036854775807; -9223372036854775808"),
        formula("multiplication wraps", "BIG * 2", "-2; 18446744073709551616"),
        formula("negating the minimum", "-MIN", "-9223372036854775808; 9223372036854775808"),
        formula("the minimum divided by -1", "MIN / -1", "-9223372036854775808; 9223372036854775808"),
        formula("** of integers is exact", "3 ** 39", "4052555153018976267; 4052555153018976256"),
        formula("** wraps in integers", "2 ** 64", "0; 18446744073709551616"),
        formula("<< drops the bits shifted out", "1 << 63", "-9223372036854775808; -9223372036854775808"),
        formula(">> keeps the sign", "-16 >> 2", "-4; -4"),
        formula("a shift by 64 or more", "1 << 64", "0; 0"),
        formula("a negative shift the other way", "16 << -2", "4; 4"),
        formula("& | ^ ~ on 64-bit patterns", "~0 & 0xF0 | 0x3 ^ 0x1", "242; 242"),
        formula("bitwise on a double truncates it", "7.9 & 3", "3; 3"),
        formula("comparisons give 1 or 0", "(3 >= 3) + (3 <= 2) + (2 <> 3)", "2; 2"),
        formula("integers compare exactly", "BIG = BIG - 1", "0; 0"),
        formula("&& and || give 1 or 0", "5 && 7", "1; 1"),
        formula("! of a double", "!0.5", "0; 0"),
        formula("&& does not evaluate what it need not", "0 && 1 / 0", "0; 0"),
        formula("|| does not evaluate what it need not", "1 || 1 / 0", "1; 1"),
        formula("?: evaluates only its branch", "X > 5 ? 10 : 1 / 0", "10; 10"),
        formula("ROUND rounds halves away from zero", "ROUND(-2.5) + ROUND(2.5)", "0; 0"),
        formula("ROUND to decimals", "ROUND(10.15, 1)", "10; 10.2"),
        formula("TRUNC FLOOR CEIL", "TRUNC(-2.5) * 100 + FLOOR(-2.5) * 10 + CEIL(-2.5)", "-232; -232"),
        formula("ABS SGN NEG", "ABS(-3) * 100 + SGN(-0.5) * 10 + NEG(4)", "286; 286"),
        formula("functions in any case", "sqrt(16) + Sqrt(9)", "7; 7"),
        formula("PI and E", "PI + E", "5; 5.859874482048838"),
        formula("division by zero is an error, never 0", "X / (X - 6)",
                "error: the description is faulty at K: Formula: '/' at character 3: division by zero; error: the "
                "description is faulty at F: Formula: '/' at character 3: division by zero"),
        formula("no real result is an error", "SQRT(-1)",
                "error: the description is faulty at K: Formula: SQRT at character 1: no real result; error: the "
                "description is faulty at F: Formula: SQRT at character 1: no real result"),
        formula("an overflow on the way is no error: a quotient correctly rounded", "X / 2.0 ** (X * 1000)", "0; 0"),
        formula("an infinite result is an error, where the overflow was", "X * 2.0 ** (X * 1000)",
                "error: the description is faulty at K: Formula: '**' at character 9: result out of range; error: the "
                "description is faulty at F: Formula: '**' at character 9: result out of range"),
        formula("LN of 0 has no finite value", "LN(X - 6) / 2",
                "error: the description is faulty at K: Formula: LN at character 1: result out of range; error: the "
                "description is faulty at F: Formula: LN at character 1: result out of range"),
        formula("a shift beyond 63 is not taken modulo 64", "(1 << 4095) - 1", "-1; -1"),
        formula("a name no variable has, never reached", "X < 5 && (UNDEFINED || 1)", "0; 0"),
        formula("a name no variable has, reached", "X > 5 && (UNDEFINED || 1)",
                "error: the description is faulty at K: Formula: unknown name 'UNDEFINED' at character 11; error: "
                "the description is faulty at F: Formula: unknown name 'UNDEFINED' at character 11"),
    });
}

TEST(Semantics, FormulaLiterals)
{
    check({
        formula("the largest 64-bit integer text", "9223372036854775807", "9223372036854775807; 9223372036854775808"),
        formula("an integer text past 64 bits is a double", "9223372036854775808",
                "error: the description is faulty at K: Formula: result beyond the 64-bit integer range; "
                "9223372036854775808"),
        formula("an integer text far past 64 bits", "18446744073709551616 / 4",
                "4611686018427387904; 4611686018427387904"),
        formula("the most negative integer through a double", "-9223372036854775808",
                "-9223372036854775808; -9223372036854775808"),
        formula("16 hexadecimal digits are a 64-bit pattern", "0xFFFFFFFFFFFFFFFF", "-1; -1"),
        formula("the top bit in hexadecimal", "0x8000000000000000", "-9223372036854775808; -9223372036854775808"),
        formula("leading zeros do not count", "0x00000000000000000001", "1; 1"),
        formula("a leading 0 is still decimal", "010", "10; 10"),
        formula("an exponent makes a double", "1e3 / 8", "125; 125"),
        formula("decimal literals are correctly rounded", "0.0359 * 10000", "359; 359"),
        {"17 hexadecimal digits are refused", knives("0x10000000000000000"), "", "read K",
         "error: the description is faulty at K: Formula: hexadecimal number beyond 64 bits at character 1", ""},
    });
}

// ---------------------------------------------------------------------------
// Formula nodes: variables, constants, expressions, enumeration entries by
// Name and by Symbolic, and converters both ways.
// ---------------------------------------------------------------------------

const std::string kFormulaNodes = reg("IntReg", "Raw", "0x100", 4, kSignedLE) + R"(
<Enumeration Name="PixelFormat">
  <EnumEntry Name="Mono8"><Value>1</Value></EnumEntry>
  <EnumEntry Name="EnumEntry_PixelFormat_Mono16"><Value>7</Value><Symbolic>Mono16</Symbolic></EnumEntry>
  <Value>7</Value>
</Enumeration>
<IntSwissKnife Name="BySymbolic"><pVariable Name="PF">PixelFormat</pVariable><Formula>PF = PF.Entry.Mono16</Formula>
  </IntSwissKnife>
<IntSwissKnife Name="ByName"><pVariable Name="PF">PixelFormat</pVariable>
  <Formula>PF.Entry.EnumEntry_PixelFormat_Mono16 * 10 + PF.Entry.Mono8</Formula></IntSwissKnife>
<IntSwissKnife Name="Declared"><pVariable Name="PF.Entry.Mono8">PixelFormat</pVariable>
  <Formula>PF.Entry.Mono8 + 1</Formula></IntSwissKnife>
<IntSwissKnife Name="Parts"><pVariable Name="R">Raw</pVariable><Constant Name="C">10</Constant>
  <Expression Name="E">R * 2</Expression><Formula>E + C</Formula></IntSwissKnife>
<SwissKnife Name="FloatConstant"><Constant Name="C">2.5</Constant><Formula>C * 2</Formula></SwissKnife>
<Converter Name="Tenths"><FormulaTo>FROM / 0.1</FormulaTo><FormulaFrom>TO * 0.1</FormulaFrom><pValue>Raw</pValue>
  </Converter>
<IntConverter Name="Half"><FormulaTo>FROM / 2</FormulaTo><FormulaFrom>TO * 2</FormulaFrom><pValue>Raw</pValue>
  </IntConverter>
<Converter Name="Shift"><pVariable Name="O">Off</pVariable><FormulaTo>FROM - O</FormulaTo><FormulaFrom>TO + O</FormulaFrom>
  <pValue>Raw</pValue></Converter>
<Integer Name="Off"><Value>-3</Value></Integer>
<Boolean Name="Color"><Value>true</Value></Boolean>
<IntSwissKnife Name="GainMax"><pVariable Name="C">Color</pVariable><Formula>C = 0 ? 32000 : 8000</Formula>
  </IntSwissKnife>
)";

TEST(Semantics, FormulaNodes)
{
    check({
        {"an entry by its Symbolic in a formula", kFormulaNodes, "", "read BySymbolic; write PixelFormat Mono8; "
         "read BySymbolic", "1; ok; 0", ""},
        {"an entry by its Name in a formula", kFormulaNodes, "", "read ByName", "71", ""},
        {"an entry declared as a variable of its own name", kFormulaNodes, "", "read Declared", "2", ""},
        {"variables, constants and expressions", kFormulaNodes, "0x100: 04", "read Parts", "18", ""},
        {"a constant with a point stays a double", kFormulaNodes, "", "read FloatConstant", "5", ""},
        {"a converter writes FormulaTo rounded to the nearest integer", kFormulaNodes, "",
         "write Tenths 2500; read Tenths; write Tenths 0.7; write Tenths 0.25", "ok; 2500; ok; ok",
         "0x100: a8 61 00 00; 0x100: 07 00 00 00; 0x100: 03 00 00 00"},
        {"an IntConverter computes in integers both ways", kFormulaNodes, "", "write Half 7; read Half; write Half -7",
         "ok; 6; ok", "0x100: 03 00 00 00; 0x100: fd ff ff ff"},
        {"a converter's variables", kFormulaNodes, "0x100: 05", "read Shift; write Shift 0", "2; ok",
         "0x100: 03 00 00 00"},
        {"a Boolean variable is 1 or 0", kFormulaNodes, "", "read GainMax; write Color false; read GainMax",
         "8000; ok; 32000", ""},
    });
}

} // namespace

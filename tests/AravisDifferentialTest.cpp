// Writes and reads through this tool's GenICam engine and through Aravis's,
// in process, each over its own copy of the same register bytes: both must
// accept or refuse the same writes, leave the same bytes, and read the same
// values back.  On descriptions generated here (every node type at its
// edges), and on any folder of descriptions named by ARAVIS_DESCRIPTIONS
// (Aravis's own test descriptions, say).  Where Aravis is known to be wrong,
// the difference is listed once, in kKnownDifferences, with its reason, and
// this tool's behaviour is the one expected.
#include "Engine.h"

#include "AravisMemoryDevice.h"

#include <dirent.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Memory = std::map<uint64_t, uint8_t>;

// Addresses at and above this one cannot be reached, by either engine.
const uint64_t kUnreachable = 0xdead0000;

bool access(Memory &memory, uint64_t address, size_t size, uint8_t *bytes, bool write)
{
    if (address + size > kUnreachable && address < kUnreachable + 0x10000)
        return false;
    for (size_t i = 0; i < size; i++) {
        if (write) {
            memory[address + i] = bytes[i];
        } else {
            auto held = memory.find(address + i);
            bytes[i] = held != memory.end() ? held->second : 0;
        }
    }
    return true;
}

class MemoryPort : public genicam::Port {
public:
    explicit MemoryPort(Memory &memory) : memory_(memory) {}
    bool read(uint64_t address, uint8_t *bytes, size_t size, std::string *reason) override
    {
        if (access(memory_, address, size, bytes, false))
            return true;
        *reason = "unreachable";
        return false;
    }
    bool write(uint64_t address, const uint8_t *bytes, size_t size, std::string *reason) override
    {
        if (access(memory_, address, size, const_cast<uint8_t *>(bytes), true))
            return true;
        *reason = "unreachable";
        return false;
    }

private:
    Memory &memory_;
};

gboolean aravisAccess(void *user, guint64 address, guint32 size, void *bytes, gboolean write)
{
    return access(*(Memory *)user, address, size, (uint8_t *)bytes, write);
}

// What a feature's value is, as both engines take it.
enum class Form { Integer, Float, Enumeration, Boolean, String, Bytes, Command, None };

Form formOf(const std::string &type)
{
    static const std::map<std::string, Form> kForms = {
        {"Integer", Form::Integer},         {"IntReg", Form::Integer},        {"MaskedIntReg", Form::Integer},
        {"StructEntry", Form::Integer},     {"IntSwissKnife", Form::Integer}, {"IntConverter", Form::Integer},
        {"Float", Form::Float},             {"FloatReg", Form::Float},        {"SwissKnife", Form::Float},
        {"Converter", Form::Float},         {"Enumeration", Form::Enumeration}, {"Boolean", Form::Boolean},
        {"String", Form::String},           {"StringReg", Form::String},      {"Register", Form::Bytes},
        {"Command", Form::Command},
    };
    auto found = kForms.find(type);
    return found != kForms.end() ? found->second : Form::None;
}

// One engine's result of a step: whether it worked, and the value read
// (numbers as their value, so that both engines' texts compare).
struct Result {
    bool ok = false;
    std::string value;  // a read's value, or the reason it failed
};

// A double as text both engines' values compare by: the shortest that reads
// back as the same double.
std::string floatText(double value)
{
    char text[64];
    for (int digits = 1; digits <= 17; digits++) {
        snprintf(text, sizeof text, "%.*g", digits, value);
        if (strtod(text, nullptr) == value || value != value)
            break;
    }
    return text;
}

// Both engines on one description, each over its own copy of one memory.
class Pair {
public:
    Pair(const std::string &xml, const Memory &initial) : projectMemory(initial), aravisMemory(initial), port_(projectMemory)
    {
        std::string reason;
        map_ = genicam::parseNodeMap(xml.data(), xml.size(), &reason);
        if (map_)
            session_ = std::make_unique<genicam::Session>(map_, port_);
        device_ = memoryDeviceNew(aravisAccess, &aravisMemory);
        gc_ = arv_gc_new(device_, xml.data(), xml.size());
        arv_gc_set_range_check_policy(gc_, ARV_RANGE_CHECK_POLICY_ENABLE);
        arv_gc_set_access_check_policy(gc_, ARV_ACCESS_CHECK_POLICY_ENABLE);
        arv_gc_set_register_cache_policy(gc_, ARV_REGISTER_CACHE_POLICY_DISABLE);
    }
    ~Pair()
    {
        g_clear_object(&gc_);
        g_clear_object(&device_);
    }
    Pair(const Pair &) = delete;
    Pair &operator=(const Pair &) = delete;

    bool loaded() const { return session_ && gc_; }

    // The node type Aravis sees for name ("" for none).
    std::string type(const std::string &name)
    {
        ArvGcNode *node = arv_gc_get_node(gc_, name.c_str());
        return node ? arv_dom_node_get_node_name(ARV_DOM_NODE(node)) : "";
    }

    Result projectRead(const std::string &name)
    {
        Result result;
        std::string text;
        result.ok = session_->read(name, &text, &result.value);
        if (result.ok)
            result.value = normalized(type(name), text);
        return result;
    }

    Result projectWrite(const std::string &name, const std::string &text)
    {
        Result result;
        result.ok = session_->write(name, text, &result.value);
        return result;
    }

    Result aravisRead(const std::string &name)
    {
        Result result;
        ArvGcNode *node = arv_gc_get_node(gc_, name.c_str());
        GError *error = nullptr;
        std::string value;
        switch (formOf(type(name))) {
        case Form::Integer:
            value = std::to_string(arv_gc_integer_get_value(ARV_GC_INTEGER(node), &error));
            break;
        case Form::Float:
            value = floatText(arv_gc_float_get_value(ARV_GC_FLOAT(node), &error));
            break;
        case Form::Enumeration: {
            const char *entry = arv_gc_enumeration_get_string_value(ARV_GC_ENUMERATION(node), &error);
            value = entry ? entry : "";
            break;
        }
        case Form::Boolean:
            value = arv_gc_boolean_get_value(ARV_GC_BOOLEAN(node), &error) ? "true" : "false";
            break;
        case Form::String: {
            const char *text = arv_gc_string_get_value(ARV_GC_STRING(node), &error);
            value = text ? text : "";
            break;
        }
        case Form::Bytes: {
            guint64 length = arv_gc_register_get_length(ARV_GC_REGISTER(node), &error);
            std::vector<uint8_t> bytes(error ? 0 : length);
            if (!error)
                arv_gc_register_get(ARV_GC_REGISTER(node), bytes.data(), length, &error);
            for (size_t i = 0; i < bytes.size(); i++) {
                char pair[4];
                snprintf(pair, sizeof pair, i ? " %02x" : "%02x", bytes[i]);
                value += pair;
            }
            break;
        }
        default:
            result.value = "not compared";
            return result;
        }
        result.ok = error == nullptr;
        result.value = error ? error->message : value;
        g_clear_error(&error);
        return result;
    }

    Result aravisWrite(const std::string &name, const std::string &text)
    {
        Result result;
        ArvGcNode *node = arv_gc_get_node(gc_, name.c_str());
        GError *error = nullptr;
        switch (formOf(type(name))) {
        case Form::Integer:
            arv_gc_integer_set_value(ARV_GC_INTEGER(node), strtoll(text.c_str(), nullptr, 0), &error);
            break;
        case Form::Float:
            arv_gc_float_set_value(ARV_GC_FLOAT(node), strtod(text.c_str(), nullptr), &error);
            break;
        case Form::Enumeration:
            arv_gc_enumeration_set_string_value(ARV_GC_ENUMERATION(node), text.c_str(), &error);
            break;
        case Form::Boolean:
            arv_gc_boolean_set_value(ARV_GC_BOOLEAN(node), text == "true" || text == "1", &error);
            break;
        case Form::String:
            arv_gc_string_set_value(ARV_GC_STRING(node), text.c_str(), &error);
            break;
        case Form::Command:
            arv_gc_command_execute(ARV_GC_COMMAND(node), &error);
            break;
        case Form::Bytes: {
            std::vector<uint8_t> bytes;
            for (size_t i = 0; i + 1 < text.size(); i += 2)
                bytes.push_back((uint8_t)strtoul(text.substr(i, 2).c_str(), nullptr, 16));
            arv_gc_register_set(ARV_GC_REGISTER(node), bytes.data(), bytes.size(), &error);
            break;
        }
        default:
            result.value = "not compared";
            return result;
        }
        result.ok = error == nullptr;
        result.value = error ? error->message : "";
        g_clear_error(&error);
        return result;
    }

    // The names of every feature node of the description, in document
    // order, those inside Groups and StructRegs too (not a node written
    // inside another, such as a register's IntSwissKnife).
    std::vector<std::string> featureNames()
    {
        std::vector<std::string> names;
        collect(arv_dom_node_get_first_child(ARV_DOM_NODE(arv_dom_document_get_document_element(ARV_DOM_DOCUMENT(gc_)))),
                &names);
        return names;
    }

    Memory projectMemory, aravisMemory;

private:
    static void collect(ArvDomNode *node, std::vector<std::string> *names)
    {
        for (; node; node = arv_dom_node_get_next_sibling(node)) {
            if (ARV_IS_GC_GROUP_NODE(node)) {
                collect(arv_dom_node_get_first_child(node), names);
                continue;
            }
            const char *name = ARV_IS_GC_FEATURE_NODE(node) ? arv_gc_feature_node_get_name(ARV_GC_FEATURE_NODE(node))
                                                            : nullptr;
            if (name)
                names->push_back(name);
            if (ARV_IS_GC_STRUCT_REG_NODE(node))
                collect(arv_dom_node_get_first_child(node), names);
        }
    }

    static std::string normalized(const std::string &type, const std::string &text)
    {
        if (formOf(type) == Form::Float)
            return floatText(strtod(text.c_str(), nullptr));
        return text;
    }

    MemoryPort port_;
    std::shared_ptr<const genicam::NodeMap> map_;
    std::unique_ptr<genicam::Session> session_;
    ArvDevice *device_ = nullptr;
    ArvGc *gc_ = nullptr;
};

// The bytes where two memories differ, as text ("" when they agree).
std::string memoryDifference(const Memory &project, const Memory &aravis)
{
    std::set<uint64_t> addresses;
    for (const auto &byte : project)
        addresses.insert(byte.first);
    for (const auto &byte : aravis)
        addresses.insert(byte.first);
    std::string text;
    for (uint64_t address : addresses) {
        auto a = project.find(address), b = aravis.find(address);
        int x = a != project.end() ? a->second : 0, y = b != aravis.end() ? b->second : 0;
        if (x != y) {
            char line[80];
            snprintf(line, sizeof line, " 0x%llx: %02x here, %02x in Aravis", (unsigned long long)address, x, y);
            text += line;
        }
    }
    return text;
}

// One step of a case: a write ("name=text") or a read ("name").
struct Case {
    std::string steps;  // separated by ';'
    Memory initial;
};

// What a case showed: the steps' results in each engine, and where the
// memories differ after it.
struct Comparison {
    std::string description;  // the case, for messages
    std::string feature;      // the last step's feature
    std::string type;         // its node type
    std::string text;         // the last write's value, "" for a read
    Result project, aravis;
    std::string memory;       // the memory difference
    std::string readBack;     // "", or both values after a write that worked
    Memory projectMemory, aravisMemory;
};

// Whether both engines did the same: the same steps worked (a read with the
// same value; reasons differ in their words), the same bytes, the same
// value read back.
bool agrees(const Comparison &c)
{
    bool read = c.text.empty();
    return c.project.ok == c.aravis.ok && (!read || !c.project.ok || c.project.value == c.aravis.value) &&
           c.memory.empty() && c.readBack.empty();
}


}  // namespace

namespace {

// ---------------------------------------------------------------------------
// Running cases through both engines.
// ---------------------------------------------------------------------------

// Runs the steps of one case on a fresh pair, comparing the last step.
Comparison compare(const std::string &xml, const std::string &description, const Case &c)
{
    Pair pair(xml, c.initial);
    Comparison comparison;
    comparison.description = description + ": " + c.steps;
    if (!pair.loaded()) {
        comparison.memory = "a description that does not load";
        return comparison;
    }
    std::stringstream steps(c.steps);
    std::string step;
    while (std::getline(steps, step, ';')) {
        size_t equals = step.find('=');
        comparison.feature = step.substr(0, equals);
        comparison.type = pair.type(comparison.feature);
        if (equals == std::string::npos) {
            comparison.text.clear();
            comparison.project = pair.projectRead(comparison.feature);
            comparison.aravis = pair.aravisRead(comparison.feature);
        } else {
            comparison.text = step.substr(equals + 1);
            comparison.project = pair.projectWrite(comparison.feature, comparison.text);
            comparison.aravis = pair.aravisWrite(comparison.feature, comparison.text);
        }
    }
    comparison.memory = memoryDifference(pair.projectMemory, pair.aravisMemory);
    comparison.projectMemory = pair.projectMemory;
    comparison.aravisMemory = pair.aravisMemory;
    if (!comparison.text.empty() && comparison.project.ok && comparison.aravis.ok &&
        formOf(comparison.type) != Form::Command) {
        Result project = pair.projectRead(comparison.feature), aravis = pair.aravisRead(comparison.feature);
        if (project.ok != aravis.ok || (project.ok && project.value != aravis.value))
            comparison.readBack = "read back as " + (project.ok ? project.value : "error: " + project.value) +
                                  " here, " + (aravis.ok ? aravis.value : "error: " + aravis.value) + " in Aravis";
    }
    return comparison;
}

std::string shown(const Comparison &c)
{
    auto result = [](const Result &r) { return r.ok ? "ok " + r.value : "refused (" + r.value + ")"; };
    return c.description + " [" + c.type + "]: here " + result(c.project) + ", Aravis " + result(c.aravis) +
           (c.memory.empty() ? "" : "; memory differs:" + c.memory) + (c.readBack.empty() ? "" : "; " + c.readBack);
}

// ---------------------------------------------------------------------------
// Generated descriptions: every node type at its edges, from a fixed seed.
// ---------------------------------------------------------------------------

std::string document(const std::string &nodes)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<RegisterDescription ModelName=\"M\" VendorName=\"V\" StandardNameSpace=\"None\" SchemaMajorVersion=\"1\" "
           "SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\" "
           "SubMinorVersion=\"0\" ProductGuid=\"0\" VersionGuid=\"0\" "
           "xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n" +
           nodes + "<Port Name=\"Device\"/>\n</RegisterDescription>\n";
}

struct Generated {
    std::string name;
    std::string nodes;
    Memory initial;
    std::vector<std::string> steps;  // each a case
};

class Generator {
public:
    explicit Generator(uint64_t seed) : random_(seed) {}

    int64_t between(int64_t low, int64_t high)
    {
        return std::uniform_int_distribution<int64_t>(low, high)(random_);
    }
    bool coin() { return between(0, 1) == 1; }

    // Random bytes at address, so that a field's neighbours show.
    void fill(Memory &memory, uint64_t address, int length)
    {
        for (int i = 0; i < length; i++)
            memory[address + i] = (uint8_t)between(0, 255);
    }

    static std::string endianness(bool big) { return big ? "BigEndian" : "LittleEndian"; }

    static std::string reg(const std::string &type, const std::string &name, uint64_t address, int length,
                           const std::string &extra, const std::string &access = "RW")
    {
        char at[32];
        snprintf(at, sizeof at, "0x%llx", (unsigned long long)address);
        return "<" + type + " Name=\"" + name + "\"><Address>" + at + "</Address><Length>" + std::to_string(length) +
               "</Length><AccessMode>" + access + "</AccessMode><pPort>Device</pPort>" + extra + "</" + type + ">\n";
    }

    // The values to try on an integer range: its edges, just beyond, and
    // one inside.
    std::vector<std::string> edges(int64_t low, int64_t high)
    {
        std::vector<std::string> values = {std::to_string(low), std::to_string(high), "0", "1", "-1"};
        if (low > INT64_MIN)
            values.push_back(std::to_string(low - 1));
        if (high < INT64_MAX)
            values.push_back(std::to_string(high + 1));
        values.push_back(std::to_string(between(low, high)));
        return values;
    }

    static void range(int bits, bool isSigned, int64_t *low, int64_t *high)
    {
        if (isSigned) {
            *high = bits >= 64 ? INT64_MAX : (int64_t)((UINT64_C(1) << (bits - 1)) - 1);
            *low = -*high - 1;
        } else {
            *low = 0;
            *high = bits >= 63 ? INT64_MAX : (int64_t)((UINT64_C(1) << bits) - 1);
        }
    }

    Generated intRegs()
    {
        Generated g{"IntReg", "", {}, {}};
        const int lengths[] = {1, 2, 4, 8};
        for (int k = 0; k < 12; k++) {
            std::string name = "I" + std::to_string(k);
            int length = lengths[k % 4];
            bool isSigned = coin(), big = coin();
            uint64_t address = 0x1000 + 0x10 * (uint64_t)k;
            g.nodes += reg("IntReg", name, address, length,
                           std::string("<Sign>") + (isSigned ? "Signed" : "Unsigned") + "</Sign><Endianess>" +
                               endianness(big) + "</Endianess>");
            fill(g.initial, address, length);
            int64_t low, high;
            range(8 * length, isSigned, &low, &high);
            for (const std::string &value : edges(low, high))
                g.steps.push_back(name + "=" + value);
            g.steps.push_back(name);
        }
        return g;
    }

    Generated maskedIntRegs()
    {
        Generated g{"MaskedIntReg", "", {}, {}};
        const int lengths[] = {1, 2, 4, 8};
        for (int k = 0; k < 16; k++) {
            std::string name = "M" + std::to_string(k);
            int length = lengths[k % 4], bits = 8 * length;
            bool isSigned = coin(), big = coin();
            int low = (int)between(0, bits - 1), high = (int)between(low, bits - 1);
            if (k % 8 == 1)
                low = high = 0;
            if (k % 8 == 2)
                low = high = bits - 1;
            // Big-endian registers number bit 0 as the most significant.
            int lsb = big ? bits - 1 - low : low, msb = big ? bits - 1 - high : high;
            uint64_t address = 0x2000 + 0x10 * (uint64_t)k;
            g.nodes += reg("MaskedIntReg", name, address, length,
                           "<LSB>" + std::to_string(lsb) + "</LSB><MSB>" + std::to_string(msb) + "</MSB><Sign>" +
                               (isSigned ? "Signed" : "Unsigned") + "</Sign><Endianess>" + endianness(big) +
                               "</Endianess>");
            fill(g.initial, address, length);
            int64_t min, max;
            range(high - low + 1, isSigned, &min, &max);
            for (const std::string &value : edges(min, max))
                g.steps.push_back(name + "=" + value);
            g.steps.push_back(name);
        }
        return g;
    }

    Generated floatRegs()
    {
        Generated g{"FloatReg", "", {}, {}};
        for (int k = 0; k < 4; k++) {
            std::string name = "F" + std::to_string(k);
            int length = k < 2 ? 4 : 8;
            uint64_t address = 0x3000 + 0x10 * (uint64_t)k;
            g.nodes += reg("FloatReg", name, address, length, "<Endianess>" + endianness(k % 2) + "</Endianess>");
            fill(g.initial, address, length);
            for (const char *value : {"0", "0.1", "-2.5", "1e30", "3.5e38", "-1e300", "1e-40", "16777217"})
                g.steps.push_back(name + "=" + value);
            g.steps.push_back(name);
        }
        return g;
    }

    Generated boundedIntegers()
    {
        Generated g{"Integer", "", {}, {}};
        for (int k = 0; k < 6; k++) {
            std::string name = "N" + std::to_string(k), raw = "NRaw" + std::to_string(k);
            int64_t min = between(-100, 100), inc = between(1, 7), max = min + inc * between(1, 20) + between(0, 1);
            uint64_t address = 0x4000 + 0x10 * (uint64_t)k;
            g.nodes += reg("IntReg", raw, address, 4, "<Sign>Signed</Sign>");
            g.nodes += "<Integer Name=\"" + name + "\"><pValue>" + raw + "</pValue><Min>" + std::to_string(min) +
                       "</Min><Max>" + std::to_string(max) + "</Max><Inc>" + std::to_string(inc) + "</Inc></Integer>\n";
            for (int64_t value : {min, max, min + inc, min + 1, min - 1, max + 1, max - inc, min + 3 * inc + 1})
                g.steps.push_back(name + "=" + std::to_string(value));
        }
        return g;
    }

    Generated boundedFloats()
    {
        Generated g{"Float", "", {}, {}};
        const char *const bounds[][3] = {{"0.1", "1", "0.1"}, {"0.05", "10", "0.1"}, {"-2", "2", "0.25"}, {"10", "1e6", ""}};
        for (int k = 0; k < 4; k++) {
            std::string name = "G" + std::to_string(k), raw = "GRaw" + std::to_string(k);
            g.nodes += reg("FloatReg", raw, 0x5000 + 0x10 * (uint64_t)k, 8, "");
            g.nodes += "<Float Name=\"" + name + "\"><pValue>" + raw + "</pValue><Min>" + bounds[k][0] + "</Min><Max>" +
                       bounds[k][1] + "</Max>" + (*bounds[k][2] ? std::string("<Inc>") + bounds[k][2] + "</Inc>" : "") +
                       "</Float>\n";
            for (const char *value : {"0.3", "0.35", "0.7", "1", "1.05", "0.05", "0.15", "-2", "1.75", "1.8", "10.5"})
                g.steps.push_back(name + "=" + value);
        }
        return g;
    }

    Generated converters()
    {
        Generated g{"Converter", "", {}, {}};
        g.nodes += reg("IntReg", "CRaw", 0x6000, 4, "<Sign>Signed</Sign>");
        g.nodes += "<IntConverter Name=\"Half\"><FormulaTo>FROM / 2</FormulaTo><FormulaFrom>TO * 2</FormulaFrom>"
                   "<pValue>CRaw</pValue></IntConverter>\n"
                   "<Converter Name=\"Tenths\"><FormulaTo>FROM / 0.1</FormulaTo><FormulaFrom>TO * 0.1</FormulaFrom>"
                   "<pValue>CRaw</pValue></Converter>\n"
                   "<Converter Name=\"Shift\"><FormulaTo>FROM - 3</FormulaTo><FormulaFrom>TO + 3</FormulaFrom>"
                   "<pValue>CRaw</pValue></Converter>\n";
        for (const char *value : {"7", "-7", "10", "0"})
            g.steps.push_back(std::string("Half=") + value);
        for (const char *value : {"2500", "0.7", "0.25", "-0.35", "12"})
            g.steps.push_back(std::string("Tenths=") + value);
        for (const char *value : {"5", "2.5", "-0.5"})
            g.steps.push_back(std::string("Shift=") + value);
        g.nodes += "<Float Name=\"OverInt\"><pValue>CRaw</pValue></Float>\n";
        for (const char *value : {"7", "2.5", "-2.5", "2.4999", "-1e300"})
            g.steps.push_back(std::string("OverInt=") + value);
        return g;
    }

    Generated others()
    {
        Generated g{"Other", "", {}, {}};
        g.nodes += reg("IntReg", "ERaw", 0x7000, 4, "") + reg("IntReg", "BRaw", 0x7004, 4, "") +
                   reg("MaskedIntReg", "BBit", 0x7008, 2, "<Bit>9</Bit>") + reg("StringReg", "Text", 0x7010, 6, "") +
                   reg("IntReg", "Table", 0x7100, 2, "<pIndex Offset=\"4\">Sel</pIndex>") +
                   "<Integer Name=\"Sel\"><Value>0</Value><Min>0</Min><Max>3</Max></Integer>\n"
                   "<Enumeration Name=\"Mode\"><EnumEntry Name=\"Off\"><Value>0</Value></EnumEntry>"
                   "<EnumEntry Name=\"On\"><Value>1</Value></EnumEntry><EnumEntry Name=\"Auto\"><Value>7</Value>"
                   "</EnumEntry><pValue>ERaw</pValue></Enumeration>\n"
                   "<Boolean Name=\"Flag\"><pValue>BRaw</pValue><OnValue>3</OnValue><OffValue>4</OffValue></Boolean>\n"
                   "<Boolean Name=\"Bit\"><pValue>BBit</pValue></Boolean>\n"
                   "<Command Name=\"Go\"><pValue>BRaw</pValue><CommandValue>0x55</CommandValue></Command>\n";
        fill(g.initial, 0x7008, 2);
        for (const char *step : {"Mode=On", "Mode=Auto", "Mode=Off", "Mode=Nope", "Flag=true", "Flag=false", "Bit=true",
                                 "Bit=false", "Go=1", "Text=ab", "Text=abcdef", "Text=abcdefg", "Sel=2;Table=9",
                                 "Sel=3;Table=65535", "Sel=4;Table=1", "Table=65536"})
            g.steps.push_back(step);
        return g;
    }

    // Random formulas of small integers with every operator but **, never
    // dividing by zero and with a ?: in the middle of another in brackets:
    // Aravis is wrong there (kKnownDifferences).
    std::string expression(int depth)
    {
        static const char *const kBinary[] = {"+",  "-", "*",  "/",  "%",  "&",  "|",  "^",  "<<", ">>",
                                              "=",  "<>", "<", ">",  "<=", ">=", "&&", "||"};
        int choice = (int)between(0, depth > 0 ? 9 : 0);
        if (choice == 0)
            return std::to_string(between(-9, 9));
        if (choice == 1)
            return "(" + expression(depth - 1) + ")";
        if (choice == 2)
            return std::string(coin() ? "-" : "~") + "(" + expression(depth - 1) + ")";
        if (choice == 3)
            return expression(depth - 1) + " ? (" + expression(depth - 1) + ") : " + expression(depth - 1);
        const char *op = kBinary[between(0, 17)];
        std::string right = expression(depth - 1);
        if (!strcmp(op, "<<") || !strcmp(op, ">>"))
            right = std::to_string(between(0, 5));
        if (!strcmp(op, "/") || !strcmp(op, "%"))
            right = std::to_string(between(1, 9) * (coin() ? 1 : -1));
        return expression(depth - 1) + " " + op + " " + right;
    }

    Generated formulas()
    {
        Generated g{"IntSwissKnife", "", {}, {}};
        for (int k = 0; k < 150; k++) {
            std::string name = "K" + std::to_string(k);
            g.nodes += "<IntSwissKnife Name=\"" + name + "\"><Formula><![CDATA[" + expression(4) +
                       "]]></Formula></IntSwissKnife>\n";
            g.steps.push_back(name);
        }
        return g;
    }

private:
    std::mt19937_64 random_;
};

std::vector<Generated> generated()
{
    Generator generator(20261207);
    return {generator.intRegs(), generator.maskedIntRegs(), generator.floatRegs(), generator.boundedIntegers(),
            generator.boundedFloats(), generator.converters(), generator.others(), generator.formulas()};
}


// ---------------------------------------------------------------------------
// Where Aravis is wrong: each difference once, with its reason, an example
// whose outcome here is the one expected, and what it looks like in a
// comparison of generated or given descriptions.
// ---------------------------------------------------------------------------

// The 4-byte register at address, little- or big-endian.
int64_t registerValue(const Memory &memory, uint64_t address, bool bigEndian)
{
    uint64_t value = 0;
    for (int i = 0; i < 4; i++) {
        auto held = memory.find(address + (bigEndian ? i : 3 - i));
        value = value << 8 | (held != memory.end() ? held->second : 0);
    }
    return (int64_t)(int32_t)value;
}

// Whether the memories differ only in one aligned 4-byte register, whose
// values (in one byte order or the other) differ by one.
bool offByOne(const Memory &project, const Memory &aravis)
{
    std::set<uint64_t> words;
    for (const Memory *memory : {&project, &aravis})
        for (const auto &byte : *memory) {
            auto other = (memory == &project ? aravis : project).find(byte.first);
            int there = other != (memory == &project ? aravis : project).end() ? other->second : 0;
            if (there != byte.second)
                words.insert(byte.first & ~(uint64_t)3);
        }
    if (words.size() != 1)
        return false;
    for (bool bigEndian : {false, true}) {
        int64_t here = registerValue(project, *words.begin(), bigEndian);
        int64_t there = registerValue(aravis, *words.begin(), bigEndian);
        if (here - there == 1 || there - here == 1)
            return true;
    }
    return false;
}

bool startsWith(const std::string &text, const std::string &start)
{
    return text.compare(0, start.size(), start) == 0;
}

// A difference where Aravis is wrong and this tool's behaviour is the one
// expected; applies(), where given, tells the comparisons it explains.
struct KnownDifference {
    const char *name;
    const char *reason;
    std::string nodes;     // the example's description
    const char *steps;     // its steps, the last compared
    const char *expected;  // the last step's outcome here: "ok", a value, or "error: <start of the reason>"
    std::function<bool(const Comparison &)> applies;
};

const std::string kExampleRegisters = R"(
<IntReg Name="Raw"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  <Sign>Signed</Sign></IntReg>
<IntReg Name="Raw8"><Address>0x108</Address><Length>8</Length><AccessMode>RW</AccessMode><pPort>Device</pPort></IntReg>
<Integer Name="Zero"><Value>0</Value></Integer>
<Integer Name="Big"><Value>9223372036854775807</Value></Integer>
)";

std::string knife(const std::string &formula, const std::string &variables = "")
{
    return kExampleRegisters + "<IntSwissKnife Name=\"K\">" + variables + "<Formula><![CDATA[" + formula +
           "]]></Formula></IntSwissKnife>\n";
}

const std::vector<KnownDifference> &knownDifferences()
{
    static const std::vector<KnownDifference> kKnownDifferences = {
        {"IntegerIncrement", "Aravis checks an Integer's Min and Max on a write, not its Inc",
         kExampleRegisters + "<Integer Name=\"W\"><pValue>Raw</pValue><Min>16</Min><Max>64</Max><Inc>4</Inc></Integer>",
         "W=18", "error: not on the increment",
         [](const Comparison &c) {
             return c.type == "Integer" && !c.project.ok && startsWith(c.project.value, "not on the increment") &&
                    c.aravis.ok;
         }},
        {"FloatIncrement", "Aravis checks a Float's Min and Max on a write, not its Inc",
         kExampleRegisters + "<Float Name=\"G\"><Value>0.1</Value><Min>0.1</Min><Max>1</Max><Inc>0.1</Inc></Float>",
         "G=0.35", "error: not on the increment",
         [](const Comparison &c) {
             return c.type == "Float" && !c.project.ok && startsWith(c.project.value, "not on the increment") &&
                    c.aravis.ok;
         }},
        {"DoubleToIntegerTruncates",
         "Aravis truncates a double toward zero where it writes it to an integer node (a converter's FormulaTo, a "
         "Float over an IntReg): FROM / 0.1 of 0.7 is 6.9999999999999991 in doubles, which this tool writes as 7, "
         "the nearest, and Aravis as 6; an Integer over a converter reads one nearer zero in Aravis",
         kExampleRegisters + "<Converter Name=\"C\"><FormulaTo>FROM / 0.1</FormulaTo><FormulaFrom>TO * 0.1</FormulaFrom>"
                             "<pValue>Raw</pValue></Converter>",
         "C=0.7;C", "0.7000000000000001",
         [](const Comparison &c) {
             if (c.type == "Integer" && c.text.empty() && c.project.ok && c.aravis.ok) {
                 long long here = strtoll(c.project.value.c_str(), nullptr, 10);
                 return here - strtoll(c.aravis.value.c_str(), nullptr, 10) == (here < 0 ? -1 : 1);
             }
             if ((c.type != "Converter" && c.type != "IntConverter" && c.type != "Float") || !c.project.ok ||
                 !c.aravis.ok)
                 return false;
             // A host-side integer: only the value read back differs.
             if (c.memory.empty())
                 return !c.readBack.empty();
             // A register, in either byte order, off by one, and nothing else.
             return offByOne(c.projectMemory, c.aravisMemory);
         }},
        {"DivisionByZero", "Aravis reads a division by zero as 0, a made-up value; here it is an error",
         knife("10 / Z", "<pVariable Name=\"Z\">Zero</pVariable>"), "K",
         "error: the description is faulty at K: Formula: '/' at character 4: division by zero",
         [](const Comparison &c) {
             return !c.project.ok && c.project.value.find("division by zero") != std::string::npos && c.aravis.ok &&
                    c.aravis.value == "0";
         }},
        {"NoShortCircuit",
         "Aravis evaluates the side of && and || and the branch of ?: that decide nothing, so a division by zero "
         "there makes the whole formula 0; here they are not evaluated",
         knife("1 || 1 / Z", "<pVariable Name=\"Z\">Zero</pVariable>"), "K", "1", nullptr},
        {"NestedConditional", "Aravis misreads a ?: in the middle of another (1 ? 2 ? 3 : 4 : 5 is 3)",
         knife("1 ? 2 ? 3 : 4 : 5"), "K", "3", nullptr},
        {"EnumerationOfNoEntry",
         "Aravis reads an Enumeration whose value no entry holds as an empty name; here it is an error, never a made-up "
         "name",
         kExampleRegisters + "<Enumeration Name=\"E\"><EnumEntry Name=\"A\"><Value>1</Value></EnumEntry>"
                             "<pValue>Raw</pValue></Enumeration>",
         "E", "error: E holds 0, which is none of its entries",
         [](const Comparison &c) {
             return c.type == "Enumeration" && !c.project.ok &&
                    c.project.value.find("which is none of its entries") != std::string::npos && c.aravis.ok &&
                    c.aravis.value.empty();
         }},
        {"BooleanOfNeitherValue",
         "Aravis reads a Boolean that holds neither its OnValue nor its OffValue as false; here it is an error, never "
         "a made-up value",
         kExampleRegisters + "<Boolean Name=\"B\"><pValue>Raw</pValue><OnValue>3</OnValue><OffValue>4</OffValue>"
                             "</Boolean>",
         "B", "error: B holds 0, neither its OnValue 3 nor its OffValue 4",
         [](const Comparison &c) {
             return c.type == "Boolean" && !c.project.ok && c.project.value.find("neither its OnValue") != std::string::npos &&
                    c.aravis.ok && c.aravis.value == "false";
         }},
        {"RegisterWithoutPort",
         "Aravis refuses a register without pPort, which the standard requires; this tool reads and writes it on the "
         "device, the only port a register can be on outside an image's chunk data",
         "<IntReg Name=\"R\"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode></IntReg>", "R=7",
         "ok",
         [](const Comparison &c) {
             return c.project.ok && !c.aravis.ok && c.aravis.value.find("Port not found") != std::string::npos;
         }},
        {"PowerBindsTighterThanSign", "Aravis reads -2 ** 2 as (-2) ** 2, 4; the power binds tighter: -4",
         knife("-2 ** 2"), "K", "-4", nullptr},
        {"LeadingZeroIsDecimal", "Aravis reads 010 as octal, 8; formulas know no octal: 10", knife("010"), "K", "10",
         nullptr},
        {"DecimalLiteral",
         "Aravis rounds 0.0359 to a double other than the nearest; here it is the nearest (0 - 273.15 reads as "
         "-273.15, and -273.15000000000003 in Aravis)",
         kExampleRegisters + "<SwissKnife Name=\"S\"><Formula>0.0359</Formula></SwissKnife>", "S", "0.0359",
         [](const Comparison &c) {
             if (formOf(c.type) != Form::Float || !c.text.empty() || !c.project.ok || !c.aravis.ok)
                 return false;
             double here = strtod(c.project.value.c_str(), nullptr), there = strtod(c.aravis.value.c_str(), nullptr);
             return here != there && fabs(here - there) <= 1e-14 * fabs(here);
         }},
        {"EntryInFormula", "Aravis does not read E.Entry.B, the value of entry B of enumeration E, in a formula",
         kExampleRegisters +
             "<Enumeration Name=\"E\"><EnumEntry Name=\"A\"><Value>5</Value></EnumEntry><EnumEntry Name=\"B\">"
             "<Value>9</Value></EnumEntry><Value>5</Value></Enumeration>"
             "<IntSwissKnife Name=\"K\"><pVariable Name=\"E\">E</pVariable><Formula>E.Entry.B</Formula></IntSwissKnife>",
         "K", "9", nullptr},
        {"VariableNamedLikeAFunction", "Aravis takes a variable named EXP for the function EXP",
         knife("EXP + 1", "<pVariable Name=\"EXP\">Zero</pVariable>"), "K", "1", nullptr},
        {"UnavailableRead", "Aravis reads a feature that is not available now (its pIsAvailable is 0)",
         kExampleRegisters + "<Integer Name=\"N\"><pIsAvailable>Zero</pIsAvailable><pValue>Raw</pValue></Integer>",
         "N", "error: not available now", nullptr},
        {"UnimplementedRead", "Aravis reads a feature that is not implemented (its pIsImplemented is 0)",
         kExampleRegisters + "<Integer Name=\"N\"><pIsImplemented>Zero</pIsImplemented><pValue>Raw</pValue></Integer>",
         "N", "error: not implemented", nullptr},
        {"SharedEntryValue",
         "Aravis names the last entry in document order of the value an Enumeration holds; here it is the first "
         "implemented one (the first of all when none is)",
         kExampleRegisters + "<Enumeration Name=\"E\"><EnumEntry Name=\"A\"><Value>1</Value></EnumEntry>"
                             "<EnumEntry Name=\"B\"><Value>1</Value></EnumEntry><pValue>Raw</pValue></Enumeration>",
         "Raw=1;E", "A",
         [](const Comparison &c) {
             return c.type == "Enumeration" && c.text.empty() && c.project.ok && c.aravis.ok &&
                    c.project.value != c.aravis.value;
         }},
        {"ConditionThroughNotImplemented",
         "Aravis computes a pIsImplemented from nodes that are not implemented themselves, as if they were; here a "
         "condition read through a node the camera does not have does not hold (a color camera's selector on a "
         "monochrome model)",
         kExampleRegisters + "<Integer Name=\"Gone\"><pIsImplemented>Zero</pIsImplemented><Value>1</Value></Integer>"
                             "<IntSwissKnife Name=\"Present\"><pVariable Name=\"G\">Gone</pVariable><Formula>G</Formula>"
                             "</IntSwissKnife><Integer Name=\"N\"><pIsImplemented>Present</pIsImplemented>"
                             "<pValue>Raw</pValue></Integer>",
         "N", "error: not implemented", nullptr},
        {"InfiniteResult", "Aravis reads a formula without a finite value (LN(0) of a gain in dB) as an infinity",
         kExampleRegisters + "<SwissKnife Name=\"S\"><pVariable Name=\"Z\">Zero</pVariable><Formula>LN(Z)</Formula>"
                             "</SwissKnife>",
         "S", "error: the description is faulty at S: Formula: LN at character 1: result out of range",
         [](const Comparison &c) {
             return !c.project.ok && c.project.value.find("result out of range") != std::string::npos && c.aravis.ok &&
                    (c.aravis.value == "inf" || c.aravis.value == "-inf");
         }},
        {"UnknownName",
         "Aravis reads a formula that reaches a name none of its node's variables has as 0; here it is an error "
         "where it is reached, and only there",
         knife("1 && (UNDEFINED || 1)"), "K",
         "error: the description is faulty at K: Formula: unknown name 'UNDEFINED' at character 7",
         [](const Comparison &c) {
             return !c.project.ok && c.project.value.find("unknown name") != std::string::npos && c.aravis.ok &&
                    c.aravis.value == "0";
         }},
        {"ShiftBeyondWidth",
         "Aravis shifts by the amount modulo 64 (C leaves a shift by 64 or more undefined): (1 << 100) - 1 is "
         "2 ** 36 - 1 there; here every bit is shifted out, and it is -1",
         knife("(1 << 100) - 1"), "K", "-1",
         [](const Comparison &c) {
             if (formOf(c.type) != Form::Integer || !c.project.ok || !c.aravis.ok)
                 return false;
             uint64_t there = strtoull(c.aravis.value.c_str(), nullptr, 10);
             if (c.aravis.value[0] == '-')
                 there = (uint64_t)strtoll(c.aravis.value.c_str(), nullptr, 10);
             bool mask = (there & (there + 1)) == 0, power = there != 0 && (there & (there - 1)) == 0;
             return (c.project.value == "-1" && mask) || (c.project.value == "0" && power);
         }},
        {"FloatFormulaWraps",
         "Aravis multiplies two integers in a SwissKnife or Converter in 64 bits and wraps around (4294967295 ** 2 "
         "/ 1000 is -8589934.591 there); a floating formula never wraps",
         kExampleRegisters + "<SwissKnife Name=\"S\"><pVariable Name=\"B\">Big</pVariable><Formula>B * 2</Formula>"
                             "</SwissKnife>",
         "S", "1.8446744073709552e+19", nullptr},
        {"BooleanVariable", "Aravis reads a formula with a Boolean among its variables as 0",
         kExampleRegisters + "<Boolean Name=\"B\"><pValue>Raw</pValue></Boolean><IntSwissKnife Name=\"K\">"
                             "<pVariable Name=\"C\">B</pVariable><Formula>C = 0 ? 32000 : 8000</Formula>"
                             "</IntSwissKnife>",
         "K", "32000", nullptr},
        {"Boolean64", "Aravis compares a Boolean's value with its OnValue on the low 32 bits only",
         kExampleRegisters + "<Boolean Name=\"B\"><pValue>Raw8</pValue><OnValue>0x100000001</OnValue><OffValue>0"
                             "</OffValue></Boolean>",
         "Raw8=1;B", "error: B holds 1, neither its OnValue 4294967297 nor its OffValue 0", nullptr},
    };
    return kKnownDifferences;
}

// The difference that explains a comparison, or nullptr.
const KnownDifference *explained(const Comparison &c)
{
    for (const KnownDifference &difference : knownDifferences())
        if (difference.applies && difference.applies(c))
            return &difference;
    return nullptr;
}

TEST(AravisDifferences, EachIsRealAndThisToolIsRightThere)
{
    for (const KnownDifference &difference : knownDifferences()) {
        std::string xml = document(difference.nodes);
        Comparison c = compare(xml, difference.name, Case{difference.steps, {}});
        std::string outcome = c.project.ok ? (c.text.empty() ? c.project.value : "ok") : "error: " + c.project.value;
        EXPECT_TRUE(startsWith(outcome, difference.expected)) << difference.name << ": " << outcome;
        EXPECT_FALSE(agrees(c)) << difference.name << ": Aravis agrees now; the difference is gone: " << shown(c);
        if (difference.applies) {
            EXPECT_TRUE(difference.applies(c)) << difference.name << " does not recognise its example: " << shown(c);
        }
    }
}

// Counts agreements and explained differences; any other difference fails.
struct Tally {
    size_t cases = 0, agreed = 0, bothWorked = 0;
    std::map<std::string, size_t> explainedBy;

    void add(const Comparison &c)
    {
        cases++;
        if (agrees(c)) {
            agreed++;
            bothWorked += c.project.ok;
            return;
        }
        const KnownDifference *difference = explained(c);
        if (difference)
            explainedBy[difference->name]++;
        else
            ADD_FAILURE() << shown(c);
    }
};

TEST(AravisComparison, GeneratedDescriptionsWriteTheSameBytesAndReadTheSameValues)
{
    Tally tally;
    for (const Generated &g : generated()) {
        std::string xml = document(g.nodes);
        size_t before = tally.bothWorked;
        for (const std::string &steps : g.steps)
            tally.add(compare(xml, g.name, Case{steps, g.initial}));
        // Not a comparison of refusals only.
        EXPECT_GT(tally.bothWorked, before) << g.name;
    }
    // The generated cases show the differences they are built to show.
    for (const char *name : {"IntegerIncrement", "FloatIncrement", "DoubleToIntegerTruncates"})
        EXPECT_GT(tally.explainedBy[name], 0u) << name;
    printf("%zu cases, %zu alike (%zu of them worked in both)", tally.cases, tally.agreed, tally.bothWorked);
    for (const auto &explainedBy : tally.explainedBy)
        printf(", %zu %s", explainedBy.second, explainedBy.first.c_str());
    printf("\n");
}

// ---------------------------------------------------------------------------
// Descriptions of a folder (ARAVIS_DESCRIPTIONS): every feature listed from
// Root read, and every writable one written with a few values of its form.
// ---------------------------------------------------------------------------

std::vector<std::string> valuesFor(Form form, const std::string &read)
{
    switch (form) {
    case Form::Integer: return {"0", "1", "-1", "100", "65536", read};
    case Form::Float: return {"0", "1.5", "-2", "1e6", read};
    case Form::Enumeration: return {read, "NoSuchEntry"};
    case Form::Boolean: return {"true", "false"};
    case Form::String: return {"ab", ""};
    case Form::Command: return {"1"};
    case Form::Bytes: return {"0102030405060708"};
    default: return {};
    }
}

TEST(AravisComparison, DescriptionsOfAFolder)
{
    const char *folder = getenv("ARAVIS_DESCRIPTIONS");
    if (!folder)
        GTEST_SKIP() << "set ARAVIS_DESCRIPTIONS to a folder of descriptions (Aravis's tests/data, say)";
    DIR *dir = opendir(folder);
    ASSERT_TRUE(dir) << folder;
    std::vector<std::string> files;
    while (struct dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0)
            files.push_back(std::string(folder) + "/" + name);
    }
    closedir(dir);
    ASSERT_FALSE(files.empty()) << "no .xml in " << folder;
    Tally tally;
    for (const std::string &file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Memory memory;
        Pair pair(xml, memory);
        ASSERT_TRUE(pair.loaded()) << file;
        for (const std::string &name : pair.featureNames()) {
            Form form = formOf(pair.type(name));
            if (form == Form::None)
                continue;
            tally.add(compare(xml, file, Case{name, memory}));
            Result read = pair.projectRead(name);
            for (const std::string &value : valuesFor(form, read.ok ? read.value : "0"))
                tally.add(compare(xml, file, Case{name + "=" + value, memory}));
        }
    }
    printf("%zu cases, %zu alike (%zu of them worked in both)", tally.cases, tally.agreed, tally.bothWorked);
    for (const auto &explainedBy : tally.explainedBy)
        printf(", %zu %s", explainedBy.second, explainedBy.first.c_str());
    printf("\n");
}

}  // namespace

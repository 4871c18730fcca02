// The engine's nodes: what one element of a description says, built once
// from the XML and then only read.  References to other nodes are indexes
// into the NodeMap, looked up by name when the node is built.
#ifndef GENICAM_ENGINE_NODE_H
#define GENICAM_ENGINE_NODE_H

#include <stdint.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Formula.h"

namespace genicam {
namespace engine {

const uint32_t kAbsent = UINT32_MAX;       // the element is not there
const uint32_t kMissing = UINT32_MAX - 1;  // it names a node the description lacks

// The node types of a description; Other is any node this engine does not
// read (ConfRom, TextDesc, IntKey, AdvFeatureLock, SmartFeature, Node).
enum class Kind : uint8_t {
    Category,
    Integer,
    IntReg,
    MaskedIntReg,
    StructEntry,
    Float,
    FloatReg,
    Enumeration,
    Boolean,
    Command,
    String,
    StringReg,
    Register,
    IntSwissKnife,
    SwissKnife,
    IntConverter,
    Converter,
    Port,
    Other,
};

// How a node may be used: bit 1 read, bit 2 write; NI and NA on top.
enum class Access : uint8_t { NA = 0, RO = 1, WO = 2, RW = 3, NI = 4 };

// A reference to another node by name (pValue, pMin, pAddress...).
struct Ref {
    uint32_t index = kAbsent;
    std::string_view name;

    bool given() const { return index != kAbsent; }
};

// A value the description gives either as a constant (Value, Min...) or
// through another node (pValue, pMin...).
struct Source {
    enum class From : uint8_t { None, Constant, Node };
    From from = From::None;
    Number constant;        // a number, for every type but String
    std::string_view text;  // a String's constant
    Ref ref;

    bool given() const { return from != From::None; }
};

// One ValueIndexed or pValueIndexed of an Integer or Float with a pIndex.
struct IndexedValue {
    int64_t index = 0;
    Source source;
};

struct Node;

// Where a register lives and how it is laid out.
struct RegisterPart {
    // One pIndex term: the index node's value times the offset (Offset or
    // pOffset; the register's length when neither is given).
    struct IndexTerm {
        Ref index;
        Source offset;
    };

    // An IntSwissKnife defined inside the register (or inside a pAddress of
    // it), whose value is added to the address: a node of the NodeMap when
    // it is found there by its name, else built for the register alone.
    struct Knife {
        Ref ref;
        std::unique_ptr<Node> own;
    };

    uint64_t address = 0;  // the sum of the Address elements
    std::vector<Ref> addresses;  // pAddress elements, added to it
    std::vector<Knife> knives;   // IntSwissKnife elements, added too
    std::vector<IndexTerm> indexes;
    Source length;
    Access access = Access::RO;
    Ref port;
    bool bigEndian = false;
};

// One entry of an Enumeration.
struct EnumEntry {
    std::string_view name;      // its Name attribute
    std::string_view symbolic;  // Symbolic, or else its Name: the value as read and written
    int64_t value = 0;
    Ref isImplemented, isAvailable;
};

// A formula as parsed once, or why it could not be parsed.
struct FormulaText {
    bool given = false;
    Formula formula;
    std::string fault;
};

// The formulas of a SwissKnife, IntSwissKnife, Converter or IntConverter
// and their inputs.  A formula's variables are numbered: first the
// pVariable elements, then the Constant elements, then the Expression
// elements, then FROM and TO for a converter.
struct Formulas {
    std::vector<std::string> names;
    std::vector<Ref> variables;
    std::vector<Number> constants;
    std::vector<FormulaText> expressions;
    FormulaText main;  // Formula, or a converter's FormulaFrom
    FormulaText to;    // a converter's FormulaTo
    size_t from = SIZE_MAX, toValue = SIZE_MAX;  // the variables FROM and TO of a converter
};

struct Node {
    Kind kind = Kind::Other;
    std::string_view type;  // the element's name: IntReg, Enumeration...
    std::string_view name;
    std::string fault;      // why the description is faulty here; empty when it is not

    Ref isImplemented, isAvailable, isLocked;
    Access imposed = Access::RW;
    std::string_view unit, displayName;
    bool streamable = false;    // its Streamable says Yes
    std::vector<Ref> selected;  // a selector's pSelected elements that name a node, each once

    // Value or pValue; a Converter's pValue; a Command's value to write to.
    Source value;
    std::vector<Ref> valueCopies;
    // pIndex with ValueIndexed/pValueIndexed and ValueDefault/pValueDefault.
    Ref index;
    std::vector<IndexedValue> indexed;
    Source valueDefault;
    Source min, max, inc;

    std::unique_ptr<RegisterPart> reg;
    bool isSigned = false;
    // A MaskedIntReg's or StructEntry's field, in the register's own bit
    // numbering (in a big-endian register bit 0 is the most significant).
    bool masked = false;
    bool hasBits = false;
    uint64_t lsb = 0, msb = 0;

    int64_t onValue = 1, offValue = 0;  // a Boolean's
    Source commandValue;
    std::vector<EnumEntry> entries;
    std::vector<Ref> features;  // a Category's pFeature elements
    bool chunkPort = false;     // a Port for chunk data, not the device's registers
    std::unique_ptr<Formulas> formulas;
};

// The name of an access mode as listed: RO, RW, WO, NA or NI.
const char *accessName(Access access);

} // namespace engine
} // namespace genicam

#endif

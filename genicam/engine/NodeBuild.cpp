// Builds a node from its element: one pass over the child elements, then
// the formulas, parsed once with every variable's name known.  Elements
// this engine has no use for (ToolTip, Visibility, Cachable, pInvalidator...)
// are skipped; with no register cache there is nothing to invalidate.
// Streamable and pSelected only tell a tool what a configuration holds.
#include <string.h>

#include <unordered_map>
#include <unordered_set>

#include "NodeMap.h"
#include "Text.h"

namespace genicam {
namespace engine {

namespace {

enum class Tag {
    Value, pValue, pValueCopy, Min, pMin, Max, pMax, Inc, pInc,
    Address, pAddress, IntSwissKnife, pIndex, ValueIndexed, pValueIndexed, ValueDefault, pValueDefault,
    Length, pLength, AccessMode, ImposedAccessMode, pPort, Sign, Endianess, Bit, LSB, MSB,
    pIsImplemented, pIsAvailable, pIsLocked, pVariable, Constant, Expression, Formula, FormulaTo, FormulaFrom,
    Unit, DisplayName, OnValue, OffValue, CommandValue, pCommandValue, EnumEntry, Symbolic, pFeature,
    ChunkID, pChunkID, Streamable, pSelected,
};

bool tagOf(std::string_view name, Tag *tag)
{
    static const std::unordered_map<std::string_view, Tag> kTags = {
        {"Value", Tag::Value}, {"pValue", Tag::pValue}, {"pValueCopy", Tag::pValueCopy},
        {"Min", Tag::Min}, {"pMin", Tag::pMin}, {"Max", Tag::Max}, {"pMax", Tag::pMax},
        {"Inc", Tag::Inc}, {"pInc", Tag::pInc}, {"Address", Tag::Address}, {"pAddress", Tag::pAddress},
        {"IntSwissKnife", Tag::IntSwissKnife}, {"pIndex", Tag::pIndex}, {"ValueIndexed", Tag::ValueIndexed},
        {"pValueIndexed", Tag::pValueIndexed}, {"ValueDefault", Tag::ValueDefault},
        {"pValueDefault", Tag::pValueDefault}, {"Length", Tag::Length}, {"pLength", Tag::pLength},
        {"AccessMode", Tag::AccessMode}, {"ImposedAccessMode", Tag::ImposedAccessMode}, {"pPort", Tag::pPort},
        {"Sign", Tag::Sign}, {"Endianess", Tag::Endianess}, {"Bit", Tag::Bit}, {"LSB", Tag::LSB},
        {"MSB", Tag::MSB}, {"pIsImplemented", Tag::pIsImplemented}, {"pIsAvailable", Tag::pIsAvailable},
        {"pIsLocked", Tag::pIsLocked}, {"pVariable", Tag::pVariable}, {"Constant", Tag::Constant},
        {"Expression", Tag::Expression}, {"Formula", Tag::Formula}, {"FormulaTo", Tag::FormulaTo},
        {"FormulaFrom", Tag::FormulaFrom}, {"Unit", Tag::Unit}, {"DisplayName", Tag::DisplayName},
        {"OnValue", Tag::OnValue}, {"OffValue", Tag::OffValue}, {"CommandValue", Tag::CommandValue},
        {"pCommandValue", Tag::pCommandValue}, {"EnumEntry", Tag::EnumEntry}, {"Symbolic", Tag::Symbolic},
        {"pFeature", Tag::pFeature}, {"ChunkID", Tag::ChunkID}, {"pChunkID", Tag::pChunkID},
        {"Streamable", Tag::Streamable}, {"pSelected", Tag::pSelected},
    };
    auto found = kTags.find(name);
    if (found == kTags.end())
        return false;
    *tag = found->second;
    return true;
}

bool isRegister(Kind kind)
{
    return kind == Kind::IntReg || kind == Kind::MaskedIntReg || kind == Kind::StructEntry ||
           kind == Kind::FloatReg || kind == Kind::StringReg || kind == Kind::Register;
}

bool isFormula(Kind kind)
{
    return kind == Kind::IntSwissKnife || kind == Kind::SwissKnife || kind == Kind::IntConverter ||
           kind == Kind::Converter;
}

bool isConverter(Kind kind)
{
    return kind == Kind::IntConverter || kind == Kind::Converter;
}

// Nodes whose numbers are doubles rather than integers.
bool isFloat(Kind kind)
{
    return kind == Kind::Float || kind == Kind::FloatReg || kind == Kind::SwissKnife || kind == Kind::Converter;
}

// Nodes with a Value or pValue of their own.
bool hasValue(Kind kind)
{
    return kind == Kind::Integer || kind == Kind::Float || kind == Kind::Boolean || kind == Kind::String ||
           kind == Kind::Enumeration || kind == Kind::Command || isConverter(kind);
}

// The text of an element: its character data, CDATA sections included.
std::string_view textOf(pugi::xml_node element)
{
    pugi::xml_node first = element.first_child();
    if (first && first == element.last_child())
        return first.value();
    return element.child_value();
}

// The whole text of an element, every piece of character data and CDATA
// joined (a formula may mix them).
std::string fullTextOf(pugi::xml_node element)
{
    std::string text;
    for (pugi::xml_node piece : element.children())
        if (piece.type() == pugi::node_pcdata || piece.type() == pugi::node_cdata)
            text += piece.value();
    return text;
}

class Builder {
public:
    Builder(const NodeMap &nodes, Node &node) : nodes_(nodes), node_(node) {}

    // Applies every child element of element to the node.
    void elements(pugi::xml_node element)
    {
        for (pugi::xml_node child : element.children()) {
            Tag tag;
            if (child.type() == pugi::node_element && tagOf(child.name(), &tag))
                apply(tag, child);
        }
    }

    // Checks what every node of its kind needs and parses its formulas.
    void finish();

private:
    void apply(Tag tag, pugi::xml_node element);
    void applyRegister(Tag tag, pugi::xml_node element);
    void applyFormula(Tag tag, pugi::xml_node element);
    void applyIndexed(Tag tag, pugi::xml_node element);
    EnumEntry entry(pugi::xml_node element);

    void fault(const std::string &what)
    {
        if (node_.fault.empty())
            node_.fault = what;
    }

    Ref ref(std::string_view text) const
    {
        text = trim(text);
        return Ref{nodes_.find(text), text};
    }

    Ref ref(pugi::xml_node element) const { return ref(textOf(element)); }

    bool integer(pugi::xml_node element, int64_t *value)
    {
        if (parseDescriptionInteger(textOf(element), value))
            return true;
        fault(std::string(element.name()) + " is not an integer: '" + std::string(trim(textOf(element))) + "'");
        return false;
    }

    // A number in the node's own kind: a double for Float nodes.
    Number number(pugi::xml_node element)
    {
        Number number;
        if (isFloat(node_.kind)) {
            number.isFloat = true;
            if (!parseFloat(textOf(element), &number.floating))
                fault(std::string(element.name()) + " is not a number: '" + std::string(trim(textOf(element))) + "'");
        } else {
            integer(element, &number.integer);
        }
        return number;
    }

    void constant(Source *source, pugi::xml_node element)
    {
        source->from = Source::From::Constant;
        source->constant = number(element);
    }

    void pointer(Source *source, pugi::xml_node element)
    {
        source->from = Source::From::Node;
        source->ref = ref(element);
    }

    void access(pugi::xml_node element, Access *access)
    {
        std::string_view text = trim(textOf(element));
        if (text == "RO")
            *access = Access::RO;
        else if (text == "WO")
            *access = Access::WO;
        else if (text == "RW")
            *access = Access::RW;
        else
            fault(std::string(element.name()) + " is none of RO, WO and RW: '" + std::string(text) + "'");
    }

    void bit(pugi::xml_node element, uint64_t *bit)
    {
        int64_t value;
        if (!integer(element, &value))
            return;
        if (value < 0 || value > 63)
            fault(std::string(element.name()) + " " + std::to_string(value) + " is no bit of a 64-bit register");
        *bit = (uint64_t)value;
    }

    void parseFormula(FormulaText *text, pugi::xml_node element, const FormulaNames &names);

    // An IntSwissKnife inside the register: the NodeMap's node of that
    // element, or one of the register's own when the NodeMap has none (no
    // name, or a name an earlier node has).
    void knife(pugi::xml_node element)
    {
        RegisterPart::Knife knife;
        knife.ref = Ref{nodes_.indexOf(element), element.attribute("Name").value()};
        if (knife.ref.index == kMissing)
            knife.own = buildNode(nodes_, element, Kind::IntSwissKnife);
        node_.reg->knives.push_back(std::move(knife));
    }

    const NodeMap &nodes_;
    Node &node_;
    bool hasLsb_ = false, hasMsb_ = false;
    std::unordered_set<uint32_t> selected_;  // the nodes pSelected has named
    // A formula node's pieces, collected until every name is known.
    std::vector<std::string> variableNames_, constantNames_, expressionNames_;
    std::vector<pugi::xml_node> expressions_;
    pugi::xml_node formula_, formulaTo_;
};

void Builder::apply(Tag tag, pugi::xml_node element)
{
    Kind kind = node_.kind;
    if (node_.reg) {
        applyRegister(tag, element);
        return;
    }
    if (node_.formulas) {
        applyFormula(tag, element);
        return;
    }
    switch (tag) {
    case Tag::Value:
        if (kind == Kind::String) {
            node_.value.from = Source::From::Constant;
            node_.value.text = textOf(element);
        } else if (kind == Kind::Boolean) {
            // A host-side Boolean's value is true or false itself.
            std::string_view text = trim(textOf(element));
            node_.value.from = Source::From::Constant;
            node_.value.constant.integer = text == "true" || text == "1";
            if (text != "true" && text != "1" && text != "false" && text != "0")
                fault("Value is not a boolean: '" + std::string(text) + "'");
        } else if (hasValue(kind)) {
            constant(&node_.value, element);
        }
        break;
    case Tag::pValue:
        if (hasValue(kind))
            pointer(&node_.value, element);
        break;
    case Tag::pValueCopy:
        node_.valueCopies.push_back(ref(element));
        break;
    case Tag::Min:
        constant(&node_.min, element);
        break;
    case Tag::pMin:
        pointer(&node_.min, element);
        break;
    case Tag::Max:
        constant(&node_.max, element);
        break;
    case Tag::pMax:
        pointer(&node_.max, element);
        break;
    case Tag::Inc:
        constant(&node_.inc, element);
        break;
    case Tag::pInc:
        pointer(&node_.inc, element);
        break;
    case Tag::OnValue:
        integer(element, &node_.onValue);
        break;
    case Tag::OffValue:
        integer(element, &node_.offValue);
        break;
    case Tag::CommandValue:
        constant(&node_.commandValue, element);
        break;
    case Tag::pCommandValue:
        pointer(&node_.commandValue, element);
        break;
    case Tag::EnumEntry:
        if (kind == Kind::Enumeration)
            node_.entries.push_back(entry(element));
        break;
    case Tag::pFeature:
        if (kind == Kind::Category)
            node_.features.push_back(ref(element));
        break;
    case Tag::ChunkID:
    case Tag::pChunkID:
        node_.chunkPort = kind == Kind::Port;
        break;
    default:
        applyIndexed(tag, element);
        break;
    }
}

// Elements every node has, and an Integer's or Float's pIndex selection.
void Builder::applyIndexed(Tag tag, pugi::xml_node element)
{
    switch (tag) {
    case Tag::pIsImplemented:
        node_.isImplemented = ref(element);
        break;
    case Tag::pIsAvailable:
        node_.isAvailable = ref(element);
        break;
    case Tag::pIsLocked:
        node_.isLocked = ref(element);
        break;
    case Tag::ImposedAccessMode:
        access(element, &node_.imposed);
        break;
    case Tag::Unit:
        node_.unit = trim(textOf(element));
        break;
    case Tag::DisplayName:
        node_.displayName = trim(textOf(element));
        break;
    case Tag::Streamable:
        node_.streamable = trim(textOf(element)) == "Yes";
        break;
    case Tag::pSelected: {
        Ref selected = ref(element);
        if (selected.index != kMissing && selected_.insert(selected.index).second)
            node_.selected.push_back(selected);
        break;
    }
    case Tag::Sign:
        if (trim(textOf(element)) == "Signed")
            node_.isSigned = true;
        else if (trim(textOf(element)) != "Unsigned")
            fault("Sign is neither Signed nor Unsigned: '" + std::string(trim(textOf(element))) + "'");
        break;
    case Tag::pIndex:
        node_.index = ref(element);
        break;
    case Tag::ValueIndexed:
    case Tag::pValueIndexed: {
        IndexedValue indexed;
        pugi::xml_attribute index = element.attribute("Index");
        if (!parseDescriptionInteger(index.value(), &indexed.index))
            fault(std::string(element.name()) + " has no integer Index: '" + index.value() + "'");
        if (tag == Tag::ValueIndexed)
            constant(&indexed.source, element);
        else
            pointer(&indexed.source, element);
        node_.indexed.push_back(indexed);
        break;
    }
    case Tag::ValueDefault:
        constant(&node_.valueDefault, element);
        break;
    case Tag::pValueDefault:
        pointer(&node_.valueDefault, element);
        break;
    default:
        break;
    }
}

void Builder::applyRegister(Tag tag, pugi::xml_node element)
{
    RegisterPart &reg = *node_.reg;
    int64_t value;
    switch (tag) {
    case Tag::Address:
        if (integer(element, &value))
            reg.address += (uint64_t)value;  // addresses add modulo 2^64
        break;
    case Tag::pAddress:
        // A pAddress may hold the node itself rather than its name.
        if (pugi::xml_node inner = element.child("IntSwissKnife"))
            knife(inner);
        else
            reg.addresses.push_back(ref(element));
        break;
    case Tag::IntSwissKnife:
        knife(element);
        break;
    case Tag::pIndex: {
        RegisterPart::IndexTerm term{ref(element), Source()};
        if (pugi::xml_attribute offset = element.attribute("Offset")) {
            term.offset.from = Source::From::Constant;
            if (!parseDescriptionInteger(offset.value(), &term.offset.constant.integer))
                fault(std::string("pIndex has an Offset that is not an integer: '") + offset.value() + "'");
        } else if (pugi::xml_attribute offset = element.attribute("pOffset")) {
            term.offset.from = Source::From::Node;
            term.offset.ref = ref(offset.value());
        }
        reg.indexes.push_back(term);
        break;
    }
    case Tag::Length:
        reg.length.from = Source::From::Constant;
        integer(element, &reg.length.constant.integer);
        break;
    case Tag::pLength:
        pointer(&reg.length, element);
        break;
    case Tag::AccessMode:
        access(element, &reg.access);
        break;
    case Tag::pPort:
        reg.port = ref(element);
        break;
    case Tag::Endianess:
        if (trim(textOf(element)) == "BigEndian")
            reg.bigEndian = true;
        else if (trim(textOf(element)) != "LittleEndian")
            fault("Endianess is neither LittleEndian nor BigEndian: '" + std::string(trim(textOf(element))) + "'");
        break;
    case Tag::Bit:
        bit(element, &node_.lsb);
        node_.msb = node_.lsb;
        hasLsb_ = hasMsb_ = true;
        break;
    case Tag::LSB:
        bit(element, &node_.lsb);
        hasLsb_ = true;
        break;
    case Tag::MSB:
        bit(element, &node_.msb);
        hasMsb_ = true;
        break;
    default:
        applyIndexed(tag, element);
        break;
    }
}

void Builder::applyFormula(Tag tag, pugi::xml_node element)
{
    Formulas &formulas = *node_.formulas;
    switch (tag) {
    case Tag::pVariable:
        variableNames_.push_back(element.attribute("Name").value());
        formulas.variables.push_back(ref(element));
        break;
    case Tag::Constant: {
        // An integer constant stays an integer, even in a SwissKnife.
        constantNames_.push_back(element.attribute("Name").value());
        Number number;
        if (!parseDescriptionInteger(textOf(element), &number.integer)) {
            number.isFloat = true;
            if (!parseFloat(textOf(element), &number.floating))
                fault("Constant is not a number: '" + std::string(trim(textOf(element))) + "'");
        }
        formulas.constants.push_back(number);
        break;
    }
    case Tag::Expression:
        expressionNames_.push_back(element.attribute("Name").value());
        expressions_.push_back(element);
        break;
    case Tag::Formula:
    case Tag::FormulaFrom:
        formula_ = element;
        break;
    case Tag::FormulaTo:
        formulaTo_ = element;
        break;
    case Tag::pValue:
        if (isConverter(node_.kind))
            pointer(&node_.value, element);
        break;
    default:
        applyIndexed(tag, element);
        break;
    }
}

EnumEntry Builder::entry(pugi::xml_node element)
{
    EnumEntry entry;
    entry.name = element.attribute("Name").value();
    entry.symbolic = entry.name;
    bool hasValue = false;
    for (pugi::xml_node child : element.children()) {
        Tag tag;
        if (child.type() != pugi::node_element || !tagOf(child.name(), &tag))
            continue;
        if (tag == Tag::Value)
            hasValue = integer(child, &entry.value);
        else if (tag == Tag::Symbolic)
            entry.symbolic = trim(textOf(child));
        else if (tag == Tag::pIsImplemented)
            entry.isImplemented = ref(child);
        else if (tag == Tag::pIsAvailable)
            entry.isAvailable = ref(child);
    }
    if (!hasValue)
        fault("its entry " + std::string(entry.name) + " has no integer Value");
    return entry;
}

void Builder::parseFormula(FormulaText *text, pugi::xml_node element, const FormulaNames &names)
{
    if (!element)
        return;
    text->given = true;
    std::string reason;
    if (!text->formula.parse(fullTextOf(element), names, &reason))
        text->fault = std::string(element.name()) + ": " + reason;
}

void Builder::finish()
{
    Kind kind = node_.kind;
    if (node_.reg && !node_.reg->length.given())
        fault("it has no Length");
    if ((kind == Kind::MaskedIntReg || kind == Kind::StructEntry) && !(hasLsb_ && hasMsb_))
        fault("it has no Bit, or no LSB and MSB");
    if ((kind == Kind::Integer || kind == Kind::Float) && !node_.value.given() && !node_.index.given())
        fault("it has no Value, pValue or pIndex");
    if ((kind == Kind::Boolean || kind == Kind::String || kind == Kind::Enumeration || kind == Kind::Command) &&
        !node_.value.given())
        fault("it has no Value or pValue");
    if (kind == Kind::Command && !node_.commandValue.given())
        fault("it has no CommandValue or pCommandValue");
    if (isConverter(kind) && node_.value.from != Source::From::Node)
        fault("it has no pValue");
    if (!node_.formulas)
        return;

    Formulas &formulas = *node_.formulas;
    for (auto *names : {&variableNames_, &constantNames_, &expressionNames_})
        formulas.names.insert(formulas.names.end(), names->begin(), names->end());
    if (isConverter(kind)) {
        formulas.from = formulas.names.size();
        formulas.names.push_back("FROM");
        formulas.toValue = formulas.names.size();
        formulas.names.push_back("TO");
    }
    // The names are indexed once for all the node's formulas.
    FormulaNames names(formulas.names);
    parseFormula(&formulas.main, formula_, names);
    parseFormula(&formulas.to, formulaTo_, names);
    formulas.expressions.resize(expressions_.size());
    for (size_t i = 0; i < expressions_.size(); i++)
        parseFormula(&formulas.expressions[i], expressions_[i], names);
}

} // namespace

bool kindOf(std::string_view tag, Kind *kind)
{
    static const std::unordered_map<std::string_view, Kind> kKinds = {
        {"Category", Kind::Category}, {"Integer", Kind::Integer}, {"IntReg", Kind::IntReg},
        {"MaskedIntReg", Kind::MaskedIntReg}, {"Float", Kind::Float}, {"FloatReg", Kind::FloatReg},
        {"Enumeration", Kind::Enumeration}, {"Boolean", Kind::Boolean}, {"Command", Kind::Command},
        {"String", Kind::String}, {"StringReg", Kind::StringReg}, {"Register", Kind::Register},
        {"IntSwissKnife", Kind::IntSwissKnife}, {"SwissKnife", Kind::SwissKnife},
        {"IntConverter", Kind::IntConverter}, {"Converter", Kind::Converter}, {"Port", Kind::Port},
        {"Node", Kind::Other}, {"ConfRom", Kind::Other}, {"TextDesc", Kind::Other}, {"IntKey", Kind::Other},
        {"AdvFeatureLock", Kind::Other}, {"SmartFeature", Kind::Other},
    };
    auto found = kKinds.find(tag);
    if (found == kKinds.end())
        return false;
    *kind = found->second;
    return true;
}

std::unique_ptr<Node> buildNode(const NodeMap &nodes, pugi::xml_node element, Kind kind)
{
    auto node = std::make_unique<Node>();
    node->kind = kind;
    node->type = element.name();
    node->name = element.attribute("Name").value();
    node->masked = kind == Kind::MaskedIntReg || kind == Kind::StructEntry;
    if (isRegister(kind))
        node->reg = std::make_unique<RegisterPart>();
    if (isFormula(kind))
        node->formulas = std::make_unique<Formulas>();
    Builder builder(nodes, *node);
    // A StructEntry is a field of its StructReg: the register's elements
    // first, then the entry's own, which override them.
    if (kind == Kind::StructEntry)
        builder.elements(element.parent());
    builder.elements(element);
    builder.finish();
    return node;
}

} // namespace engine
} // namespace genicam

#include "nodes/NodeParser.h"

#include <unordered_map>

#include "numbers/Text.h"

namespace genicam {
namespace engine {

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

std::string_view elementText(pugi::xml_node element)
{
    pugi::xml_node first = element.first_child();
    if (first && first == element.last_child())
        return first.value();
    return element.child_value();
}

std::string fullElementText(pugi::xml_node element)
{
    std::string text;
    for (pugi::xml_node piece : element.children())
        if (piece.type() == pugi::node_pcdata || piece.type() == pugi::node_cdata)
            text += piece.value();
    return text;
}

void NodeParser::fault(const std::string &what)
{
    if (fault_->empty())
        *fault_ = what;
}

Ref NodeParser::ref(std::string_view text) const
{
    text = trim(text);
    return Ref{nodes_.find(text), text};
}

bool NodeParser::integer(pugi::xml_node element, int64_t *value)
{
    if (parseDescriptionInteger(elementText(element), value))
        return true;
    fault(std::string(element.name()) + " is not an integer: '" + std::string(trim(elementText(element))) + "'");
    return false;
}

Number NodeParser::number(pugi::xml_node element, bool isFloat)
{
    Number number;
    if (isFloat) {
        number.isFloat = true;
        if (!parseFloat(elementText(element), &number.floating))
            fault(std::string(element.name()) + " is not a number: '" + std::string(trim(elementText(element))) +
                  "'");
    } else {
        integer(element, &number.integer);
    }
    return number;
}

void NodeParser::constant(Source *source, pugi::xml_node element, bool isFloat)
{
    source->from = Source::From::Constant;
    source->constant = number(element, isFloat);
}

void NodeParser::pointer(Source *source, pugi::xml_node element)
{
    source->from = Source::From::Node;
    source->ref = ref(element);
}

void NodeParser::source(Source *source, pugi::xml_node element, bool isFloat)
{
    if (element.name()[0] == 'p')
        pointer(source, element);
    else
        constant(source, element, isFloat);
}

void NodeParser::access(pugi::xml_node element, Access *access)
{
    std::string_view text = trim(elementText(element));
    if (text == "RO")
        *access = Access::RO;
    else if (text == "WO")
        *access = Access::WO;
    else if (text == "RW")
        *access = Access::RW;
    else
        fault(std::string(element.name()) + " is none of RO, WO and RW: '" + std::string(text) + "'");
}

void NodeParser::bit(pugi::xml_node element, uint64_t *bit)
{
    int64_t value;
    if (!integer(element, &value))
        return;
    if (value < 0 || value > 63)
        fault(std::string(element.name()) + " " + std::to_string(value) + " is no bit of a 64-bit register");
    *bit = (uint64_t)value;
}

} // namespace engine
} // namespace genicam

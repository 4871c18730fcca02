#include "nodes/Node.h"

#include <string.h>

#include "nodes/NodeParser.h"
#include "numbers/Text.h"

namespace genicam {
namespace engine {

namespace {

// The fault of a value asked of a node whose kind does not hold it.
bool notHeld(const Node &node, const char *what, Error *error)
{
    return faultAt(node, "it is " + article(node.type) + " where " + what + " is needed", error);
}

} // namespace

bool faultAt(const Node &node, const std::string &what, Error *error)
{
    return fail(error, ErrorKind::FaultyDescription,
                "the description is faulty at " + std::string(node.name) + ": " + what);
}

std::string article(std::string_view type)
{
    bool vowel = !type.empty() && strchr("AEIOU", type[0]) != nullptr;
    return (vowel ? "an " : "a ") + std::string(type);
}

ValueForm formOf(Kind kind)
{
    switch (kind) {
    case Kind::Integer:
    case Kind::IntReg:
    case Kind::MaskedIntReg:
    case Kind::StructEntry:
    case Kind::IntSwissKnife:
    case Kind::IntConverter:
        return ValueForm::Integer;
    case Kind::Float:
    case Kind::FloatReg:
    case Kind::SwissKnife:
    case Kind::Converter:
        return ValueForm::Float;
    case Kind::Enumeration:
        return ValueForm::Enumeration;
    case Kind::Boolean:
        return ValueForm::Boolean;
    case Kind::String:
    case Kind::StringReg:
        return ValueForm::String;
    case Kind::Register:
        return ValueForm::Register;
    case Kind::Command:
        return ValueForm::Command;
    default:
        return ValueForm::None;
    }
}

void Node::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    switch (tag) {
    case Tag::pIsImplemented:
        isImplemented = parser.ref(element);
        break;
    case Tag::pIsAvailable:
        isAvailable = parser.ref(element);
        break;
    case Tag::pIsLocked:
        isLocked = parser.ref(element);
        break;
    case Tag::ImposedAccessMode:
        parser.access(element, &imposed);
        break;
    case Tag::Unit:
        unit = trim(elementText(element));
        break;
    case Tag::DisplayName:
        displayName = trim(elementText(element));
        break;
    case Tag::Streamable:
        streamable = trim(elementText(element)) == "Yes";
        break;
    case Tag::pSelected: {
        Ref named = parser.ref(element);
        if (named.index != kMissing && parser.firstSelection(named.index))
            selected.push_back(named);
        break;
    }
    default:
        break;
    }
}

void Node::parseElements(NodeParser &parser, pugi::xml_node element)
{
    for (pugi::xml_node child : element.children()) {
        Tag tag;
        if (child.type() == pugi::node_element && tagOf(child.name(), &tag))
            parse(parser, tag, child);
    }
}

void Node::finish(NodeParser &) {}

bool Node::readNumber(Context &, Number *, Error *error) const
{
    return notHeld(*this, "a number", error);
}

bool Node::writeNumber(Context &, Number, Error *error) const
{
    return notHeld(*this, "a number", error);
}

bool Node::readText(Context &, std::string *, Error *error) const
{
    return notHeld(*this, "a string", error);
}

bool Node::writeText(Context &, const std::string &, Error *error) const
{
    return notHeld(*this, "a string", error);
}

bool Node::readBytes(Context &, std::vector<uint8_t> *, Error *error) const
{
    return notHeld(*this, "a register", error);
}

bool Node::writeBytes(Context &, const std::vector<uint8_t> &, Error *error) const
{
    return notHeld(*this, "a register", error);
}

bool Node::ownRange(Context &, size_t, IntegerRange *, Error *) const
{
    return true;
}

} // namespace engine
} // namespace genicam

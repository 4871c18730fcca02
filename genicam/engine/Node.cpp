#include "Node.h"

#include "Failure.h"
#include "NodeParser.h"
#include "Text.h"

namespace genicam {
namespace engine {

namespace {

// The fault of a value asked of a node whose kind does not hold it.
bool notHeld(const Node &node, const char *what, Error *error)
{
    return faultAt(node, "it is " + article(node.type) + " where " + what + " is needed", error);
}

} // namespace

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

const char *accessName(Access access)
{
    switch (access) {
    case Access::RO:
        return "RO";
    case Access::WO:
        return "WO";
    case Access::RW:
        return "RW";
    case Access::NI:
        return "NI";
    default:
        return "NA";
    }
}

Access intersect(Access a, Access b)
{
    if (a == Access::NI || b == Access::NI)
        return Access::NI;
    return (Access)((int)a & (int)b);
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

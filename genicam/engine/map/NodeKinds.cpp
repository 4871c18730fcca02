#include "map/NodeKinds.h"

#include <unordered_map>

#include "nodes/kinds/BooleanNode.h"
#include "nodes/kinds/CategoryNode.h"
#include "nodes/kinds/CommandNode.h"
#include "nodes/kinds/ConverterNode.h"
#include "nodes/kinds/EnumerationNode.h"
#include "nodes/kinds/FloatRegNode.h"
#include "nodes/kinds/IntRegNode.h"
#include "nodes/kinds/NumberNode.h"
#include "nodes/kinds/PortNode.h"
#include "nodes/kinds/RegisterNode.h"
#include "nodes/kinds/StringNode.h"
#include "nodes/kinds/StringRegNode.h"
#include "nodes/kinds/SwissKnifeNode.h"
#include "nodes/NodeParser.h"

namespace genicam {
namespace engine {

namespace {

// An empty node of kind, of the class that kind's nodes are.
std::unique_ptr<Node> makeNode(Kind kind)
{
    switch (kind) {
    case Kind::Category:
        return std::make_unique<CategoryNode>();
    case Kind::Integer:
    case Kind::Float:
        return std::make_unique<NumberNode>(kind);
    case Kind::IntReg:
        return std::make_unique<IntRegNode>(kind);
    case Kind::MaskedIntReg:
    case Kind::StructEntry:
        return std::make_unique<MaskedIntRegNode>(kind);
    case Kind::FloatReg:
        return std::make_unique<FloatRegNode>();
    case Kind::Enumeration:
        return std::make_unique<EnumerationNode>();
    case Kind::Boolean:
        return std::make_unique<BooleanNode>();
    case Kind::Command:
        return std::make_unique<CommandNode>();
    case Kind::String:
        return std::make_unique<StringNode>();
    case Kind::StringReg:
        return std::make_unique<StringRegNode>();
    case Kind::Register:
        return std::make_unique<RegisterNode>(kind);
    case Kind::IntSwissKnife:
    case Kind::SwissKnife:
        return std::make_unique<SwissKnifeNode>(kind);
    case Kind::IntConverter:
    case Kind::Converter:
        return std::make_unique<ConverterNode>(kind);
    case Kind::Port:
        return std::make_unique<PortNode>();
    case Kind::Other:
        break;
    }
    return std::make_unique<Node>(Kind::Other);
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

bool isRegisterKind(Kind kind)
{
    return kind == Kind::IntReg || kind == Kind::MaskedIntReg || kind == Kind::StructEntry ||
           kind == Kind::FloatReg || kind == Kind::StringReg || kind == Kind::Register;
}

std::unique_ptr<Node> buildNode(const NodeIndex &nodes, pugi::xml_node element, Kind kind)
{
    std::unique_ptr<Node> node = makeNode(kind);
    node->type = element.name();
    node->name = element.attribute("Name").value();
    NodeParser parser(nodes, &node->fault);
    // A StructEntry is a field of its StructReg: the register's elements
    // first, then the entry's own, which override them.
    if (kind == Kind::StructEntry)
        node->parseElements(parser, element.parent());
    node->parseElements(parser, element);
    node->finish(parser);
    return node;
}

} // namespace engine
} // namespace genicam

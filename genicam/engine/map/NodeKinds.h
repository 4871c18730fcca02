// The kinds of node a description's elements name, and a node of each kind
// built from its element.
#ifndef GENICAM_ENGINE_NODEKINDS_H
#define GENICAM_ENGINE_NODEKINDS_H

#include <memory>
#include <string_view>

#include <pugixml.hpp>

#include "nodes/Node.h"
#include "nodes/NodeIndex.h"

namespace genicam {
namespace engine {

// The kind of node an element names (Kind::Other for any other node
// element); false when the element is no node at all.
bool kindOf(std::string_view tag, Kind *kind);

// Whether nodes of kind are registers (their elements may define
// IntSwissKnifes inside them).
bool isRegisterKind(Kind kind);

// Builds the node of element, of the given kind, resolving its references
// through nodes (which must not build other nodes meanwhile).  Faults of
// the description are kept in the node rather than refused here.
std::unique_ptr<Node> buildNode(const NodeIndex &nodes, pugi::xml_node element, Kind kind);

} // namespace engine
} // namespace genicam

#endif

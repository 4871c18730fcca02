// What a node sees of the map it is built in: the other nodes, by name and
// by index, each built on first use.  The map (map/NodeMap.h) is one; the
// nodes never reach the map itself, nor how it builds them.
#ifndef GENICAM_ENGINE_NODEINDEX_H
#define GENICAM_ENGINE_NODEINDEX_H

#include <stdint.h>

#include <memory>
#include <string_view>

#include <pugixml.hpp>

namespace genicam {
namespace engine {

class Node;
enum class Kind : uint8_t;

class NodeIndex {
public:
    // The index of the node named name, or kMissing (Source.h).
    virtual uint32_t find(std::string_view name) const = 0;
    // The index of the node of element, or kMissing when the element is no
    // node of the index (its name is another's, or it has none).
    virtual uint32_t indexOf(pugi::xml_node element) const = 0;
    // The node at index (from find or a Ref), built on first use.
    virtual const Node &node(uint32_t index) const = 0;
    // A node of kind built from element, which is in no index (an
    // IntSwissKnife inside a register, without a name of its own).
    virtual std::unique_ptr<Node> build(pugi::xml_node element, Kind kind) const = 0;

protected:
    ~NodeIndex() = default;
};

} // namespace engine
} // namespace genicam

#endif

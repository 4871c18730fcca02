// A Port: where a register's bytes are read and written.  Every register
// is on the camera's Port, except those of a Port for chunk data (one with
// a ChunkID), which only an image carries.
#ifndef GENICAM_ENGINE_PORTNODE_H
#define GENICAM_ENGINE_PORTNODE_H

#include "nodes/Node.h"

namespace genicam {
namespace engine {

class PortNode : public Node {
public:
    static bool holds(Kind kind) { return kind == Kind::Port; }

    PortNode() : Node(Kind::Port) {}

    // ChunkID or pChunkID: a Port for chunk data.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;

    bool chunkPort = false;  // a Port for chunk data, not the device's registers
};

} // namespace engine
} // namespace genicam

#endif

// A StringReg: text in a register, ending at its first NUL or at its end.
#ifndef GENICAM_ENGINE_STRINGREGNODE_H
#define GENICAM_ENGINE_STRINGREGNODE_H

#include "nodes/kinds/RegisterNode.h"

namespace genicam {
namespace engine {

class StringRegNode : public RegisterNode {
public:
    static bool holds(Kind kind) { return kind == Kind::StringReg; }

    StringRegNode() : RegisterNode(Kind::StringReg) {}

    // The register's text, up to its first NUL.
    bool readText(Context &context, std::string *value, Error *error) const override;
    // Writes text no longer than the register, the rest filled with NULs.
    bool writeText(Context &context, const std::string &value, Error *error) const override;
};

} // namespace engine
} // namespace genicam

#endif

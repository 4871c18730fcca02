// A FloatReg: a register of 4 or 8 bytes holding an IEEE float or double,
// in either byte order.
#ifndef GENICAM_ENGINE_FLOATREGNODE_H
#define GENICAM_ENGINE_FLOATREGNODE_H

#include "nodes/kinds/RegisterNode.h"

namespace genicam {
namespace engine {

class FloatRegNode : public RegisterNode {
public:
    static bool holds(Kind kind) { return kind == Kind::FloatReg; }

    FloatRegNode() : RegisterNode(Kind::FloatReg) {}

    // The float or double the register holds, as a double.
    bool readNumber(Context &context, Number *value, Error *error) const override;
    // Writes a number as the register's float or double: one a float cannot
    // hold (beyond its range, or so close to 0 that it would become 0) is
    // refused rather than changed.
    bool writeNumber(Context &context, Number value, Error *error) const override;

private:
    // The register's place, when its length is that of a float or double.
    bool place(Context &context, uint64_t *at, uint64_t *length, Error *error) const;
};

} // namespace engine
} // namespace genicam

#endif

// An Integer or a Float: a value the host holds (Value), another node's
// (pValue), or one chosen by an index node (pIndex, with ValueIndexed or
// pValueIndexed per index and ValueDefault or pValueDefault for the rest);
// written within its Min, Max and Inc, and copied to its pValueCopy nodes.
#ifndef GENICAM_ENGINE_NUMBERNODE_H
#define GENICAM_ENGINE_NUMBERNODE_H

#include <vector>

#include "nodes/Node.h"

namespace genicam {
namespace engine {

class NumberNode : public Node {
public:
    // One ValueIndexed or pValueIndexed.
    struct IndexedValue {
        int64_t index = 0;
        Source source;
    };

    static bool holds(Kind kind) { return kind == Kind::Integer || kind == Kind::Float; }

    explicit NumberNode(Kind kind) : Node(kind) {}

    // Value, pValue, pValueCopy, Min, Max, Inc (or their p forms), pIndex,
    // ValueIndexed, pValueIndexed, ValueDefault, pValueDefault.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;
    // It needs a Value, a pValue or a pIndex.
    void finish(NodeParser &parser) override;
    // Its pValue, unless an index chooses among several.
    const Ref *standsFor() const override { return index.given() ? nullptr : value.node(); }

    // The value given now: an integer for an Integer (a double rounded to
    // the nearest), a double for a Float.
    bool readNumber(Context &context, Number *result, Error *error) const override;
    // Writes a value within the bounds in force now to what gives the value
    // now, then to each pValueCopy.
    bool writeNumber(Context &context, Number written, Error *error) const override;
    // An Integer's Min, Max and Inc now; each it does not give is its
    // pValue's, when that is an integer feature.
    bool ownRange(Context &context, size_t chain, IntegerRange *range, Error *error) const override;

    Source value;
    std::vector<Ref> valueCopies;
    Ref index;
    std::vector<IndexedValue> indexed;
    Source valueDefault;
    Source min, max, inc;

private:
    bool isFloat() const { return kind == Kind::Float; }
    // The Source that gives the value now (through its pIndex), and its key
    // as a host-side value.
    bool select(Context &context, const Source **source, HostKey *key, Error *error) const;
    // Whether written (an integer for an Integer) is within Min, Max and Inc.
    bool inBounds(Context &context, Number written, Error *error) const;
};

} // namespace engine
} // namespace genicam

#endif

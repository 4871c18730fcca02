// How a node names another (a Ref) and how it gives a value either as a
// constant or through another node (a Source); Operations.h reads and
// writes such a value.
#ifndef GENICAM_ENGINE_SOURCE_H
#define GENICAM_ENGINE_SOURCE_H

#include <stdint.h>

#include <string_view>
#include <tuple>

#include "Error.h"
#include "numbers/Number.h"

namespace genicam {
namespace engine {

class Node;

const uint32_t kAbsent = UINT32_MAX;       // the element is not there
const uint32_t kMissing = UINT32_MAX - 1;  // it names a node the description lacks

// A reference to another node by name (pValue, pMin, pAddress...).
struct Ref {
    uint32_t index = kAbsent;
    std::string_view name;

    // Whether the element was there (naming a node or not).
    bool given() const { return index != kAbsent; }
};

// A value the description gives either as a constant (Value, Min...) or
// through another node (pValue, pMin...).
struct Source {
    enum class From : uint8_t { None, Constant, Node };
    From from = From::None;
    Number constant;        // a number, for every type but String
    std::string_view text;  // a String's constant
    Ref ref;

    // Whether the description gives the value at all.
    bool given() const { return from != From::None; }
    // The reference when the value is another node's, else nullptr.
    const Ref *node() const { return from == From::Node ? &ref : nullptr; }
};

// Which of a node's host-side values a constant Source is: the node, its
// slot (Value, a ValueIndexed of an index, ValueDefault) and the index.
using HostKey = std::tuple<const Node *, int, int64_t>;
enum HostSlot { kValueSlot, kIndexedSlot, kDefaultSlot };

} // namespace engine
} // namespace genicam

#endif

// What a node kind's parser needs of a description's elements: their tags,
// their text, their numbers and references, each with the fault it gives
// (kept in the node: the first fault of its elements, in document order,
// is the node's).
#ifndef GENICAM_ENGINE_NODEPARSER_H
#define GENICAM_ENGINE_NODEPARSER_H

#include <stdint.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include <pugixml.hpp>

#include "nodes/Access.h"
#include "nodes/NodeIndex.h"
#include "nodes/Source.h"
#include "numbers/Number.h"

namespace genicam {
namespace engine {


// The child elements a node kind reads; any other element is skipped.
enum class Tag : uint8_t {
    Value, pValue, pValueCopy, Min, pMin, Max, pMax, Inc, pInc,
    Address, pAddress, IntSwissKnife, pIndex, ValueIndexed, pValueIndexed, ValueDefault, pValueDefault,
    Length, pLength, AccessMode, ImposedAccessMode, pPort, Sign, Endianess, Bit, LSB, MSB,
    pIsImplemented, pIsAvailable, pIsLocked, pVariable, Constant, Expression, Formula, FormulaTo, FormulaFrom,
    Unit, DisplayName, OnValue, OffValue, CommandValue, pCommandValue, EnumEntry, Symbolic, pFeature,
    ChunkID, pChunkID, Streamable, pSelected,
};

// The tag of an element's name; false for an element no kind reads.
bool tagOf(std::string_view name, Tag *tag);

// The text of an element: its character data, CDATA sections included.
std::string_view elementText(pugi::xml_node element);

// The whole text of an element, every piece of character data and CDATA
// joined (a formula may mix them).
std::string fullElementText(pugi::xml_node element);

// What one node's elements give, read while the node is built: references
// resolved through the nodes it is built among (which must not build other
// nodes meanwhile), and the first fault kept in *fault.
class NodeParser {
public:
    // fault is the node's, and must outlive the parser.
    NodeParser(const NodeIndex &nodes, std::string *fault) : nodes_(nodes), fault_(fault) {}

    // The nodes the node is built among.
    const NodeIndex &nodes() const { return nodes_; }

    // Keeps what as the node's fault, unless it has one already.
    void fault(const std::string &what);

    // A reference to the node named text (white space around ignored).
    Ref ref(std::string_view text) const;
    // A reference to the node an element names.
    Ref ref(pugi::xml_node element) const { return ref(elementText(element)); }

    // An element's integer as a description writes it; false, and a fault,
    // when it is none.
    bool integer(pugi::xml_node element, int64_t *value);
    // An element's number: a double when isFloat, else an integer (a fault
    // when it is none).
    Number number(pugi::xml_node element, bool isFloat);
    // Sets *source to an element's constant (Value, Min...).
    void constant(Source *source, pugi::xml_node element, bool isFloat);
    // Sets *source to the node an element names (pValue, pMin...).
    void pointer(Source *source, pugi::xml_node element);
    // Sets *source from an element of a pair that gives a value either way:
    // the node it names for the p element (pValue, pMin...), else its
    // constant (Value, Min...).
    void source(Source *source, pugi::xml_node element, bool isFloat);
    // An access mode: RO, WO or RW (a fault for anything else).
    void access(pugi::xml_node element, Access *access);
    // A bit number of a 64-bit register (a fault beyond 63).
    void bit(pugi::xml_node element, uint64_t *bit);

    // True the first time the node's pSelected names the node at index.
    bool firstSelection(uint32_t index) { return selected_.insert(index).second; }

private:
    const NodeIndex &nodes_;
    std::string *fault_;
    std::unordered_set<uint32_t> selected_;
};

} // namespace engine
} // namespace genicam

#endif

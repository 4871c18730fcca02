// The engine's nodes: what one element of a description says, built once
// from the XML and then only read.  Node holds what every kind has (its
// name, its conditions, its imposed access); each kind of node derives
// from it in a file of its own, which parses its elements and reads and
// writes its value.  References to other nodes are indexes into the map
// the node is built in (NodeIndex.h), looked up by name when it is built.
#ifndef GENICAM_ENGINE_NODE_H
#define GENICAM_ENGINE_NODE_H

#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "Error.h"
#include "Facts.h"
#include "nodes/Access.h"
#include "nodes/Source.h"
#include "numbers/Number.h"
#include "Value.h"

namespace genicam {
namespace engine {

class Context;
class NodeParser;
enum class Tag : uint8_t;

// The node types of a description; Other is any node this engine does not
// read (ConfRom, TextDesc, IntKey, AdvFeatureLock, SmartFeature, Node).
enum class Kind : uint8_t {
    Category,
    Integer,
    IntReg,
    MaskedIntReg,
    StructEntry,
    Float,
    FloatReg,
    Enumeration,
    Boolean,
    Command,
    String,
    StringReg,
    Register,
    IntSwissKnife,
    SwissKnife,
    IntConverter,
    Converter,
    Port,
    Other,
};

// What a node's value is, by its kind.
ValueForm formOf(Kind kind);

// Sets *error to a FaultyDescription at node ("the description is faulty at
// <node>: <what>"); false, for a failing return.
bool faultAt(const Node &node, const std::string &what, Error *error);

// A node type with its article: "an IntReg", "a Category".
std::string article(std::string_view type);

class Node {
public:
    explicit Node(Kind kind) : kind(kind) {}
    virtual ~Node() = default;
    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;

    // This node as the class T of its kind, or nullptr when it is of
    // another kind (T::holds says which kinds T is).
    template <class T> const T *as() const { return T::holds(kind) ? static_cast<const T *>(this) : nullptr; }

    // Applies every child element of element that a kind reads to the node
    // (parse), in document order.
    void parseElements(NodeParser &parser, pugi::xml_node element);
    // Applies one child element, of a tag the engine knows, to the node:
    // here the elements every node has; a kind adds its own.
    virtual void parse(NodeParser &parser, Tag tag, pugi::xml_node element);
    // Checks, once every element is applied, that the node has what its
    // kind needs, keeping the fault in the node otherwise.
    virtual void finish(NodeParser &parser);

    // What the node allows by itself, before its conditions: its kind's
    // nature and its ImposedAccessMode together.
    Access ownAccess() const { return intersect(natureAccess(), imposed); }
    // What its kind allows by nature: both, unless the kind says less.
    virtual Access natureAccess() const { return Access::RW; }
    // The node this one stands for (its pValue), whose access it takes on,
    // or nullptr.
    virtual const Ref *standsFor() const { return nullptr; }

    // The kind's own reading and writing of a value, called with the node
    // entered and its access checked (Operations.h).  A kind answers the
    // forms it holds; the others are a fault of the description that asked
    // for them ("it is a Category where a number is needed").
    // A number-like value: an integer for the integer kinds, an Enumeration
    // and a Boolean (1 or 0), a double for the float kinds.
    virtual bool readNumber(Context &context, Number *value, Error *error) const;
    virtual bool writeNumber(Context &context, Number value, Error *error) const;
    // A string's text.
    virtual bool readText(Context &context, std::string *value, Error *error) const;
    virtual bool writeText(Context &context, const std::string &value, Error *error) const;
    // A register's raw bytes, in address order.
    virtual bool readBytes(Context &context, std::vector<uint8_t> *value, Error *error) const;
    virtual bool writeBytes(Context &context, const std::vector<uint8_t> &value, Error *error) const;
    // An integer node's minimum, maximum and increment now, as far as its
    // kind gives them (*range holds the whole 64-bit range in steps of 1
    // before); chain counts the Integers whose bounds led here.  A kind that
    // gives none keeps *range.
    virtual bool ownRange(Context &context, size_t chain, IntegerRange *range, Error *error) const;

    const Kind kind;
    std::string_view type;  // the element's name: IntReg, Enumeration...
    std::string_view name;
    std::string fault;      // why the description is faulty here; empty when it is not

    Ref isImplemented, isAvailable, isLocked;
    Access imposed = Access::RW;
    std::string_view unit, displayName;
    bool streamable = false;    // its Streamable says Yes
    std::vector<Ref> selected;  // a selector's pSelected elements that name a node, each once
};

} // namespace engine
} // namespace genicam

#endif

// An Enumeration and its EnumEntry elements: an integer value (held by the
// host or another node's) that names one of its entries, read and written
// by an entry's name or value.
#ifndef GENICAM_ENGINE_ENUMERATIONNODE_H
#define GENICAM_ENGINE_ENUMERATIONNODE_H

#include <string>
#include <string_view>
#include <vector>

#include "nodes/Node.h"

namespace genicam {
namespace engine {

// One entry of an Enumeration.
struct EnumEntry {
    std::string_view name;      // its Name attribute
    std::string_view symbolic;  // Symbolic, or else its Name: the value as read and written
    int64_t value = 0;
    Ref isImplemented, isAvailable;
};

class EnumerationNode : public Node {
public:
    static bool holds(Kind kind) { return kind == Kind::Enumeration; }

    EnumerationNode() : Node(Kind::Enumeration) {}

    // Value, pValue and EnumEntry elements.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;
    // It needs a Value or pValue.
    void finish(NodeParser &parser) override;
    // Its pValue.
    const Ref *standsFor() const override { return value.node(); }

    // The integer it holds.
    bool readNumber(Context &context, Number *result, Error *error) const override;
    // Writes the entry of that value (a double rounded to the nearest).
    bool writeNumber(Context &context, Number written, Error *error) const override;

    // The entry it holds: when several entries share the value, the first
    // implemented one in document order, else the first of them (one not
    // implemented, which the camera holds all the same).
    bool entry(Context &context, const EnumEntry **held, Error *error) const;
    // The entry text names, as a user or a file writes it (findEntry: by its
    // name as read and written, else by its value), or nullptr.
    const EnumEntry *named(std::string_view text) const;
    // The names of the entries implemented now, as an error lists them: at
    // most 32, then "...".
    std::vector<std::string_view> implementedNames(Context &context) const;
    // Writes an entry as a write of the Enumeration: entered and checked.
    bool setEntry(Context &context, const EnumEntry &chosen, Error *error) const;
    // One entry implemented now, and whether it is available now.
    struct EntryNow {
        const EnumEntry *entry;
        bool available;
    };
    // The entries implemented now, in document order, each with whether it
    // is available now; each entry's conditions are read with a fresh
    // budget.
    bool entriesNow(Context &context, std::vector<EntryNow> *implemented, Error *error) const;

    Source value;
    std::vector<EnumEntry> entries;

private:
    // Writes an entry, with the node entered and checked, when it is
    // implemented and available now.
    bool writeEntry(Context &context, const EnumEntry &chosen, Error *error) const;
    // Each entry's name as read and written, and its value, in document
    // order: what named() looks text up in.
    std::vector<EntryName> names_;
};

} // namespace engine
} // namespace genicam

#endif

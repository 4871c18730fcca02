// A parsed description: the XML document, an index of its nodes by name,
// and each node built from its element on first use.
#ifndef GENICAM_ENGINE_NODEMAP_H
#define GENICAM_ENGINE_NODEMAP_H

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "nodes/Node.h"
#include "nodes/NodeIndex.h"

namespace genicam {

class NodeMap final : public engine::NodeIndex {
public:
    // Real descriptions are 0.2 to 1.3 MB; anything far beyond is refused
    // before it is parsed, so memory stays bounded (parsed, the worst XML
    // takes some 20 times its size).
    static const size_t kMaxSize = 8 * 1024 * 1024;

    // Parses xml into an index of its nodes; nullptr and a reason when it is
    // not XML, not a GenICam description or too large.
    static std::shared_ptr<NodeMap> load(const char *xml, size_t size, std::string *reason);

    // The index of the node named name, or engine::kMissing.  EnumEntries
    // are never found: real descriptions name them Width, Gain...; when two
    // nodes share a name, the first in the document is found.
    uint32_t find(std::string_view name) const override;

    // The index of the node of element, or engine::kMissing when the
    // element is no node of the index (its name is another's).
    uint32_t indexOf(pugi::xml_node element) const override;

    // The node at index (from find or a Ref), built on first use.
    const engine::Node &node(uint32_t index) const override;

    // A node of kind built from element, outside the index.
    std::unique_ptr<engine::Node> build(pugi::xml_node element, engine::Kind kind) const override;

    // The feature named name, built, or nullptr when there is none.
    const engine::Node *feature(std::string_view name) const;

    // How many named nodes there are: their indexes are 0 to size() - 1.
    size_t size() const { return entries_.size(); }

    // The nodes whose pSelected name the node at index, in document order:
    // the selectors of a feature (found over the whole document on the
    // first call, without building any node).
    const std::vector<uint32_t> &selectorsOf(uint32_t index) const;

private:
    // One named node of the document; built lazily, once.  The NodeMap is
    // shared and const: building fills this cache, single-threaded.
    struct Entry {
        pugi::xml_node element;
        engine::Kind kind;
        mutable std::unique_ptr<engine::Node> built;
    };

    void index(pugi::xml_node root);
    void add(pugi::xml_node element, engine::Kind kind);
    void addInline(pugi::xml_node element);
    void indexSelectors() const;
    void addSelector(uint32_t selector, pugi::xml_node element) const;

    pugi::xml_document document_;
    std::vector<Entry> entries_;
    std::unordered_map<std::string_view, uint32_t> names_;
    // Filled by the first selectorsOf, single-threaded as building is.
    mutable bool selectorsIndexed_ = false;
    mutable std::unordered_map<uint32_t, std::vector<uint32_t>> selectors_;
};

} // namespace genicam

#endif

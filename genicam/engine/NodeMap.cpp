#include "NodeMap.h"

#include <string.h>

#include "Engine.h"

namespace genicam {

using engine::Kind;
using engine::Node;

std::shared_ptr<NodeMap> NodeMap::load(const char *xml, size_t size, std::string *reason)
{
    if (size > kMaxSize) {
        *reason = "the description is larger than " + std::to_string(kMaxSize / (1024 * 1024)) + " MiB";
        return nullptr;
    }
    auto nodes = std::make_shared<NodeMap>();
    // pugixml detects the encoding and skips a byte-order mark; no XML
    // declaration is needed.
    pugi::xml_parse_result parsed = nodes->document_.load_buffer(xml, size, pugi::parse_default, pugi::encoding_auto);
    if (!parsed) {
        *reason = std::string("not XML: ") + parsed.description() + " at byte " + std::to_string(parsed.offset);
        return nullptr;
    }
    pugi::xml_node root = nodes->document_.document_element();
    if (strcmp(root.name(), "RegisterDescription") != 0) {
        *reason = std::string("not a GenICam description: its root element is <") + root.name() +
                  ">, not <RegisterDescription>";
        return nullptr;
    }
    nodes->index(root);
    return nodes;
}

// Indexes every named node under root, in document order, looking into
// Group elements (which only structure a file) without recursion, however
// deeply they nest, and into StructReg elements for their StructEntries.
void NodeMap::index(pugi::xml_node root)
{
    std::vector<pugi::xml_node> next{root.first_child()};
    while (!next.empty()) {
        pugi::xml_node element = next.back();
        if (!element) {
            next.pop_back();
            continue;
        }
        next.back() = element.next_sibling();
        if (element.type() != pugi::node_element)
            continue;
        std::string_view tag = element.name();
        if (tag == "Group") {
            next.push_back(element.first_child());
            continue;
        }
        if (tag == "StructReg") {
            for (pugi::xml_node entry : element.children("StructEntry"))
                add(entry, Kind::StructEntry);
            continue;
        }
        Kind kind;
        if (kindOf(tag, &kind))
            add(element, kind);
    }
}

void NodeMap::add(pugi::xml_node element, Kind kind)
{
    std::string_view name = element.attribute("Name").value();
    if (name.empty())
        return;
    if (names_.emplace(name, (uint32_t)entries_.size()).second)
        entries_.push_back(Entry{element, kind, nullptr});
}

uint32_t NodeMap::find(std::string_view name) const
{
    auto found = names_.find(name);
    return found == names_.end() ? engine::kMissing : found->second;
}

const Node &NodeMap::node(uint32_t index) const
{
    const Entry &entry = entries_[index];
    if (!entry.built)
        entry.built = engine::buildNode(*this, entry.element, entry.kind);
    return *entry.built;
}

const Node *NodeMap::feature(std::string_view name) const
{
    uint32_t index = find(name);
    return index == engine::kMissing ? nullptr : &node(index);
}

std::shared_ptr<const NodeMap> parseNodeMap(const char *xml, size_t size, std::string *reason)
{
    return NodeMap::load(xml, size, reason);
}

} // namespace genicam

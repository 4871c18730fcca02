#include "map/NodeMap.h"

#include <string.h>

#include "map/NodeKinds.h"
#include "numbers/Text.h"

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
// deeply they nest, into StructReg elements for their StructEntries, and
// into registers for the IntSwissKnifes defined inside them.
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
            addInline(element);
            continue;
        }
        Kind kind;
        if (!engine::kindOf(tag, &kind))
            continue;
        add(element, kind);
        if (engine::isRegisterKind(kind))
            addInline(element);
    }
}

// A register's IntSwissKnifes, given as its elements or inside its
// pAddress elements, are nodes by their own names too.
void NodeMap::addInline(pugi::xml_node element)
{
    for (pugi::xml_node child : element.children()) {
        std::string_view tag = child.name();
        if (tag == "IntSwissKnife")
            add(child, Kind::IntSwissKnife);
        else if (tag == "pAddress")
            for (pugi::xml_node knife : child.children("IntSwissKnife"))
                add(knife, Kind::IntSwissKnife);
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

uint32_t NodeMap::indexOf(pugi::xml_node element) const
{
    uint32_t index = find(element.attribute("Name").value());
    return index != engine::kMissing && entries_[index].element == element ? index : engine::kMissing;
}

const Node &NodeMap::node(uint32_t index) const
{
    const Entry &entry = entries_[index];
    if (!entry.built)
        entry.built = engine::buildNode(*this, entry.element, entry.kind);
    return *entry.built;
}

std::unique_ptr<Node> NodeMap::build(pugi::xml_node element, Kind kind) const
{
    return engine::buildNode(*this, element, kind);
}

const Node *NodeMap::feature(std::string_view name) const
{
    uint32_t index = find(name);
    return index == engine::kMissing ? nullptr : &node(index);
}

const std::vector<uint32_t> &NodeMap::selectorsOf(uint32_t index) const
{
    static const std::vector<uint32_t> kNone;
    if (!selectorsIndexed_) {
        indexSelectors();
        selectorsIndexed_ = true;
    }
    auto found = selectors_.find(index);
    return found == selectors_.end() ? kNone : found->second;
}

// One pass over every node's elements, in document order, so that each
// feature's list of selectors is in document order and holds each once.
void NodeMap::indexSelectors() const
{
    for (uint32_t k = 0; k < entries_.size(); k++) {
        // A StructEntry has its StructReg's elements too.
        if (entries_[k].kind == Kind::StructEntry)
            addSelector(k, entries_[k].element.parent());
        addSelector(k, entries_[k].element);
    }
}

void NodeMap::addSelector(uint32_t selector, pugi::xml_node element) const
{
    for (pugi::xml_node child : element.children("pSelected")) {
        uint32_t selected = find(engine::trim(child.child_value()));
        if (selected == engine::kMissing)
            continue;
        std::vector<uint32_t> &selectors = selectors_[selected];
        if (selectors.empty() || selectors.back() != selector)
            selectors.push_back(selector);
    }
}

} // namespace genicam

// What a caller that saves, applies and compares configurations asks of a
// feature besides its value: what the description says about it, what it
// allows now, which entries of an Enumeration can be written now, and an
// integer feature's bounds.
#include "session/SessionImpl.h"

#include "Error.h"
#include "nodes/kinds/EnumerationNode.h"
#include "nodes/Operations.h"

namespace genicam {

using namespace engine;

namespace {

// The node named name, and its index; nullptr (NoSuchFeature) when there is
// none.
const Node *named(const NodeMap &nodes, const std::string &name, uint32_t *index, Error *error)
{
    *index = nodes.find(name);
    if (*index != kMissing)
        return &nodes.node(*index);
    fail(error, ErrorKind::NoSuchFeature, "no such feature");
    return nullptr;
}

} // namespace

FeatureInfo Session::Impl::infoOf(uint32_t index)
{
    const Node &node = nodes->node(index);
    FeatureInfo info;
    info.name = node.name;
    info.type = node.type;
    info.form = formOf(node.kind);
    info.streamable = node.streamable;
    for (uint32_t selector : nodes->selectorsOf(index))
        info.selectors.emplace_back(nodes->node(selector).name);
    for (const Ref &selected : node.selected)
        info.selected.emplace_back(selected.name);
    return info;
}

void byForm(const Node &node, FeatureAccess *access)
{
    ValueForm form = formOf(node.kind);
    if (form == ValueForm::Command || form == ValueForm::None)
        access->readable = false;
    if (form == ValueForm::None)
        access->writable = access->locked = false;
}

bool Session::Impl::allowed(const Node &node, FeatureAccess *access, Error *error)
{
    if (!state(context, node, access, error))
        return false;
    byForm(node, access);
    return true;
}

bool Session::info(const std::string &name, FeatureInfo *info, Error *error)
{
    uint32_t index;
    const Node *node = named(*impl_->nodes, name, &index, error);
    if (!node)
        return false;
    *info = impl_->infoOf(index);
    return true;
}

bool Session::access(const std::string &name, FeatureAccess *access, Error *error)
{
    uint32_t index;
    const Node *node = named(*impl_->nodes, name, &index, error);
    if (!node)
        return false;
    impl_->context.start();
    return impl_->allowed(*node, access, error);
}

bool Session::entries(const std::string &name, std::vector<std::string> *usable, Error *error)
{
    std::vector<EntryFacts> facts;
    if (!entries(name, &facts, error))
        return false;
    usable->clear();
    for (const EntryFacts &entry : facts)
        if (entry.usable)
            usable->push_back(entry.name);
    return true;
}

bool Session::entries(const std::string &name, std::vector<EntryFacts> *entries, Error *error)
{
    uint32_t index;
    const Node *node = named(*impl_->nodes, name, &index, error);
    if (!node)
        return false;
    const EnumerationNode *enumeration = node->as<EnumerationNode>();
    if (!enumeration)
        return fail(error, ErrorKind::NoSuchFeature, "not an enumeration");
    std::vector<EnumerationNode::EntryNow> implemented;
    if (!enumeration->entriesNow(impl_->context, &implemented, error))
        return false;
    entries->clear();
    for (const EnumerationNode::EntryNow &now : implemented)
        entries->push_back(EntryFacts{std::string(now.entry->symbolic), now.entry->value, now.available});
    return true;
}

bool Session::range(const std::string &name, IntegerRange *range, Error *error)
{
    uint32_t index;
    const Node *node = named(*impl_->nodes, name, &index, error);
    if (!node)
        return false;
    impl_->context.start();
    return integerRange(impl_->context, *node, 0, range, error);
}

} // namespace genicam

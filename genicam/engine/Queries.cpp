// What a caller that saves, applies and compares configurations asks of a
// feature besides its value: what the description says about it, what it
// allows now, which entries of an Enumeration can be written now, and an
// integer feature's bounds.
#include <limits.h>

#include "SessionImpl.h"

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

// Whether the node that ref names, from node, holds a value other than 0.
bool holds(Evaluator &evaluator, const Node &node, const Ref &ref, bool *value, Error *error)
{
    const Node *target = evaluator.follow(node, ref, error);
    int64_t number;
    if (!target || !evaluator.integer(*target, &number, error))
        return false;
    *value = number != 0;
    return true;
}

// Integers whose bounds come through their pValue, one after another, at
// most.
const size_t kMaxBoundsChain = 16;

// A bound of node: its constant, or the node it names read as a number, or
// fallback when the description gives none.
bool bound(Evaluator &evaluator, const Node &node, const Source &source, int64_t fallback, int64_t *value,
           Error *error)
{
    if (source.from == Source::From::None) {
        *value = fallback;
        return true;
    }
    Number number = source.constant;
    if (source.from == Source::From::Node) {
        const Node *target = evaluator.follow(node, source.ref, error);
        if (!target || !evaluator.number(*target, &number, error))
            return false;
    }
    if (!toInteger(number, value))
        return Evaluator::fault(node, "its bounds are not integers", error);
    return true;
}

// The width in bits of a register's integer, or 0 when its length is not a
// constant.
uint64_t fieldWidth(const Node &node)
{
    if (node.masked)
        return (node.msb > node.lsb ? node.msb - node.lsb : node.lsb - node.msb) + 1;
    int64_t length;
    if (node.reg == nullptr || node.reg->length.from != Source::From::Constant ||
        !toInteger(node.reg->length.constant, &length) || length <= 0 || length > 8)
        return 0;
    return 8 * (uint64_t)length;
}

bool rangeOf(Evaluator &evaluator, const Node &node, size_t chain, IntegerRange *range, Error *error)
{
    *range = IntegerRange{INT64_MIN, INT64_MAX, 1};
    if (!node.fault.empty())
        return Evaluator::fault(node, node.fault, error);
    if (formOf(node.kind) != ValueForm::Integer)
        return fail(error, ErrorKind::NoSuchFeature, "not an integer");
    if (node.kind == Kind::IntReg || node.kind == Kind::MaskedIntReg || node.kind == Kind::StructEntry) {
        uint64_t width = fieldWidth(node);
        if (width == 0 || width > 64)
            return true;
        if (node.isSigned) {
            range->max = width == 64 ? INT64_MAX : (int64_t)((UINT64_C(1) << (width - 1)) - 1);
            range->min = -range->max - 1;
        } else {
            range->min = 0;
            range->max = width >= 63 ? INT64_MAX : (int64_t)((UINT64_C(1) << width) - 1);
        }
        return true;
    }
    if (node.kind != Kind::Integer)
        return true;
    // An Integer's own bounds; each it does not give is its pValue's.
    if (node.value.from == Source::From::Node && !node.index.given() &&
        (!node.min.given() || !node.max.given() || !node.inc.given())) {
        if (chain == kMaxBoundsChain)
            return Evaluator::fault(node, "its bounds come through more than " + std::to_string(kMaxBoundsChain) +
                                              " nodes",
                                    error);
        const Node *target = evaluator.follow(node, node.value.ref, error);
        if (!target)
            return false;
        IntegerRange through;
        if (formOf(target->kind) == ValueForm::Integer) {
            if (!rangeOf(evaluator, *target, chain + 1, &through, error))
                return false;
            *range = through;
        }
    }
    if (!bound(evaluator, node, node.min, range->min, &range->min, error) ||
        !bound(evaluator, node, node.max, range->max, &range->max, error) ||
        !bound(evaluator, node, node.inc, range->inc, &range->inc, error))
        return false;
    if (range->inc <= 0)
        return Evaluator::fault(node, "its increment is not positive", error);
    return true;
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
    if (!evaluator.state(node, access, error))
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
    impl_->evaluator.start();
    return impl_->allowed(*node, access, error);
}

bool Session::entries(const std::string &name, std::vector<std::string> *usable, Error *error)
{
    uint32_t index;
    const Node *node = named(*impl_->nodes, name, &index, error);
    if (!node)
        return false;
    if (node->kind != Kind::Enumeration)
        return fail(error, ErrorKind::NoSuchFeature, "not an enumeration");
    std::vector<const EnumEntry *> entries;
    if (!impl_->evaluator.usableEntries(*node, &entries, error))
        return false;
    usable->clear();
    for (const EnumEntry *entry : entries)
        usable->emplace_back(entry->symbolic);
    return true;
}

bool Session::entries(const std::string &name, std::vector<EntryFacts> *entries, Error *error)
{
    uint32_t index;
    const Node *node = named(*impl_->nodes, name, &index, error);
    if (!node)
        return false;
    if (node->kind != Kind::Enumeration)
        return fail(error, ErrorKind::NoSuchFeature, "not an enumeration");
    std::vector<EntryFacts> facts;
    for (const EnumEntry &entry : node->entries) {
        // Each entry's conditions with a budget of their own.
        impl_->evaluator.start();
        bool implemented = true, available = true;
        if (entry.isImplemented.given() && !holds(impl_->evaluator, *node, entry.isImplemented, &implemented, error))
            return false;
        if (!implemented)
            continue;
        if (entry.isAvailable.given() && !holds(impl_->evaluator, *node, entry.isAvailable, &available, error))
            return false;
        facts.push_back(EntryFacts{std::string(entry.symbolic), entry.value, available});
    }
    entries->swap(facts);
    return true;
}

bool Session::range(const std::string &name, IntegerRange *range, Error *error)
{
    uint32_t index;
    const Node *node = named(*impl_->nodes, name, &index, error);
    if (!node)
        return false;
    impl_->evaluator.start();
    return rangeOf(impl_->evaluator, *node, 0, range, error);
}

} // namespace genicam

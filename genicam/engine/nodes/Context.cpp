#include "nodes/Context.h"

#include <algorithm>

#include "nodes/Node.h"

namespace genicam {
namespace engine {

namespace {

// What exceeded the depth or the visits: nodes alone, or with Expressions.
std::string tooMany(const char *what, size_t limit, bool expressions)
{
    return what + std::to_string(limit) + (expressions ? " nodes and expressions" : " nodes");
}

} // namespace

void Context::start()
{
    chain_.clear();
    steps_ = 0;
    expressionDepth_ = 0;
    expressionsVisited_ = 0;
    formulaSteps_ = 0;
}

bool Context::enter(const Node &node, Error *error)
{
    if (++steps_ > kMaxSteps)
        return faultAt(node, tooMany("reaching it visits more than ", kMaxSteps, expressionsVisited_ > 0), error);
    if (chain_.size() + expressionDepth_ >= kMaxDepth) {
        bool cycle = std::find(chain_.begin(), chain_.end(), &node) != chain_.end();
        return faultAt(node,
                     cycle ? "its references form a cycle"
                           : tooMany("its references nest deeper than ", kMaxDepth, expressionDepth_ > 0),
                     error);
    }
    if (!node.fault.empty())
        return faultAt(node, node.fault, error);
    chain_.push_back(&node);
    return true;
}

bool Context::enterExpression(const Node &node, Error *error)
{
    expressionsVisited_++;
    if (++steps_ > kMaxSteps)
        return faultAt(node, tooMany("reaching it visits more than ", kMaxSteps, true), error);
    if (chain_.size() + expressionDepth_ >= kMaxDepth)
        return faultAt(node, tooMany("its references nest deeper than ", kMaxDepth, true), error);
    expressionDepth_++;
    return true;
}

bool Context::charge(const Node &node, size_t count, Error *error)
{
    formulaSteps_ += count;
    if (formulaSteps_ <= kMaxFormulaSteps)
        return true;
    return faultAt(node, "reaching it runs more than " + std::to_string(kMaxFormulaSteps) + " formula steps", error);
}

const Node *Context::follow(const Node &from, const Ref &ref, Error *error)
{
    if (ref.index >= kMissing) {
        faultAt(from, "it refers to '" + std::string(ref.name) + "', which is not in the description", error);
        return nullptr;
    }
    return &nodes_.node(ref.index);
}

const Number *Context::held(const HostKey &key) const
{
    auto found = numbers_.find(key);
    return found != numbers_.end() ? &found->second : nullptr;
}

const std::string *Context::heldText(const Node &node) const
{
    auto found = texts_.find(&node);
    return found != texts_.end() ? &found->second : nullptr;
}

} // namespace engine
} // namespace genicam

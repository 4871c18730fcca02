// What one camera's operations on nodes work with: the nodes, whose
// references they follow; the Port, through which they read registers; the
// host-side values (an Integer, Float, Enumeration, Boolean, Command or
// String with a <Value> rather than a register); and the budget of the
// operation under way.  No register cache: every read goes to the Port.
//
// A description is untrusted: every operation is bounded in the depth of
// its chain of references and Expressions (a cycle is found there), in the
// number of nodes and Expressions it visits, and in the formula steps it
// runs, so no description makes it recurse deeply or run long.
#ifndef GENICAM_ENGINE_CONTEXT_H
#define GENICAM_ENGINE_CONTEXT_H

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "Error.h"
#include "nodes/NodeIndex.h"
#include "nodes/Source.h"
#include "numbers/Number.h"
#include "Port.h"

namespace genicam {
namespace engine {

class Context {
public:
    static const size_t kMaxDepth = 64;    // nodes and Expressions in one chain of references
    static const size_t kMaxSteps = 4096;  // nodes and Expressions visited by one operation
    // Formula steps one operation may run, counting each formula's steps
    // and the variables each evaluation of a formula node sets up: some
    // milliseconds of work, a hundred times what real descriptions need.
    static const size_t kMaxFormulaSteps = 1 << 20;

    // nodes and port must outlive the Context.
    Context(const NodeIndex &nodes, Port &port) : nodes_(nodes), port_(port) {}

    // Starts one operation (a read or write of a feature): a fresh budget.
    void start();

    // The node a reference of from names; nullptr and a fault of from when
    // it names none.
    const Node *follow(const Node &from, const Ref &ref, Error *error);

    // Enters a node for the scope of its evaluation, within the budget: one
    // more visit and one more level of the chain; a node whose description
    // is faulty is not entered.
    class Visit {
    public:
        Visit(Context &context, const Node &node, Error *error)
            : context_(context), entered_(context.enter(node, error))
        {
        }
        ~Visit()
        {
            if (entered_)
                context_.chain_.pop_back();
        }
        Visit(const Visit &) = delete;
        Visit &operator=(const Visit &) = delete;

        // False (with the error) when the budget or the node's fault refused it.
        bool entered() const { return entered_; }

    private:
        Context &context_;
        bool entered_;
    };

    // Counts an Expression of node evaluated inside another formula: one
    // more level of the chain and one more visit.  leaveExpression() ends it.
    bool enterExpression(const Node &node, Error *error);
    void leaveExpression() { expressionDepth_--; }
    // Charges count formula steps, of node's formulas, to the operation.
    bool charge(const Node &node, size_t count, Error *error);

    // The host's value under key, or nullptr when none was written.
    const Number *held(const HostKey &key) const;
    // Keeps value as the host's value under key.
    void hold(const HostKey &key, Number value) { numbers_[key] = value; }
    // A host-side String's text, or nullptr when none was written.
    const std::string *heldText(const Node &node) const;
    // Keeps text as a host-side String's.
    void holdText(const Node &node, const std::string &text) { texts_[&node] = text; }

    // The camera's registers.
    Port &port() { return port_; }

private:
    bool enter(const Node &node, Error *error);

    const NodeIndex &nodes_;
    Port &port_;
    std::map<HostKey, Number> numbers_;
    std::map<const Node *, std::string> texts_;
    std::vector<const Node *> chain_;
    size_t steps_ = 0;
    size_t expressionDepth_ = 0;     // Expressions being evaluated, on top of chain_
    size_t expressionsVisited_ = 0;  // of steps_
    size_t formulaSteps_ = 0;
};

} // namespace engine
} // namespace genicam

#endif

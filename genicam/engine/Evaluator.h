// Reads and writes nodes for one camera: follows references through the
// NodeMap, keeps the host-side values, and reads registers through the Port.
// No register cache: every read goes to the Port.
//
// A description is untrusted: every operation is bounded in the depth of
// its chain of references and Expressions (a cycle is found there), in the
// number of nodes and Expressions it visits, and in the formula steps it
// runs, so no description makes it recurse deeply or run long.
#ifndef GENICAM_ENGINE_EVALUATOR_H
#define GENICAM_ENGINE_EVALUATOR_H

#include <stdint.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "Engine.h"
#include "Error.h"
#include "NodeMap.h"
#include "Port.h"

namespace genicam {
namespace engine {

class Evaluator {
public:
    static const size_t kMaxDepth = 64;       // nodes and Expressions in one chain of references
    static const size_t kMaxSteps = 4096;     // nodes and Expressions visited by one operation
    static const uint64_t kMaxBytes = 65536;  // the longest register read or written
    // Formula steps one operation may run, counting each formula's steps
    // and the variables each evaluation of a formula node sets up: some
    // milliseconds of work, a hundred times what real descriptions need.
    static const size_t kMaxFormulaSteps = 1 << 20;

    Evaluator(const NodeMap &nodes, Port &port) : nodes_(nodes), port_(port) {}

    // Starts one operation (a read or write of a feature): a fresh budget.
    void start();

    // The node a reference names; nullptr and an error when it names none.
    const Node *follow(const Node &from, const Ref &ref, Error *error);

    // A number-like node's value: an integer for the integer nodes, an
    // Enumeration and a Boolean (1 or 0), a double for the Float ones.
    bool number(const Node &node, Number *value, Error *error);
    bool integer(const Node &node, int64_t *value, Error *error);
    bool floating(const Node &node, double *value, Error *error);
    // Writes a number-like node, within its bounds.
    bool setNumber(const Node &node, Number value, Error *error);

    bool boolean(const Node &node, bool *value, Error *error);
    bool setBoolean(const Node &node, bool value, Error *error);
    // The entry an Enumeration holds.  When several entries share a value,
    // the first implemented one in document order is the one read.
    bool entry(const Node &node, const EnumEntry **value, Error *error);
    bool setEntry(const Node &node, const EnumEntry &value, Error *error);
    // The implemented entries of an Enumeration, for a reason's list.
    std::string entryNames(const Node &node);
    // The entries of an Enumeration implemented and available now, in
    // document order; each entry's conditions are read with a fresh budget.
    bool usableEntries(const Node &node, std::vector<const EnumEntry *> *usable, Error *error);
    bool text(const Node &node, std::string *value, Error *error);
    bool setText(const Node &node, const std::string &value, Error *error);
    // A Register's raw bytes.
    bool bytes(const Node &node, std::vector<uint8_t> *value, Error *error);
    bool setBytes(const Node &node, const std::vector<uint8_t> &value, Error *error);
    bool execute(const Node &node, Error *error);

    // What a feature allows now, through the nodes it stands for (NI when
    // not implemented, NA when not available): state() in one word.
    bool access(const Node &node, Access *value, Error *error);
    // What a feature allows now, through the nodes it stands for; the
    // nature of its node alone decides readable and writable (a Command is
    // readable here: the Session knows it is executed).
    bool state(const Node &node, FeatureAccess *value, Error *error);

    // Counts an Expression of node evaluated inside another formula: one
    // more level of the chain and one more visit.  leaveExpression() ends it.
    bool enterExpression(const Node &node, Error *error);
    void leaveExpression() { expressionDepth_--; }
    // Charges count formula steps, of node's formulas, to the operation.
    bool charge(const Node &node, size_t count, Error *error);

    // "the description is faulty at <node>: <what>".
    static std::string faulty(const Node &node, const std::string &what);
    // Sets *error to a FaultyDescription at node; false, for a failing return.
    static bool fault(const Node &node, const std::string &what, Error *error);
    // A node type with its article: "an IntReg", "a Category".
    static std::string article(std::string_view type);

private:
    friend class Visit;
    friend class FormulaInputs;

    // One key of a host-side value: the node and which of its values.
    using HostKey = std::tuple<const Node *, int, int64_t>;
    enum Slot { kValue, kIndexed, kDefault };

    bool enter(const Node &node, Error *error);
    void leave() { chain_.pop_back(); }

    // Refuses a read or write the node itself does not allow.
    bool check(const Node &node, bool write, Error *error);
    // Whether the node (or one of its entries) is implemented and available
    // now: NI, NA, or RW for both.
    bool presence(const Node &node, const Ref &implemented, const Ref &available, Access *state, Error *error);
    // Whether the node that ref names holds a value other than 0.
    bool condition(const Node &node, const Ref &ref, bool *value, Error *error);

    // The Source that gives a node's value now (through its pIndex).
    bool select(const Node &node, const Source **source, HostKey *key, Error *error);
    bool readSource(const Node &node, const Source &source, const HostKey &key, Number *value, Error *error);
    bool writeSource(const Node &node, const Source &source, const HostKey &key, Number value, Error *error);
    bool sourceNumber(const Node &node, const Source &source, Number fallback, Number *value, Error *error);
    static bool inRange(int64_t value, int64_t low, int64_t high, int64_t step, Error *error);
    bool inBounds(const Node &node, Number value, Error *error);
    bool setValue(const Node &node, Number value, Error *error);
    bool readBoolean(const Node &node, bool *value, Error *error);
    bool writeBoolean(const Node &node, bool value, Error *error);
    bool writeEntry(const Node &node, const EnumEntry &entry, Error *error);

    // Registers (Registers.cpp).
    bool location(const Node &node, uint64_t *address, uint64_t *length, Error *error);
    bool reachable(const Node &node, ErrorKind refused, Error *error);
    bool readRegister(const Node &node, uint64_t address, std::vector<uint8_t> *bytes, Error *error);
    bool writeRegister(const Node &node, uint64_t address, const std::vector<uint8_t> &bytes, Error *error);
    bool readBytes(const Node &node, std::vector<uint8_t> *bytes, Error *error);
    bool registerNumber(const Node &node, Number *value, Error *error);
    bool setRegisterNumber(const Node &node, Number value, Error *error);

    // Formulas (Formulas.cpp).
    bool formulaNumber(const Node &node, Number *value, Error *error);
    bool setConverter(const Node &node, Number value, Error *error);

    const NodeMap &nodes_;
    Port &port_;
    std::map<HostKey, Number> numbers_;
    std::map<const Node *, std::string> texts_;
    std::vector<const Node *> chain_;
    size_t steps_ = 0;
    size_t expressionDepth_ = 0;    // Expressions being evaluated, on top of chain_
    size_t expressionsVisited_ = 0; // of steps_
    size_t formulaSteps_ = 0;
};

// Enters a node for the scope of an evaluation, within the budget.
class Visit {
public:
    Visit(Evaluator &evaluator, const Node &node, Error *error)
        : evaluator_(evaluator), entered_(evaluator.enter(node, error))
    {
    }
    ~Visit()
    {
        if (entered_)
            evaluator_.leave();
    }
    Visit(const Visit &) = delete;
    Visit &operator=(const Visit &) = delete;

    bool entered() const { return entered_; }

private:
    Evaluator &evaluator_;
    bool entered_;
};

// The access a state comes to, as listed: NI, NA, or what it allows.
Access accessWord(const FeatureAccess &state);

// Sets *error to kind and text; false, for a failing return.
bool fail(Error *error, ErrorKind kind, std::string text);

// Numbers: a Number of either kind as the other.
Number integerNumber(int64_t value);
Number floatNumber(double value);
double toDouble(Number value);
// A number as an integer, a double rounded to the nearest; false for NaN or
// a double beyond the int64 range.
bool toInteger(Number value, int64_t *integer);

} // namespace engine
} // namespace genicam

#endif

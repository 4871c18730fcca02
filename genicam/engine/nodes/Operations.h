// The operations on a node as its readers and writers ask for them: the
// node entered within the budget, its access for a read or a write
// checked, then its kind's own reading or writing (Node.h); the values a
// node gives through a Source (Source.h); and what a node allows now, as
// the camera's other features decide it (AccessNow.cpp).  These call one
// another: reading a node checks its conditions, which reads other nodes.
#ifndef GENICAM_ENGINE_OPERATIONS_H
#define GENICAM_ENGINE_OPERATIONS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "Facts.h"
#include "nodes/Context.h"
#include "nodes/Node.h"
#include "nodes/Source.h"

namespace genicam {
namespace engine {

// Whether the node that ref (a condition of node) names holds a value
// other than 0.
bool condition(Context &context, const Node &node, const Ref &ref, bool *value, Error *error);

// Whether node (or one of its entries, by the conditions given) is
// implemented and available now: NI, NA, or RW for both.
bool presence(Context &context, const Node &node, const Ref &implemented, const Ref &available, Access *state,
              Error *error);

// Refuses a read or write the node itself does not allow now (not
// implemented, not available, locked, or not of its own access).
bool check(Context &context, const Node &node, bool write, Error *error);

// What a node allows now, through the nodes it stands for; its kind alone
// decides readable and writable (a Command is readable here: the Session
// knows it is executed).
bool state(Context &context, const Node &node, FeatureAccess *value, Error *error);

// The access a state comes to, as listed: NI, NA, or what it allows.
Access accessWord(const FeatureAccess &state);

// The value source gives now, for node: a constant as the host holds it
// under key (written before, or else the description's), or the number of
// the node it names.
bool readSource(Context &context, const Node &node, const Source &source, const HostKey &key, Number *value,
                Error *error);

// Writes value to what source gives: the host's value under key for a
// constant, or the node it names.
bool writeSource(Context &context, const Node &node, const Source &source, const HostKey &key, Number value,
                 Error *error);

// The value of a bound or setting (Min, Length, CommandValue...): the
// description's constant, the number of the node it names, or fallback
// when it gives none.
bool sourceNumber(Context &context, const Node &node, const Source &source, Number fallback, Number *value,
                  Error *error);

// Runs body() with node entered and its access for a read (or a write)
// checked; false with the error of whichever refused.
template <typename Body> bool checked(Context &context, const Node &node, bool write, Error *error, Body body)
{
    Context::Visit visit(context, node, error);
    return visit.entered() && check(context, node, write, error) && body();
}

// A number-like node's value (Node::readNumber).
bool number(Context &context, const Node &node, Number *value, Error *error);
// The same as an integer, a double rounded to the nearest.
bool integer(Context &context, const Node &node, int64_t *value, Error *error);
// The same as a double.
bool floating(Context &context, const Node &node, double *value, Error *error);
// Writes a number-like node, within its bounds (Node::writeNumber).
bool setNumber(Context &context, const Node &node, Number value, Error *error);

// A string node's text (Node::readText), and its write.
bool text(Context &context, const Node &node, std::string *value, Error *error);
bool setText(Context &context, const Node &node, const std::string &value, Error *error);

// A register's raw bytes (Node::readBytes), and their write.
bool bytes(Context &context, const Node &node, std::vector<uint8_t> *value, Error *error);
bool setBytes(Context &context, const Node &node, const std::vector<uint8_t> &value, Error *error);

// An integer feature's minimum, maximum and increment now (Session::range):
// a faulty node's fault, NoSuchFeature for a node of another form, else
// what its kind gives (Node::ownRange) over the whole 64-bit range in steps
// of 1; chain counts the Integers whose bounds led here.
bool integerRange(Context &context, const Node &node, size_t chain, IntegerRange *range, Error *error);

// number as the integer an integer node holds, a double rounded to the
// nearest; a fault of node when it is none.
bool integral(const Node &node, Number number, Number *value, Error *error);

} // namespace engine
} // namespace genicam

#endif

// The operations on a node as its readers and writers ask for them: the
// node entered within the budget, its access for a read or a write
// checked, then its kind's own reading or writing (Node.h).
#ifndef GENICAM_ENGINE_OPERATIONS_H
#define GENICAM_ENGINE_OPERATIONS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "AccessNow.h"
#include "Context.h"
#include "Node.h"

namespace genicam {
namespace engine {

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

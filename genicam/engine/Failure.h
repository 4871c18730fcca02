// The errors the engine's parts give, made in one way: a kind and its text,
// and the text of a faulty description at a node.
#ifndef GENICAM_ENGINE_FAILURE_H
#define GENICAM_ENGINE_FAILURE_H

#include <string>
#include <string_view>

#include "Error.h"

namespace genicam {
namespace engine {

class Node;

// Sets *error to kind and text; false, for a failing return.
bool fail(Error *error, ErrorKind kind, std::string text);

// "the description is faulty at <node>: <what>".
std::string faulty(const Node &node, const std::string &what);

// Sets *error to a FaultyDescription at node; false, for a failing return.
bool faultAt(const Node &node, const std::string &what, Error *error);

// A node type with its article: "an IntReg", "a Category".
std::string article(std::string_view type);

} // namespace engine
} // namespace genicam

#endif

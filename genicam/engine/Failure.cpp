#include "Failure.h"

#include <string.h>

#include "Node.h"

namespace genicam {
namespace engine {

bool fail(Error *error, ErrorKind kind, std::string text)
{
    error->kind = kind;
    error->text = std::move(text);
    return false;
}

std::string faulty(const Node &node, const std::string &what)
{
    return "the description is faulty at " + std::string(node.name) + ": " + what;
}

bool faultAt(const Node &node, const std::string &what, Error *error)
{
    return fail(error, ErrorKind::FaultyDescription, faulty(node, what));
}

std::string article(std::string_view type)
{
    bool vowel = !type.empty() && strchr("AEIOU", type[0]) != nullptr;
    return (vowel ? "an " : "a ") + std::string(type);
}

} // namespace engine
} // namespace genicam

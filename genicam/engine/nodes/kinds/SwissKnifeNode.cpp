#include "nodes/kinds/SwissKnifeNode.h"

namespace genicam {
namespace engine {

void SwissKnifeNode::finish(NodeParser &)
{
    gatherNames();
    parseFormulas();
}

bool SwissKnifeNode::readNumber(Context &context, Number *value, Error *error) const
{
    Number result;
    return setUp(context, error) && evaluate(context, main, "Formula", SIZE_MAX, Number(), &result, error) &&
           valueOf(result, "Formula", value, error);
}

} // namespace engine
} // namespace genicam

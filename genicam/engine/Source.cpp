#include "Source.h"

#include "Context.h"
#include "Operations.h"

namespace genicam {
namespace engine {

bool readSource(Context &context, const Node &node, const Source &source, const HostKey &key, Number *value,
                Error *error)
{
    if (source.from == Source::From::Constant) {
        const Number *held = context.held(key);
        *value = held ? *held : source.constant;
        return true;
    }
    const Node *target = context.follow(node, source.ref, error);
    return target && number(context, *target, value, error);
}

bool writeSource(Context &context, const Node &node, const Source &source, const HostKey &key, Number value,
                 Error *error)
{
    if (source.from == Source::From::Constant) {
        context.hold(key, value);
        return true;
    }
    const Node *target = context.follow(node, source.ref, error);
    return target && setNumber(context, *target, value, error);
}

bool sourceNumber(Context &context, const Node &node, const Source &source, Number fallback, Number *value,
                  Error *error)
{
    if (source.from == Source::From::None) {
        *value = fallback;
        return true;
    }
    if (source.from == Source::From::Constant) {
        *value = source.constant;
        return true;
    }
    const Node *target = context.follow(node, source.ref, error);
    return target && number(context, *target, value, error);
}

} // namespace engine
} // namespace genicam

#include "nodes/Operations.h"

#include "Error.h"

namespace genicam {
namespace engine {

namespace {

const int kRead = 1, kWrite = 2;  // the bits of an Access

} // namespace

bool condition(Context &context, const Node &node, const Ref &ref, bool *value, Error *error)
{
    const Node *target = context.follow(node, ref, error);
    int64_t number;
    if (!target || !integer(context, *target, &number, error))
        return false;
    *value = number != 0;
    return true;
}

bool presence(Context &context, const Node &node, const Ref &implemented, const Ref &available, Access *state,
              Error *error)
{
    bool holds = true;
    *state = Access::RW;
    if (implemented.given() && !condition(context, node, implemented, &holds, error))
        return false;
    if (!holds) {
        *state = Access::NI;
        return true;
    }
    if (available.given() && !condition(context, node, available, &holds, error))
        return false;
    if (!holds)
        *state = Access::NA;
    return true;
}

bool check(Context &context, const Node &node, bool write, Error *error)
{
    Access state;
    if (!presence(context, node, node.isImplemented, node.isAvailable, &state, error))
        return false;
    if (state == Access::NI)
        return fail(error, ErrorKind::NotImplemented, "not implemented");
    if (state == Access::NA)
        return fail(error, ErrorKind::NotAvailable, "not available now");
    bool holds;
    if (write && node.isLocked.given()) {
        if (!condition(context, node, node.isLocked, &holds, error))
            return false;
        if (holds)
            return fail(error, ErrorKind::Locked, "locked");
    }
    int own = (int)node.ownAccess();
    if (write && !(own & kWrite))
        return fail(error, ErrorKind::NotWritable, "not writable");
    if (!write && !(own & kRead))
        return fail(error, ErrorKind::NotReadable, "not readable");
    return true;
}

Access accessWord(const FeatureAccess &state)
{
    if (!state.implemented)
        return Access::NI;
    if (!state.available)
        return Access::NA;
    return (Access)((state.readable ? kRead : 0) | (state.writable ? kWrite : 0));
}

bool state(Context &context, const Node &node, FeatureAccess *value, Error *error)
{
    Context::Visit visit(context, node, error);
    Access here;
    if (!visit.entered() || !presence(context, node, node.isImplemented, node.isAvailable, &here, error))
        return false;
    *value = FeatureAccess();
    value->implemented = here != Access::NI;
    value->available = here == Access::RW;
    if (here != Access::RW)
        return true;
    Access own = node.ownAccess();
    if (node.kind == Kind::Other)
        own = Access::NA;
    // A node that stands for another allows what that one allows.
    if (const Ref *through = node.standsFor()) {
        const Node *target = context.follow(node, *through, error);
        FeatureAccess inner;
        if (!target || !state(context, *target, &inner, error))
            return false;
        value->implemented = inner.implemented;
        value->available = inner.available;
        value->locked = inner.locked;
        own = intersect(own, accessWord(inner));
    }
    if ((int)own & kWrite && node.isLocked.given()) {
        bool holds;
        if (!condition(context, node, node.isLocked, &holds, error))
            return false;
        value->locked = holds;  // what it stands for was writable, so not locked
        if (holds)
            own = intersect(own, Access::RO);
    }
    value->readable = (int)own & kRead;
    value->writable = (int)own & kWrite;
    return true;
}

} // namespace engine
} // namespace genicam

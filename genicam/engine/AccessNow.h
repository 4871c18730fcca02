// What a node allows now: whether it is implemented and available, whether
// it is locked, and what its nature and the nodes it stands for let a read
// or write do, as the camera's other features decide it.
#ifndef GENICAM_ENGINE_ACCESSNOW_H
#define GENICAM_ENGINE_ACCESSNOW_H

#include "Context.h"
#include "Engine.h"
#include "Node.h"

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

} // namespace engine
} // namespace genicam

#endif

// The inside of a Session, shared by the files that implement it: reading
// and writing by name (Session.cpp), the description's facts and the access
// now (SessionQueries.cpp), and the walk over the categories
// (SessionWalk.cpp).
#ifndef GENICAM_ENGINE_SESSIONIMPL_H
#define GENICAM_ENGINE_SESSIONIMPL_H

#include <functional>
#include <string>
#include <unordered_set>

#include "Engine.h"
#include "map/NodeMap.h"
#include "nodes/Context.h"
#include "nodes/kinds/CategoryNode.h"
#include "nodes/Node.h"

namespace genicam {

// The access of a node's state as a caller reads it: its form decides too
// (a Command is executed, not read; a node without a value is neither read
// nor written).
void byForm(const engine::Node &node, FeatureAccess *access);

struct Session::Impl {
    Impl(std::shared_ptr<const NodeMap> map, Port &port) : nodes(std::move(map)), context(*nodes, port) {}

    // A feature reached from the Root category by reach(): its path and
    // the name its category gives; its node and index, nullptr when the
    // name is of no node (error says so); its access, when error.kind is
    // None.
    struct Reached {
        const std::string &path;
        std::string_view name;
        const engine::Node *node;
        uint32_t index;
        FeatureAccess access;
        Error error;
    };
    using Reach = std::function<void(const Reached &)>;

    bool readValue(const engine::Node &node, FeatureValue *value, Error *error);
    bool read(const engine::Node &node, std::string *text, Error *error);
    // Writes the node from text; written, when not nullptr, gets the value
    // written in the node's own form.
    bool write(const engine::Node &node, const std::string &text, FeatureValue *written, Error *error);
    // The description's facts about the node at index.
    FeatureInfo infoOf(uint32_t index);
    // What the node allows now, as a caller reads it (see byForm).
    bool allowed(const engine::Node &node, FeatureAccess *access, Error *error);
    // Every feature reachable from Root that is implemented, once each, in
    // document order of the category tree; false when there is no Root
    // category.
    bool reach(const Reach &each);
    void reachCategory(const engine::CategoryNode &category, const std::string &path, size_t depth, const Reach &each);

    std::shared_ptr<const NodeMap> nodes;
    engine::Context context;
    std::unordered_set<const engine::Node *> reached;
};

} // namespace genicam

#endif

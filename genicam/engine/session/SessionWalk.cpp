// The features reachable from the Root category, once each, in the order of
// the category tree: as list() shows them with their values, and as walk()
// gives them with what a configuration needs to know.
#include "session/SessionImpl.h"

#include "nodes/kinds/CategoryNode.h"
#include "nodes/Operations.h"

namespace genicam {

using namespace engine;

namespace {

const size_t kMaxCategoryDepth = 64;
const char *const kNoRoot = "the description has no Root category";

} // namespace

bool Session::Impl::reach(const Reach &each)
{
    reached.clear();
    const Node *named = nodes->feature("Root");
    const CategoryNode *root = named ? named->as<CategoryNode>() : nullptr;
    if (!root)
        return false;
    reached.insert(root);
    reachCategory(*root, "Root", 0, each);
    return true;
}

void Session::Impl::reachCategory(const CategoryNode &category, const std::string &path, size_t depth, const Reach &each)
{
    for (const Ref &ref : category.features) {
        Reached feature{path, ref.name, nullptr, ref.index, FeatureAccess(), Error()};
        context.start();
        feature.node = context.follow(category, ref, &feature.error);
        if (!feature.node) {
            each(feature);
            continue;
        }
        if (!reached.insert(feature.node).second)
            continue;
        if (!state(context, *feature.node, &feature.access, &feature.error)) {
            each(feature);
            continue;
        }
        if (!feature.access.implemented)
            continue;
        if (const CategoryNode *inner = feature.node->as<CategoryNode>()) {
            if (depth + 1 < kMaxCategoryDepth)
                reachCategory(*inner, path + "/" + std::string(ref.name), depth + 1, each);
            continue;
        }
        each(feature);
    }
}

void Session::list(const std::function<void(const Listed &)> &each)
{
    bool rooted = impl_->reach([&](const Impl::Reached &feature) {
        Listed line;
        line.path = feature.path;
        line.name = feature.name;
        if (feature.node) {
            line.type = feature.node->type;
            line.form = formOf(feature.node->kind);
        }
        if (feature.error.kind != ErrorKind::None) {
            line.access = "?";
            line.value = feature.error.text;
            each(line);
            return;
        }
        line.access = accessName(accessWord(feature.access));
        line.unit = feature.node->unit;
        Error error;
        line.readable = impl_->read(*feature.node, &line.value, &error);
        if (!line.readable)
            line.value = error.text;
        each(line);
    });
    if (!rooted) {
        Listed missing;
        missing.name = "Root";
        missing.value = kNoRoot;
        each(missing);
    }
}

void Session::walk(const std::function<void(const Walked &)> &each)
{
    bool rooted = impl_->reach([&](const Impl::Reached &feature) {
        Walked walked;
        walked.path = feature.path;
        walked.error = feature.error;
        if (!feature.node) {
            walked.info.name = feature.name;
            each(walked);
            return;
        }
        walked.info = impl_->infoOf(feature.index);
        walked.access = feature.access;
        byForm(*feature.node, &walked.access);
        each(walked);
    });
    if (!rooted) {
        Walked missing;
        missing.info.name = "Root";
        missing.error = Error{ErrorKind::FaultyDescription, kNoRoot};
        each(missing);
    }
}

} // namespace genicam

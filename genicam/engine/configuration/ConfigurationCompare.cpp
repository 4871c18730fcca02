// Comparing a camera with a configuration file: every value read with its
// selectors set, nothing written but those selectors, which are set back.
#include <algorithm>
#include <map>

#include "configuration/Configuration.h"
#include "configuration/ConfigurationPlan.h"
#include "configuration/ConfigurationValue.h"

namespace genicam {

using namespace configuration;

namespace {

Difference unreadable(const Item &item, const std::string &reason)
{
    Difference difference;
    difference.line = item.line;
    difference.value = item.valueName();
    difference.readable = false;
    difference.camera = reason;
    difference.file = item.text;
    return difference;
}

class Comparer {
public:
    Comparer(CameraFeatures &camera, Catalog &catalog, Selectors &selectors, const std::vector<Item> &items)
        : camera_(camera), catalog_(catalog), selectors_(selectors), items_(items)
    {
    }

    // Compares the selectors' values first, outer ones first, before the
    // values move them, then every other value.
    void compareAll()
    {
        std::vector<size_t> selectorItems;
        for (size_t i = 0; i < items_.size(); i++)
            if (items_[i].selector)
                selectorItems.push_back(i);
        std::stable_sort(selectorItems.begin(), selectorItems.end(),
                         [this](size_t a, size_t b) { return depth(a) < depth(b); });
        for (size_t i : selectorItems)
            compare(i);
        for (size_t i = 0; i < items_.size(); i++)
            if (!items_[i].selector)
                compare(i);
    }

    std::map<size_t, Difference> differences;  // by item

private:
    size_t depth(size_t index) { return catalog_.known(items_[index].name).selectors.size(); }

    // The camera's value of an item, or why it cannot be read.  A selector
    // of no selector's is read as it was before anything moved.
    bool read(const Item &item, FeatureValue *value, Error *error)
    {
        if (item.selector && item.context.empty()) {
            Setting first;
            if (!selectors_.original(item.name, &first, error))
                return false;
            *value = first.value;
            return true;
        }
        return selectors_.enter(item.context, error) && camera_.read(item.name, value, error);
    }

    void compare(size_t index)
    {
        const Item &item = items_[index];
        if (!item.counted)
            return;
        if (!item.usable) {
            differences.emplace(index, unreadable(item, item.fault.text));
            return;
        }
        const Item &wanted = items_[item.expected];
        FeatureValue value;
        Error error;
        if (!read(item, &value, &error)) {
            differences.emplace(index, unreadable(item, error.text));
            return;
        }
        if (sameValue(wanted.value, value, wanted.halfUnit, catalog_.known(item.name).entries))
            return;
        Difference difference;
        difference.line = item.line;
        difference.value = item.valueName();
        difference.camera = readText(value);
        difference.form = value.form;
        difference.file = wanted.text;
        differences.emplace(index, difference);
    }

    CameraFeatures &camera_;
    Catalog &catalog_;
    Selectors &selectors_;
    const std::vector<Item> &items_;
};

} // namespace

CompareResult compareConfiguration(CameraFeatures &camera, const std::vector<ConfigurationEntry> &entries)
{
    Catalog catalog(camera);
    Selectors selectors(camera, catalog);
    std::vector<Item> items = planEntries(entries, catalog, selectors);
    CompareResult result;
    result.values = countValues(items);
    Comparer comparer(camera, catalog, selectors, items);
    comparer.compareAll();
    for (const auto &difference : comparer.differences)
        result.differences.push_back(difference.second);
    Error error;
    if (!selectors.putBack(false, &error)) {
        result.putBack = false;
        result.putBackReason = error.text;
    }
    return result;
}

} // namespace genicam

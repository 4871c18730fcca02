// A model camera for the configuration tests: features of every form, with
// values per selector value, ranges that other features set, availability,
// locks, Floats that read back rounded, and writes that can be made to fail;
// every write recorded.
#ifndef VISIONACCESS_TESTS_CONFIGURATIONMODEL_H
#define VISIONACCESS_TESTS_CONFIGURATIONMODEL_H

#include <math.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <map>
#include <string>
#include <vector>

#include "configuration/ConfigurationValue.h"
#include "configuration/CameraFeatures.h"

namespace model {

using genicam::EntryFacts;
using genicam::Error;
using genicam::ErrorKind;
using genicam::FeatureInfo;
using genicam::FeatureValue;
using genicam::ValueForm;

enum class Nature { ReadOnly, WriteOnly, ReadWrite };

struct Feature {
    FeatureInfo facts;
    Nature nature = Nature::ReadWrite;
    std::function<bool()> available, locked;  // none: always available, never locked
    std::function<int64_t()> min, max;         // an Integer's bounds
    int64_t inc = 1;
    double floatMin = -1e300, floatMax = 1e300;
    std::function<double(double)> stored;  // what a Float write keeps (none: the value)
    std::function<int64_t(int64_t)> storedInteger;  // what an Integer write keeps
    std::vector<EntryFacts> entries;
    std::map<std::string, std::function<bool()>> entryAvailable;
    size_t length = 0;  // a Register's
    bool oneValue = false;  // one value whatever its selectors select (as many cameras have it)
    FeatureValue initial;
    std::map<std::string, FeatureValue> values;  // by the values of its selectors
};

class Camera : public genicam::CameraFeatures {
public:
    std::map<std::string, Feature> features;
    std::vector<std::string> order;  // the category tree's
    std::vector<std::string> writes;  // "Name=text", in order
    size_t reads = 0;
    // Makes a read fail: return false with the error to fail it.
    std::function<bool(const std::string &name, Error *error)> failRead;
    // Makes a write fail: return false with the error to fail it.
    std::function<bool(const std::string &name, const FeatureValue &value, Error *error)> failWrite;

    // Adds a feature of the category tree, Streamable.
    Feature &add(const std::string &name, ValueForm form)
    {
        Feature &feature = features[name];
        feature.facts.form = form;
        feature.facts.streamable = true;
        feature.initial.form = form;
        order.push_back(name);
        return feature;
    }
    Feature &integer(const std::string &name, int64_t value, int64_t min = -1000000, int64_t max = 1000000)
    {
        Feature &feature = add(name, ValueForm::Integer);
        feature.initial.integer = value;
        feature.min = [min] { return min; };
        feature.max = [max] { return max; };
        return feature;
    }
    Feature &floating(const std::string &name, double value)
    {
        Feature &feature = add(name, ValueForm::Float);
        feature.initial.floating = value;
        return feature;
    }
    Feature &boolean(const std::string &name, bool value)
    {
        Feature &feature = add(name, ValueForm::Boolean);
        feature.initial.integer = value;
        return feature;
    }
    Feature &string(const std::string &name, const std::string &value)
    {
        Feature &feature = add(name, ValueForm::String);
        feature.initial.text = value;
        return feature;
    }
    Feature &bytes(const std::string &name, const std::vector<uint8_t> &value)
    {
        Feature &feature = add(name, ValueForm::Register);
        feature.initial.bytes = value;
        feature.length = value.size();
        return feature;
    }
    Feature &command(const std::string &name)
    {
        Feature &feature = add(name, ValueForm::Command);
        feature.nature = Nature::WriteOnly;
        return feature;
    }
    // An Enumeration of the entries named, numbered from 0, holding the first.
    Feature &enumeration(const std::string &name, const std::vector<std::string> &entries)
    {
        Feature &feature = add(name, ValueForm::Enumeration);
        for (size_t i = 0; i < entries.size(); i++)
            feature.entries.push_back(EntryFacts{entries[i], (int64_t)i, true});
        feature.initial.text = entries.at(0);
        return feature;
    }
    // selector selects each of features.
    void selects(const std::string &selector, const std::vector<std::string> &selected)
    {
        for (const std::string &name : selected) {
            features.at(selector).facts.selected.push_back(name);
            features.at(name).facts.selectors.push_back(selector);
        }
    }

    // The value a feature holds with its selectors as they are now.
    FeatureValue value(const std::string &name)
    {
        Feature &feature = features.at(name);
        auto held = feature.values.find(selection(feature));
        return held == feature.values.end() ? feature.initial : held->second;
    }
    std::string text(const std::string &name)
    {
        return genicam::configuration::readText(value(name));
    }
    // Every value that differs from its feature's first, with its selectors:
    // what a camera holds, to compare before and after.
    std::string state()
    {
        std::string text;
        for (auto &feature : features)
            for (auto &held : feature.second.values)
                if (genicam::configuration::readText(held.second) !=
                    genicam::configuration::readText(feature.second.initial))
                    text += feature.first + "[" + held.first + "]=" + genicam::configuration::readText(held.second) +
                            "\n";
        return text;
    }
    // The writes made to anything but the selectors named.
    std::vector<std::string> writesBut(const std::vector<std::string> &selectors)
    {
        std::vector<std::string> others;
        for (const std::string &write : writes) {
            std::string name = write.substr(0, write.find('='));
            if (std::find(selectors.begin(), selectors.end(), name) == selectors.end())
                others.push_back(write);
        }
        return others;
    }
    // Sets a value directly, as another tool would have.
    void put(const std::string &name, const std::string &text)
    {
        Feature &feature = features.at(name);
        FeatureValue value;
        Error error;
        if (!genicam::configuration::parseValue(name, feature.facts.form, text, feature.entries, &value, &error))
            throw std::runtime_error(error.text);
        feature.values[selection(feature)] = value;
    }

    bool categoryOrder(std::vector<std::string> *names, Error *) override
    {
        *names = order;
        return true;
    }
    bool info(const std::string &name, FeatureInfo *facts, Error *error) override
    {
        auto found = features.find(name);
        if (found == features.end())
            return fail(ErrorKind::NoSuchFeature, "no such feature", error);
        *facts = found->second.facts;
        return true;
    }
    bool access(const std::string &name, genicam::FeatureAccess *access, Error *error) override
    {
        auto found = features.find(name);
        if (found == features.end())
            return fail(ErrorKind::NoSuchFeature, "no such feature", error);
        Feature &feature = found->second;
        *access = genicam::FeatureAccess();
        access->implemented = true;
        access->available = !feature.available || feature.available();
        if (!access->available)
            return true;
        access->locked = feature.nature != Nature::ReadOnly && feature.locked && feature.locked();
        access->readable = feature.nature != Nature::WriteOnly && feature.facts.form != ValueForm::Command;
        access->writable = feature.nature != Nature::ReadOnly && !access->locked;
        return true;
    }
    bool entries(const std::string &name, std::vector<EntryFacts> *entries, Error *error) override
    {
        auto found = features.find(name);
        if (found == features.end())
            return fail(ErrorKind::NoSuchFeature, "no such feature", error);
        *entries = found->second.entries;
        for (EntryFacts &entry : *entries)
            entry.usable = usable(found->second, entry.name);
        return true;
    }
    bool range(const std::string &name, genicam::IntegerRange *range, Error *error) override
    {
        auto found = features.find(name);
        if (found == features.end())
            return fail(ErrorKind::NoSuchFeature, "no such feature", error);
        range->min = found->second.min();
        range->max = found->second.max();
        range->inc = found->second.inc;
        return true;
    }
    bool read(const std::string &name, FeatureValue *value, Error *error) override
    {
        reads++;
        auto found = features.find(name);
        if (found == features.end())
            return fail(ErrorKind::NoSuchFeature, "no such feature", error);
        Feature &feature = found->second;
        if (feature.available && !feature.available())
            return fail(ErrorKind::NotAvailable, "not available now", error);
        if (feature.nature == Nature::WriteOnly)
            return fail(ErrorKind::NotReadable, "not readable", error);
        if (failRead && !failRead(name, error))
            return false;
        *value = this->value(name);
        return true;
    }
    bool write(const std::string &name, const FeatureValue &value, Error *error) override
    {
        writes.push_back(name + "=" + genicam::configuration::readText(value));
        auto found = features.find(name);
        if (found == features.end())
            return fail(ErrorKind::NoSuchFeature, "no such feature", error);
        Feature &feature = found->second;
        if (value.form != feature.facts.form)
            return fail(ErrorKind::BadValueText, "a value of another form", error);
        if (feature.available && !feature.available())
            return fail(ErrorKind::NotAvailable, "not available now", error);
        if (feature.locked && feature.locked())
            return fail(ErrorKind::Locked, "locked", error);
        if (feature.nature == Nature::ReadOnly)
            return fail(ErrorKind::NotWritable, "not writable", error);
        if (!inBounds(feature, value, error))
            return false;
        if (failWrite && !failWrite(name, value, error))
            return false;
        FeatureValue kept = value;
        if (feature.stored)
            kept.floating = feature.stored(value.floating);
        if (feature.storedInteger)
            kept.integer = feature.storedInteger(value.integer);
        feature.values[selection(feature)] = kept;
        return true;
    }

private:
    static bool fail(ErrorKind kind, const std::string &text, Error *error)
    {
        error->kind = kind;
        error->text = text;
        return false;
    }
    bool usable(Feature &feature, const std::string &entry)
    {
        auto rule = feature.entryAvailable.find(entry);
        return rule == feature.entryAvailable.end() || rule->second();
    }
    std::string range(int64_t min, int64_t max) { return "(" + std::to_string(min) + " to " + std::to_string(max) + ")"; }
    bool inBounds(Feature &feature, const FeatureValue &value, Error *error)
    {
        switch (value.form) {
        case ValueForm::Integer:
            if (value.integer < feature.min())
                return fail(ErrorKind::BelowMinimum, "below the minimum " + range(feature.min(), feature.max()), error);
            if (value.integer > feature.max())
                return fail(ErrorKind::AboveMaximum, "above the maximum " + range(feature.min(), feature.max()), error);
            if ((value.integer - feature.min()) % feature.inc != 0)
                return fail(ErrorKind::NotOnIncrement, "not on the increment", error);
            return true;
        case ValueForm::Float:
            if (value.floating < feature.floatMin)
                return fail(ErrorKind::BelowMinimum, "below the minimum", error);
            if (value.floating > feature.floatMax)
                return fail(ErrorKind::AboveMaximum, "above the maximum", error);
            return true;
        case ValueForm::Enumeration:
            for (const EntryFacts &entry : feature.entries)
                if (entry.name == value.text)
                    return usable(feature, entry.name) ||
                           fail(ErrorKind::NotAnEntry, value.text + " is not available now", error);
            return fail(ErrorKind::NotAnEntry, "not an entry", error);
        case ValueForm::Register:
            return value.bytes.size() == feature.length || fail(ErrorKind::BadValueText, "wrong length", error);
        default:
            return true;
        }
    }
    // The values of a feature's selectors now, as the key of its value.
    std::string selection(Feature &feature)
    {
        std::string key;
        if (feature.oneValue)
            return key;
        for (const std::string &selector : feature.facts.selectors)
            key += (key.empty() ? "" : ",") + selector + "=" + text(selector);
        return key;
    }
};

} // namespace model

#endif

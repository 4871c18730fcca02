// Saving a camera's configuration: every Streamable feature readable and
// writable now, a selected one once per value of its selectors, the
// selectors set back as they were.
#include <set>

#include "configuration/Configuration.h"
#include "configuration/ConfigurationPlan.h"

namespace genicam {

using namespace configuration;

namespace {

// An Integer selector with more values than this is not walked.
const int64_t kMaxSelectorValues = 65536;

class Saver {
public:
    Saver(CameraFeatures &camera) : camera_(camera), catalog_(camera), selectors_(camera, catalog_) {}

    // Saves every feature of the category tree; false with reason.
    bool saveAll();
    // Sets back every selector still moved (after a failure).
    bool putBack(Error *error) { return selectors_.putBack(false, error); }

    std::vector<ConfigurationEntry> lines;
    std::string reason;
    std::set<std::string> selectorsSaved;

private:
    // A selector line waiting for a feature line under it.
    struct Pending {
        std::string selector, text;
        bool written = false;
    };

    bool saveFeature(const std::string &name);
    bool walk(const std::string &name, const Known &known, size_t depth);
    bool saveValue(const std::string &name);
    bool selectorValues(const std::string &selector, std::vector<FeatureValue> *values, bool *walked);
    bool addLine(const std::string &name, const std::string &text);
    bool failed(const std::string &what, const Error &error);
    std::string where(const std::string &name) const;

    CameraFeatures &camera_;
    Catalog catalog_;
    Selectors selectors_;
    std::vector<Pending> pending_;
};

bool Saver::saveAll()
{
    std::vector<std::string> names;
    Error error;
    if (!camera_.categoryOrder(&names, &error))
        return failed("the features", error);
    for (const std::string &name : names)
        if (!saveFeature(name))
            return false;
    return true;
}

bool Saver::saveFeature(const std::string &name)
{
    const Known &known = catalog_.known(name);
    if (!known.found) {
        // A node that holds no value (or that the description gets wrong)
        // is not part of a configuration.
        if (known.error.kind == ErrorKind::NoSuchFeature || known.error.kind == ErrorKind::FaultyDescription)
            return true;
        return failed(name, known.error);
    }
    if (!known.facts.streamable || known.facts.form == ValueForm::Command)
        return true;
    return walk(name, known, 0);
}

// Saves the feature for every value of its selectors from depth on.
bool Saver::walk(const std::string &name, const Known &known, size_t depth)
{
    if (depth == known.selectors.size())
        return saveValue(name);
    const std::string &selector = known.selectors[depth];
    Setting first;
    Error error;
    if (!selectors_.original(selector, &first, &error))
        return failed(name, error);
    std::vector<FeatureValue> values;
    bool walked = false;
    if (!selectorValues(selector, &values, &walked))
        return false;
    if (!walked)  // not writable now: the feature as its selector stands
        return walk(name, known, depth + 1);
    // What the selector holds here, which may differ from its first value
    // when an outer selector selects it too.
    FeatureValue atStart;
    std::string startText;
    if (!camera_.read(selector, &atStart, &error) || !formatFileValue(atStart, &startText, &error))
        return failed(where(selector), error);
    bool written = false;
    for (const FeatureValue &value : values) {
        std::string text;
        if (!formatFileValue(value, &text, &error))
            return failed(selector, error);
        if (!selectors_.set(selector, value, text, &error))
            return failed(name, error);
        pending_.push_back(Pending{selector, text});
        bool saved = walk(name, known, depth + 1);
        written |= pending_.back().written;
        pending_.pop_back();
        if (!saved)
            return false;
    }
    if (!selectors_.set(selector, atStart, startText, &error))
        return failed(name, error);
    return !written || addLine(selector, startText);
}

// The values a selector is walked through: its usable entries, its Integer
// range, or false and true; walked false when it cannot be written now.
bool Saver::selectorValues(const std::string &selector, std::vector<FeatureValue> *values, bool *walked)
{
    const Known &known = catalog_.known(selector);
    FeatureAccess access;
    Error error;
    if (!camera_.access(selector, &access, &error))
        return failed(selector, error);
    *walked = access.readable && access.writable;
    if (!*walked)
        return true;
    FeatureValue value;
    value.form = known.facts.form;
    switch (known.facts.form) {
    case ValueForm::Enumeration: {
        std::vector<EntryFacts> entries;
        if (!camera_.entries(selector, &entries, &error))
            return failed(selector, error);
        for (const EntryFacts &entry : entries) {
            value.text = entry.name;
            value.integer = entry.value;
            if (entry.usable)
                values->push_back(value);
        }
        return true;
    }
    case ValueForm::Integer: {
        IntegerRange range;
        if (!camera_.range(selector, &range, &error))
            return failed(selector, error);
        int64_t step = range.inc > 0 ? range.inc : 1;
        if (range.max >= range.min && ((uint64_t)range.max - (uint64_t)range.min) / (uint64_t)step >=
                                          (uint64_t)kMaxSelectorValues)
            return failed(selector, Error{ErrorKind::FaultyDescription,
                                          "selects more than " + std::to_string(kMaxSelectorValues) + " values"});
        for (int64_t at = range.min; at <= range.max; at += step) {
            value.integer = at;
            values->push_back(value);
            if (range.max - at < step)
                break;
        }
        return true;
    }
    case ValueForm::Boolean:
        value.integer = 0;
        values->push_back(value);
        value.integer = 1;
        values->push_back(value);
        return true;
    default:
        // A selector of another form is not walked: the feature as it stands.
        *walked = false;
        return true;
    }
}

// The feature's line, when it is readable and writable now, after the
// selector lines it waits for.
bool Saver::saveValue(const std::string &name)
{
    FeatureAccess access;
    Error error;
    if (!camera_.access(name, &access, &error)) {
        if (error.kind == ErrorKind::FaultyDescription)
            return true;
        return failed(where(name), error);
    }
    if (!access.readable || !access.writable)
        return true;
    FeatureValue value;
    std::string text;
    if (!camera_.read(name, &value, &error) || !writableBack(catalog_.known(name), name, value, &error))
        return failed(where(name), error);
    if (!formatFileValue(value, &text, &error))
        return failed(where(name), error);
    for (Pending &selector : pending_) {
        if (selector.written)
            continue;
        if (!addLine(selector.selector, selector.text))
            return false;
        selector.written = true;
    }
    return addLine(name, text);
}

bool Saver::addLine(const std::string &name, const std::string &text)
{
    if (lines.size() == kMaxConfigurationEntries)
        return failed("the camera", Error{ErrorKind::FaultyDescription,
                                          "more than " + std::to_string(kMaxConfigurationEntries) + " values"});
    if (catalog_.isSelector(name))
        selectorsSaved.insert(name);
    ConfigurationEntry line;
    line.name = name;
    line.value = text;
    lines.push_back(std::move(line));
    return true;
}

// A feature's name with the selector values it is read at.
std::string Saver::where(const std::string &name) const
{
    ValueName value;
    value.feature = name;
    for (const Pending &selector : pending_)
        value.selectors.emplace_back(selector.selector, selector.text);
    return value.text();
}

bool Saver::failed(const std::string &what, const Error &error)
{
    if (reason.empty())
        reason = what + ": " + error.text;
    return false;
}

} // namespace

SaveResult saveConfiguration(CameraFeatures &camera, const ConfigurationHeader &header)
{
    SaveResult result;
    Saver saver(camera);
    bool saved = saver.saveAll();
    Error error;
    if (!saver.putBack(&error)) {
        result.reason = (saved ? "" : saver.reason + "; ") + "a selector could not be set back: " + error.text;
        return result;
    }
    if (!saved) {
        result.reason = saver.reason;
        return result;
    }
    size_t selectorLines = 0;
    for (const ConfigurationEntry &line : saver.lines)
        selectorLines += saver.selectorsSaved.count(line.name);
    result.values = saver.lines.size() - selectorLines + saver.selectorsSaved.size();
    result.saved = writeConfigurationFile(header, saver.lines, &result.file, &result.reason);
    return result;
}

} // namespace genicam

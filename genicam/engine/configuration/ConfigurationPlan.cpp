#include "configuration/ConfigurationPlan.h"

#include <algorithm>

#include "numbers/Text.h"

namespace genicam {

std::string ValueName::text() const
{
    if (selectors.empty())
        return feature;
    std::string text = feature + " [";
    for (size_t i = 0; i < selectors.size(); i++)
        text += (i > 0 ? ", " : "") + selectors[i].first + "=" + selectors[i].second;
    return text + "]";
}

namespace configuration {

bool waitsForAnother(ErrorKind kind)
{
    return kind == ErrorKind::NotAvailable || kind == ErrorKind::BelowMinimum || kind == ErrorKind::AboveMaximum ||
           kind == ErrorKind::NotAnEntry;
}

bool parseFileValue(const std::string &name, ValueForm form, std::string_view text,
                    const std::vector<EntryFacts> &entries, FeatureValue *value, Error *error)
{
    if (form == ValueForm::Command || form == ValueForm::None)
        return fail(error, ErrorKind::NotWritable, "a command: it is executed, not set from a file");
    if (form != ValueForm::Enumeration)
        return parseValue(form, text, value, error, kQuotedBytes);
    std::vector<EntryName> names;
    for (const EntryFacts &entry : entries)
        names.push_back(EntryName{entry.name, entry.value});
    long found = findEntry(names, text);
    if (found < 0) {
        std::vector<std::string_view> listed;
        for (const EntryName &entry : names)
            listed.push_back(entry.name);
        return notAnEntry(name, listed, error);
    }
    *value = FeatureValue();
    value->form = form;
    value->text = entries[(size_t)found].name;
    value->integer = entries[(size_t)found].value;
    return true;
}

bool writableBack(const Known &known, const std::string &name, const FeatureValue &value, Error *error)
{
    if (value.form != ValueForm::Enumeration)
        return true;
    for (const EntryFacts &entry : known.entries)
        if (entry.value == value.integer)
            return true;
    return fail(error, ErrorKind::NotImplemented,
                name + " holds " + std::to_string(value.integer) + ", the value of its entry " + value.text +
                    ", which is not implemented");
}

const Known &Catalog::known(const std::string &name)
{
    auto found = known_.find(name);
    if (found != known_.end())
        return found->second;
    Known &feature = known_[name];
    if (!camera_.info(name, &feature.facts, &feature.error))
        return feature;
    if (feature.facts.form == ValueForm::None) {
        fail(&feature.error, ErrorKind::NoSuchFeature, "a " + feature.facts.type + " node, which holds no value");
        return feature;
    }
    if (feature.facts.form == ValueForm::Enumeration && !camera_.entries(name, &feature.entries, &feature.error))
        return feature;
    if (feature.facts.selectors.size() > kMaxSelectors) {
        fail(&feature.error, ErrorKind::FaultyDescription,
             "the description gives " + name + " more than " + std::to_string(kMaxSelectors) + " selectors");
        return feature;
    }
    orderSelectors(&feature);
    feature.found = feature.error.text.empty();
    return feature;
}

// Outer selectors first: a selector that selects another of the feature's
// selectors comes before it; otherwise document order.
void Catalog::orderSelectors(Known *feature)
{
    std::vector<std::string> left;
    std::vector<std::vector<std::string>> selects;
    for (const std::string &selector : feature->facts.selectors) {
        if (std::find(left.begin(), left.end(), selector) != left.end())
            continue;
        FeatureInfo facts;
        Error error;
        if (!camera_.info(selector, &facts, &error)) {
            fail(&feature->error, error.kind, "its selector " + selector + ": " + error.text);
            return;
        }
        left.push_back(selector);
        selects.push_back(facts.selected);
    }
    while (!left.empty()) {
        size_t pick = 0;
        for (size_t candidate = 0; candidate < left.size(); candidate++) {
            bool inner = false;
            for (size_t other = 0; other < left.size() && !inner; other++)
                inner = other != candidate && std::find(selects[other].begin(), selects[other].end(),
                                                        left[candidate]) != selects[other].end();
            if (!inner) {
                pick = candidate;
                break;
            }
        }
        feature->selectors.push_back(left[pick]);
        left.erase(left.begin() + (long)pick);
        selects.erase(selects.begin() + (long)pick);
    }
}

bool Selectors::original(const std::string &selector, Setting *setting, Error *error)
{
    auto found = first_.find(selector);
    if (found != first_.end()) {
        *setting = found->second;
        return true;
    }
    const Known &known = catalog_.known(selector);
    if (!known.found)
        return fail(error, known.error.kind, "its selector " + selector + ": " + known.error.text);
    if (!now(selector, setting, error))
        return false;
    first_[selector] = *setting;
    return true;
}

// What a selector holds now: as known, or read.
bool Selectors::now(const std::string &selector, Setting *setting, Error *error)
{
    setting->selector = selector;
    auto held = now_.find(selector);
    if (held != now_.end()) {
        setting->value = held->second;
    } else {
        Error read;
        if (!camera_.read(selector, &setting->value, &read) ||
            !writableBack(catalog_.known(selector), selector, setting->value, &read))
            return fail(error, read.kind, "its selector " + selector + " cannot be read: " + read.text);
        now_[selector] = setting->value;
    }
    setting->text = formatValue(setting->value);
    return true;
}

// Keeps what a selector holds, with its own selectors' values, unless kept
// for those already.
bool Selectors::keep(const std::string &selector, Error *error)
{
    Setting ignored;
    if (!original(selector, &ignored, error))
        return false;
    Original held;
    for (const std::string &outer : catalog_.known(selector).selectors) {
        Setting value;
        if (!now(outer, &value, error))
            return false;
        held.context.push_back(value);
    }
    std::string key = valueKey(selector, held.context);
    if (kept_.count(key))
        return true;
    if (!now(selector, &held.setting, error))
        return false;
    kept_[key] = originals_.size();
    originals_.push_back(held);
    return true;
}

bool Selectors::enter(const std::vector<Setting> &context, Error *error)
{
    for (const Setting &setting : context)
        if (!set(setting.selector, setting.value, setting.text, error))
            return false;
    return true;
}

bool Selectors::set(const std::string &selector, const FeatureValue &value, const std::string &text, Error *error)
{
    if (!keep(selector, error))
        return false;
    auto held = now_.find(selector);
    if (held != now_.end() && sameValue(value, held->second, 0) &&
        (value.form != ValueForm::Float || value.floating == held->second.floating))
        return true;
    Error written;
    if (!camera_.write(selector, value, &written)) {
        now_.erase(selector);
        return fail(error, written.kind,
                    "its selector " + selector + " cannot be set to " + text + ": " + written.text);
    }
    wrote(selector, value);
    return true;
}

bool Selectors::aboutToWrite(const std::string &selector, Error *error)
{
    return keep(selector, error);
}

void Selectors::wrote(const std::string &selector, const FeatureValue &value)
{
    now_[selector] = value;
    forgetSelected(selector);
}

// A selector's value may change what the selectors it selects hold.
void Selectors::forgetSelected(const std::string &selector)
{
    for (const std::string &selected : catalog_.known(selector).facts.selected)
        if (selected != selector)
            now_.erase(selected);
}

// The last kept first, as moves are undone: whether a selector holds one
// value for each value of its outer selectors or one for all (as many
// cameras do, whatever their description says), each ends as it was; and an
// outer selector moved to set an inner one back is set back after it.
bool Selectors::putBack(bool verify, Error *error, size_t *failures, std::string *which)
{
    std::vector<Original> order(originals_.rbegin(), originals_.rend());
    size_t failed = 0;
    for (const Original &first : order) {
        const std::string &selector = first.setting.selector;
        Error failure;
        FeatureValue read;
        bool back = enter(first.context, &failure) &&
                    set(selector, first.setting.value, first.setting.text, &failure) &&
                    (!verify || camera_.read(selector, &read, &failure));
        if (back && verify && !sameValue(first.setting.value, read, 0)) {
            back = fail(&failure, ErrorKind::None,
                        "its selector " + selector + " read back as " + formatValue(read) + ", not " +
                            first.setting.text);
            now_.erase(selector);
        }
        if (!back && failed++ == 0) {
            *error = failure;
            if (which)
                *which = selector;
        }
    }
    if (failures)
        *failures = failed;
    return failed == 0;
}

ValueName Item::valueName() const
{
    ValueName name;
    name.feature = this->name;
    for (const Setting &setting : context)
        name.selectors.emplace_back(setting.selector, setting.text);
    return name;
}

std::string valueKey(const std::string &name, const std::vector<Setting> &context)
{
    std::string key = name + "\n";
    for (const Setting &setting : context) {
        std::string text;
        Error ignored;
        formatFileValue(setting.value, &text, &ignored);
        key += setting.selector + "=" + text + "\n";
    }
    return key;
}

namespace {

bool unusable(Item *item, const Error &error)
{
    item->usable = false;
    item->fault = error;
    return false;
}

// Checks and parses one entry, with the selectors in force.
bool planEntry(Item *item, const std::map<std::string, Setting> &inForce, Catalog &catalog, Selectors &selectors)
{
    const Known &known = catalog.known(item->name);
    if (!known.found)
        return unusable(item, known.error);
    item->selector = !known.facts.selected.empty();
    Error error;
    if (!parseFileValue(item->name, known.facts.form, item->text, known.entries, &item->value, &error))
        return unusable(item, error);
    if (known.facts.form == ValueForm::Float)
        item->halfUnit = halfUnitOf(item->text);
    for (const std::string &selector : known.selectors) {
        auto set = inForce.find(selector);
        Setting setting;
        if (set != inForce.end())
            setting = set->second;
        else if (!selectors.original(selector, &setting, &error))
            return unusable(item, error);
        item->context.push_back(setting);
    }
    Setting first;
    if (item->selector && !selectors.original(item->name, &first, &error))
        return unusable(item, error);
    return true;
}

} // namespace

std::vector<Item> planEntries(const std::vector<ConfigurationEntry> &entries, Catalog &catalog,
                              Selectors &selectors)
{
    std::vector<Item> items(entries.size());
    std::map<std::string, Setting> inForce;
    for (size_t i = 0; i < entries.size(); i++) {
        Item &item = items[i];
        item.line = entries[i].line;
        item.name = entries[i].name;
        item.text = entries[i].value;
        if (planEntry(&item, inForce, catalog, selectors) && item.selector)
            inForce[item.name] = Setting{item.name, item.value, std::string(engine::trim(item.text))};
        item.key = valueKey(item.name, item.context);
    }
    // Each value reads back as the last line that sets it; a selector's
    // line counts only at its last.
    std::map<std::string, size_t> last;
    for (size_t i = items.size(); i-- > 0;) {
        Item &item = items[i];
        const std::string &key = item.selector ? item.name : item.key;
        auto later = last.find(key);
        if (later == last.end()) {
            last[key] = i;
            item.expected = i;
            continue;
        }
        item.expected = later->second;
        item.counted = !item.selector;
    }
    return items;
}

bool readItem(CameraFeatures &camera, Selectors &selectors, const Item &item, FeatureValue *value, Error *error)
{
    if (item.selector && item.context.empty()) {
        Setting first;
        if (!selectors.original(item.name, &first, error))
            return false;
        *value = first.value;
        return true;
    }
    return selectors.enter(item.context, error) && camera.read(item.name, value, error);
}

size_t countValues(const std::vector<Item> &items)
{
    size_t values = 0;
    for (const Item &item : items)
        values += item.counted;
    return values;
}

} // namespace configuration
} // namespace genicam

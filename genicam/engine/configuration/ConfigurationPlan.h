// What saving, applying and comparing share: the description's facts looked
// up once per feature, the selectors as the camera holds them (set only when
// they must move, and set back), and a file's lines as values, each with the
// selectors in force at it.
#ifndef GENICAM_ENGINE_CONFIGURATIONPLAN_H
#define GENICAM_ENGINE_CONFIGURATIONPLAN_H

#include <stddef.h>

#include <map>
#include <string>
#include <vector>

#include "configuration/CameraFeatures.h"
#include "configuration/Configuration.h"

namespace genicam {
namespace configuration {

// A feature has at most this many selectors; more is a faulty description.
const size_t kMaxSelectors = 16;

// True for an error that another feature may lift: not available now, out
// of the bounds others set, or an entry not usable now.
bool waitsForAnother(ErrorKind kind);

// A file's text as a value of the feature name, of form, as the codec
// reads it (Value.h, quoting at most kQuotedBytes of it); an Enumeration's
// entry among entries (its implemented ones); a Command refused.
bool parseFileValue(const std::string &name, ValueForm form, std::string_view text,
                    const std::vector<EntryFacts> &entries, FeatureValue *value, Error *error);

// A feature as the description gives it.
struct Known {
    bool found = false;
    Error error;                         // why not found
    FeatureInfo facts;
    std::vector<std::string> selectors;  // its selectors, outer first
    std::vector<EntryFacts> entries;     // an Enumeration's implemented entries
};

// The description's facts, asked of the camera once per feature.
class Catalog {
public:
    explicit Catalog(CameraFeatures &camera) : camera_(camera) {}

    const Known &known(const std::string &name);
    bool isSelector(const std::string &name) { return !known(name).facts.selected.empty(); }

private:
    void orderSelectors(Known *feature);

    CameraFeatures &camera_;
    std::map<std::string, Known> known_;
};

// A selector set to a value.
struct Setting {
    std::string selector;
    FeatureValue value;
    std::string text;  // as messages show it
};

// Whether a value read of a feature (known as described) could be written
// back: not an Enumeration's entry that is not implemented, which a read
// gives as the camera holds it, but which a configuration could neither
// restore nor apply.  Refused (NotImplemented) as such a read once was.
bool writableBack(const Known &known, const std::string &name, const FeatureValue &value, Error *error);

// The selectors as the camera holds them: each written only when not known
// to hold the value wanted; what each held before it was first moved, for
// each value of its own selectors it was moved at, to set it back.
class Selectors {
public:
    Selectors(CameraFeatures &camera, Catalog &catalog) : camera_(camera), catalog_(catalog) {}

    // The value the selector held when first asked.
    bool original(const std::string &selector, Setting *setting, Error *error);
    // Sets each selector of context, outer first; the error names the
    // selector that could not be set, with its kind.
    bool enter(const std::vector<Setting> &context, Error *error);
    // Sets one selector to value.
    bool set(const std::string &selector, const FeatureValue &value, const std::string &text, Error *error);
    // Before selector is written by other means: keeps what it holds.
    bool aboutToWrite(const std::string &selector, Error *error);
    // After selector was written to value by other means.
    void wrote(const std::string &selector, const FeatureValue &value);
    // After a write of selector failed: what it holds is not known.
    void forget(const std::string &selector) { now_.erase(selector); }
    // Knows what other knows the selectors hold now.
    void know(const Selectors &other) { now_ = other.now_; }
    // Sets every selector moved back to what it held (with its own
    // selectors as they were then), the last moved first, and with verify
    // reads each back; false with the first that failed (and which), and
    // how many did.
    bool putBack(bool verify, Error *error, size_t *failures = nullptr, std::string *which = nullptr);

private:
    struct Original {
        Setting setting;
        std::vector<Setting> context;  // its own selectors' values
    };

    bool now(const std::string &selector, Setting *setting, Error *error);
    bool keep(const std::string &selector, Error *error);
    void forgetSelected(const std::string &selector);

    CameraFeatures &camera_;
    Catalog &catalog_;
    std::map<std::string, Setting> first_;  // when first asked
    std::vector<Original> originals_;       // before each first move, in order
    std::map<std::string, size_t> kept_;    // key of each original -> index
    std::map<std::string, FeatureValue> now_;  // known to hold
};

// One line of a file as a value.
struct Item {
    size_t line = 0;
    std::string name;
    std::string text;  // the value as the file has it
    bool usable = true;
    Error fault;  // why not usable
    FeatureValue value;
    double halfUnit = 0;  // a Float's tolerance from the file's decimals
    std::vector<Setting> context;  // the selectors in force at it, outer first
    bool selector = false;         // the feature is a selector
    bool counted = true;           // counts as a value of the file
    size_t expected = 0;           // the item whose value it must read back as
    std::string key;               // the feature with its selectors' values

    ValueName valueName() const;
};

// The file's entries as values, in file order: each checked against the
// description and parsed, with the selectors in force at it (a selector the
// file has not set by then at its original value).
std::vector<Item> planEntries(const std::vector<ConfigurationEntry> &entries, Catalog &catalog,
                              Selectors &selectors);

// The values the items count as.
size_t countValues(const std::vector<Item> &items);

// What applying and comparing a file both begin with: the description's
// facts, the selectors as the camera holds them, and the file's entries as
// values (planEntries), counted.
struct Plan {
    Plan(CameraFeatures &camera, const std::vector<ConfigurationEntry> &entries)
        : catalog(camera), selectors(camera, catalog), items(planEntries(entries, catalog, selectors)),
          values(countValues(items))
    {
    }

    Catalog catalog;
    Selectors selectors;
    std::vector<Item> items;
    size_t values;  // the file's
};

// The camera's value of an item, read with the item's selectors set; a
// selector that no selector selects as it was before anything moved it.
bool readItem(CameraFeatures &camera, Selectors &selectors, const Item &item, FeatureValue *value, Error *error);

// The key of a feature with the selectors in force.
std::string valueKey(const std::string &name, const std::vector<Setting> &context);

} // namespace configuration
} // namespace genicam

#endif

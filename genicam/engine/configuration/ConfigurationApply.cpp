// Applying a configuration file: keep, write with deferral, verify, and
// restore what was kept when anything failed.
#include <algorithm>
#include <map>

#include "configuration/Configuration.h"
#include "configuration/ConfigurationPlan.h"

namespace genicam {

using namespace configuration;

namespace {

// A feature's value (with its selectors) before the file was applied.
struct Kept {
    size_t first = 0;  // the first item that writes it
    FeatureValue value;
    bool have = false;
    bool late = false;     // not readable at first for another feature: kept just before it was first written
    bool written = false;  // written, or a write failed in a way that may have changed it
    size_t order = 0;      // when it was first written, counted over the apply's writes
};

enum class Outcome { Written, Deferred, Failed };

// Writes and verifies items over one camera.  With keeping, each feature's
// value is read and kept before it is first written.
class Writer {
public:
    Writer(CameraFeatures &camera, Catalog &catalog, Selectors &selectors, std::vector<Item> &items, bool keeping)
        : camera_(camera), catalog_(catalog), selectors_(selectors), items_(items), keeping_(keeping)
    {
    }

    // Step 1: keeps every value the items write; false when an item cannot
    // be used (a failure each).
    bool keep();
    // Step 2: writes the items in order, deferring, then retrying the
    // deferred ones for as long as a pass makes progress; after retries,
    // sets the selectors again as the items leave them.
    void write();
    // Step 3: reads every counted value back with its selectors set, then
    // sets the selectors back as step 2 left them.
    void verify();

    std::map<size_t, Error> failures;  // item index -> why
    std::map<std::string, Kept> kept;  // by item key

private:
    Outcome attempt(size_t index, Error *error);
    Outcome keepNow(Kept *kept, const Item &item, Error *error);
    void settle();
    void verifyItem(Selectors &checking, size_t index);
    bool fail(size_t index, const Error &error)
    {
        failures.emplace(index, error);
        return false;
    }

    // Marks a kept value written, in the order of first writes.
    void written(Kept *value)
    {
        if (!value->written)
            value->order = writes_++;
        value->written = true;
    }

    CameraFeatures &camera_;
    Catalog &catalog_;
    Selectors &selectors_;
    std::vector<Item> &items_;
    bool keeping_;
    size_t writes_ = 0;
};

Outcome classify(const Error &error)
{
    return waitsForAnother(error.kind) ? Outcome::Deferred : Outcome::Failed;
}

// The items' indexes, those with the same selector values together (in file
// order among them), so that reading them moves each selector as little as
// possible.
std::vector<size_t> byContext(const std::vector<Item> &items)
{
    std::vector<size_t> order(items.size());
    for (size_t i = 0; i < order.size(); i++)
        order[i] = i;
    auto context = [&items](size_t index) {
        const std::string &key = items[index].key;
        return std::string_view(key).substr(key.find('\n') + 1);
    };
    std::stable_sort(order.begin(), order.end(), [&context](size_t a, size_t b) { return context(a) < context(b); });
    return order;
}

// The order values are kept in: the selectors' first, outer ones first, each
// read before keeping the other values moves it (a value selector that is
// one register for every value of its outer selector would else be kept as
// this walk left it); then the others, by their selectors' values.
std::vector<size_t> keepingOrder(const std::vector<Item> &items)
{
    std::vector<size_t> order;
    for (size_t i = 0; i < items.size(); i++)
        if (items[i].selector)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&items](size_t a, size_t b) { return items[a].context.size() < items[b].context.size(); });
    for (size_t i : byContext(items))
        if (!items[i].selector)
            order.push_back(i);
    return order;
}

bool Writer::keep()
{
    for (size_t i : keepingOrder(items_)) {
        Item &item = items_[i];
        if (!item.usable) {
            fail(i, item.fault);
            continue;
        }
        if (kept.count(item.key))
            continue;
        Kept &value = kept[item.key];
        value.first = i;
        Error error;
        Outcome outcome = keepNow(&value, item, &error);
        if (outcome == Outcome::Deferred)
            value.late = true;
        else if (outcome == Outcome::Failed)
            fail(i, error);
    }
    return failures.empty();
}

// Reads and keeps the value an item is about to change.
Outcome Writer::keepNow(Kept *value, const Item &item, Error *error)
{
    if (!readItem(camera_, selectors_, item, &value->value, error) ||
        !writableBack(catalog_.known(item.name), item.name, value->value, error))
        return classify(*error);
    if (item.value.form == ValueForm::Register && value->value.bytes.size() != item.value.bytes.size()) {
        genicam::fail(error, ErrorKind::BadValueText,
                      std::to_string(item.value.bytes.size()) + " bytes, but " + item.name + " is a register of " +
                          std::to_string(value->value.bytes.size()));
        return Outcome::Failed;
    }
    value->have = true;
    return Outcome::Written;
}

Outcome Writer::attempt(size_t index, Error *error)
{
    Item &item = items_[index];
    Kept *value = nullptr;
    if (keeping_) {
        value = &kept[item.key];
        if (!value->have) {
            Outcome outcome = keepNow(value, item, error);
            if (outcome != Outcome::Written)
                return outcome;
        }
    }
    if (!selectors_.enter(item.context, error) || (item.selector && !selectors_.aboutToWrite(item.name, error)))
        return classify(*error);
    if (!camera_.write(item.name, item.value, error)) {
        // A write that failed in the middle may have changed the camera.
        if (value && error->kind == ErrorKind::RegisterIo)
            written(value);
        if (item.selector)
            selectors_.forget(item.name);
        return classify(*error);
    }
    if (value)
        written(value);
    if (item.selector)
        selectors_.wrote(item.name, item.value);
    return Outcome::Written;
}

void Writer::write()
{
    std::vector<std::pair<size_t, Error>> deferred;
    for (size_t i = 0; i < items_.size(); i++) {
        if (!items_[i].usable || failures.count(i))
            continue;
        Error error;
        Outcome outcome = attempt(i, &error);
        if (outcome == Outcome::Deferred)
            deferred.emplace_back(i, error);
        else if (outcome == Outcome::Failed)
            fail(i, error);
    }
    bool progress = true, retried = !deferred.empty();
    while (!deferred.empty() && progress) {
        progress = false;
        std::vector<std::pair<size_t, Error>> still;
        for (auto &line : deferred) {
            Outcome outcome = attempt(line.first, &line.second);
            progress |= outcome == Outcome::Written;
            if (outcome == Outcome::Deferred)
                still.push_back(line);
            else if (outcome == Outcome::Failed)
                fail(line.first, line.second);
        }
        deferred.swap(still);
    }
    for (const auto &line : deferred)
        fail(line.first, line.second);
    if (retried)
        settle();
}

// Retried lines set their selectors out of file order: every selector line
// is set again, in file order, with its own selectors.
void Writer::settle()
{
    for (size_t i = 0; i < items_.size(); i++) {
        const Item &item = items_[i];
        Error error;
        if (item.usable && item.selector && !failures.count(i) &&
            (!selectors_.enter(item.context, &error) ||
             !selectors_.set(item.name, item.value, formatValue(item.value), &error)))
            fail(i, error);
    }
}

void Writer::verify()
{
    // Values are read with their selectors set, which are then set back as
    // step 2 left them.  The selectors come first, outer ones first, each
    // read before anything but its outer selectors moved.
    Selectors checking(camera_, catalog_);
    checking.know(selectors_);
    std::vector<size_t> selectorItems;
    for (size_t i = 0; i < items_.size(); i++)
        if (items_[i].selector)
            selectorItems.push_back(i);
    std::stable_sort(selectorItems.begin(), selectorItems.end(),
                     [this](size_t a, size_t b) { return items_[a].context.size() < items_[b].context.size(); });
    for (size_t i : selectorItems)
        verifyItem(checking, i);
    for (size_t i : byContext(items_))
        if (!items_[i].selector)
            verifyItem(checking, i);
    Error error;
    std::string selector;
    if (!checking.putBack(false, &error, nullptr, &selector)) {
        for (size_t i = items_.size(); i-- > 0;)
            if (items_[i].name == selector) {
                fail(i, error);
                break;
            }
    }
    selectors_.know(checking);
}

// A value is read back with its selectors set; a selector at its last line,
// with its own selectors set as they are there.
void Writer::verifyItem(Selectors &checking, size_t index)
{
    const Item &item = items_[index];
    if (!item.usable || !item.counted || failures.count(index) || failures.count(item.expected))
        return;
    const Item &wanted = items_[item.expected];
    FeatureValue read;
    Error error;
    if (!checking.enter(item.context, &error) || !camera_.read(item.name, &read, &error)) {
        fail(index, error);
        return;
    }
    if (!sameValue(wanted.value, read, wanted.halfUnit))
        fail(index, Error{ErrorKind::None, "read back as " + formatValue(read)});
}

// The kept values as items to write back: the others in the reverse order
// of their first writes, which undoes what one write allowed before the
// write it allowed (a frame rate before its enable, Width before the
// OffsetX that made room for it); then the selectors' own, inner ones
// first, in the order the file first wrote them.
std::vector<Item> restoreItems(const std::vector<Item> &items, const std::map<std::string, Kept> &kept,
                               std::vector<bool> *late)
{
    std::vector<std::pair<size_t, const Kept *>> written;
    for (const auto &value : kept)
        if (value.second.written && value.second.have)
            written.emplace_back(value.second.first, &value.second);
    // Selectors last, inner ones first: writing the others moves them.
    auto rank = [&items](const std::pair<size_t, const Kept *> &value) {
        const Item &item = items[value.first];
        return item.selector ? kMaxSelectors + 1 - item.context.size() : 0;
    };
    std::sort(written.begin(), written.end(),
              [&rank](const std::pair<size_t, const Kept *> &a, const std::pair<size_t, const Kept *> &b) {
                  if (rank(a) != rank(b))
                      return rank(a) < rank(b);
                  return rank(a) == 0 ? a.second->order > b.second->order : a.first < b.first;
              });
    std::vector<Item> restore;
    for (const auto &value : written) {
        const Item &from = items[value.first];
        Item item;
        item.line = from.line;
        item.name = from.name;
        item.value = value.second->value;
        item.text = formatValue(item.value);
        item.context = from.context;
        item.selector = from.selector;
        item.key = from.key;
        item.expected = restore.size();
        restore.push_back(item);
        late->push_back(value.second->late);
    }
    return restore;
}

// Why a restore failed: the first failure, naming its value.
std::string restoreFailure(const std::vector<Item> &items, const std::map<size_t, Error> &failures,
                           const std::vector<bool> &late, size_t *count)
{
    std::string reason;
    *count = 0;
    for (const auto &failure : failures) {
        // A value that could not be read at first, for another feature, may
        // well be out of reach again once the others are back.
        if (late[failure.first] && failure.second.kind == ErrorKind::NotAvailable)
            continue;
        if (reason.empty())
            reason = items[failure.first].valueName().text() + ": " + failure.second.text;
        ++*count;
    }
    return reason;
}

// Writes the kept values back, by the same steps, and sets the selectors
// back; false with the reason when any of it failed.
bool restore(CameraFeatures &camera, Catalog &catalog, Selectors &selectors, const std::vector<Item> &items,
             const std::map<std::string, Kept> &kept, std::string *reason)
{
    std::vector<bool> late;
    std::vector<Item> back = restoreItems(items, kept, &late);
    Writer writer(camera, catalog, selectors, back, false);
    writer.write();
    writer.verify();
    size_t count = 0;
    *reason = restoreFailure(back, writer.failures, late, &count);
    Error error;
    size_t selectorsFailed = 0;
    if (!selectors.putBack(true, &error, &selectorsFailed)) {
        count += selectorsFailed;
        if (reason->empty())
            *reason = error.text;
    }
    if (count > 1)
        *reason += " (and " + std::to_string(count - 1) + " more)";
    return count == 0;
}

} // namespace

ApplyResult applyConfiguration(CameraFeatures &camera, const std::vector<ConfigurationEntry> &entries)
{
    Plan plan(camera, entries);
    ApplyResult result;
    result.values = plan.values;
    Writer writer(camera, plan.catalog, plan.selectors, plan.items, true);
    if (writer.keep()) {
        writer.write();
        writer.verify();
    }
    for (const auto &failure : writer.failures)
        result.failures.push_back(ValueFailure{plan.items[failure.first].line, plan.items[failure.first].valueName(),
                                               failure.second});
    if (!result.failures.empty())
        result.restored =
            restore(camera, plan.catalog, plan.selectors, plan.items, writer.kept, &result.restoreReason);
    return result;
}

} // namespace genicam

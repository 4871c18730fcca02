// The GenICam engine: a camera's description parsed into nodes, and its
// features read and written by name through a Port.  No I/O of its own and
// no register cache: every read of a feature goes to the Port, so a value
// is always the camera's value at that moment.
#ifndef GENICAM_ENGINE_H
#define GENICAM_ENGINE_H

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Error.h"
#include "Port.h"

namespace genicam {

// A parsed description, immutable once built, shared by every camera of a
// run.  Nodes are built from the XML on first use, once each; not for use
// from several threads at once.
class NodeMap;

// Parses a description's XML (a byte-order mark or no XML declaration is
// fine).  nullptr and a reason when it is not XML or not a GenICam
// description.
std::shared_ptr<const NodeMap> parseNodeMap(const char *xml, size_t size, std::string *reason);

// What a feature's value is: the form read and write take it in as text,
// and the member of a FeatureValue that holds it.  None: a node that holds
// no value (a Category, a Port, a node this tool does not read).
enum class ValueForm : uint8_t { Integer, Float, Enumeration, Boolean, String, Register, Command, None };

// The form's name as tests and logs show it ("Float").
const char *valueFormName(ValueForm form);

// What the description says about a feature: the same on every camera.
struct FeatureInfo {
    std::string name;
    std::string type;  // its node type: "IntReg", "Enumeration"
    ValueForm form = ValueForm::None;
    bool streamable = false;  // its Streamable says Yes: a saved configuration holds it
    // The nodes whose pSelected name this feature, in document order: the
    // selectors that choose which of its values a read or write reaches.
    std::vector<std::string> selectors;
    // For a selector, the features its pSelected name, in its order.
    std::vector<std::string> selected;
};

// What a feature allows now, as the camera's other features decide it.
struct FeatureAccess {
    bool implemented = false;  // its pIsImplemented, and those of what it stands for, hold
    bool available = false;    // implemented, and its pIsAvailable (and theirs) hold now
    bool locked = false;       // writable by nature, but its pIsLocked (or theirs) holds now
    bool readable = false;     // a read is tried now (never for a Command, which is executed)
    bool writable = false;     // a write is tried now
};

// A feature's value in its own form, in the member that form names.
struct FeatureValue {
    ValueForm form = ValueForm::None;
    int64_t integer = 0;         // an Integer; a Boolean as 1 or 0; the value of an Enumeration's entry
    double floating = 0;         // a Float, the double itself
    std::string text;            // a String; an Enumeration's entry, as read and written
    std::vector<uint8_t> bytes;  // a Register's bytes, in address order
};

// A value as a read shows it: an Integer in decimal, a Float in the shortest
// form that reads back as the same double, a Boolean as true or false, an
// Enumeration by its entry's name, a String as its text, a Register as
// hexadecimal bytes ("0a ff 10"); "" for a Command or None.
std::string formatValue(const FeatureValue &value);

// One implemented entry of an Enumeration.
struct EntryFacts {
    std::string name;  // as read and written (its Symbolic)
    int64_t value = 0;
    bool usable = false;  // available now, so that a write of it is tried
};

// An integer feature's bounds now.
struct IntegerRange {
    int64_t min = 0, max = 0, inc = 1;
};

// One camera's turn in the run: the port its registers are read through and
// the host-side values (an Integer, Float, Enumeration, Boolean or String
// with a <Value> instead of a register, which is how descriptions keep
// selectors), which live as long as the Session.
class Session {
public:
    // port must outlive the Session.
    Session(std::shared_ptr<const NodeMap> nodes, Port &port);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Reads a feature and gives its value as text in the feature's own form
    // (an Enumeration whose entries share the value held reads as the first
    // implemented one in document order).  False with the error's kind and
    // text when it cannot be read.
    bool read(const std::string &name, std::string *text, Error *error);
    // Writes a feature from text in its own form (a Command is executed by
    // "1" or "execute").  False with the error's kind and text.
    bool write(const std::string &name, const std::string &text, Error *error);
    // read and write giving only the error's text.
    bool read(const std::string &name, std::string *text, std::string *reason);
    bool write(const std::string &name, const std::string &text, std::string *reason);
    // write giving the value written in the feature's own form as well (an
    // Enumeration's entry also when written by its number; a Command's form
    // alone).
    bool write(const std::string &name, const std::string &text, FeatureValue *written, Error *error);

    // Reads a feature's value in its own form: a Float as the double
    // itself, a Register as its bytes.  False with the error, as read.
    bool readValue(const std::string &name, FeatureValue *value, Error *error);

    // What the description says about a feature.  False (NoSuchFeature)
    // when it has no node of that name.
    bool info(const std::string &name, FeatureInfo *info, Error *error);

    // What a feature allows now.  False with the error that kept it from
    // being known (a register of a condition that cannot be read...).
    bool access(const std::string &name, FeatureAccess *access, Error *error);

    // The entries of an Enumeration that are implemented and available now,
    // as read and written, in document order.  False (NoSuchFeature) for
    // any other feature, or with the error of an entry's condition.
    bool entries(const std::string &name, std::vector<std::string> *usable, Error *error);
    // Every implemented entry of an Enumeration, in document order, with its
    // value and whether it is available now.  False as entries above.
    bool entries(const std::string &name, std::vector<EntryFacts> *entries, Error *error);

    // An integer feature's minimum, maximum and increment now: an Integer's
    // own (through its pValue when it gives none), a register field's by its
    // width and sign, else the whole 64-bit range in steps of 1.  False
    // (NoSuchFeature) for a feature of another form, or with the error of a
    // bound that cannot be read; FaultyDescription for an increment that is
    // not positive.
    bool range(const std::string &name, IntegerRange *range, Error *error);

    // One feature of list(): its category path ("Root/ImageFormatControl"),
    // name, node type ("IntReg"), access ("RO", "RW", "WO", "NA"), its value
    // when readable is true or else the reason it cannot be read, its unit
    // (often empty) and the form of its value.
    struct Listed {
        std::string path, name, type, access, value;
        bool readable = false;
        std::string unit;
        ValueForm form = ValueForm::None;  // the form of its value
    };
    // Every feature reachable from the Root category that is implemented,
    // once each, in document order of the category tree.  Reads only: no
    // Command executed, nothing written.
    void list(const std::function<void(const Listed &)> &each);

    // One feature of walk(): its category path, what the description says
    // about it, and its access now, or (error.kind not None) the error that
    // kept the access from being known or the node from being found.
    struct Walked {
        std::string path;
        FeatureInfo info;
        FeatureAccess access;
        Error error;
    };
    // The features list() shows, in the same order, with their facts and
    // access instead of their values: one walk over the categories is all
    // that saving a configuration needs.  Reads no value, writes nothing.
    void walk(const std::function<void(const Walked &)> &each);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace genicam

#endif

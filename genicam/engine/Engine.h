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
#include "Facts.h"
#include "Port.h"
#include "Value.h"

namespace genicam {

// A parsed description, immutable once built, shared by every camera of a
// run.  Nodes are built from the XML on first use, once each; not for use
// from several threads at once.
class NodeMap;

// Parses a description's XML (a byte-order mark or no XML declaration is
// fine).  nullptr and a reason when it is not XML or not a GenICam
// description.
std::shared_ptr<const NodeMap> parseNodeMap(const char *xml, size_t size, std::string *reason);

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

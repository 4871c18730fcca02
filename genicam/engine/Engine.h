// The GenICam engine: a camera's description parsed into nodes, and its
// features read and written by name through a Port.  No I/O of its own and
// no register cache: every read of a feature goes to the Port, so a value
// is always the camera's value at that moment.
#ifndef GENICAM_ENGINE_H
#define GENICAM_ENGINE_H

#include <stddef.h>

#include <functional>
#include <memory>
#include <string>

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

    // One feature of list(): its category path ("Root/ImageFormatControl"),
    // name, node type ("IntReg"), access ("RO", "RW", "WO", "NA"), its value
    // when readable is true or else the reason it cannot be read, and its
    // unit (often empty).
    struct Listed {
        std::string path, name, type, access, value;
        bool readable = false;
        std::string unit;
    };
    // Every feature reachable from the Root category that is implemented,
    // once each, in document order of the category tree.  Reads only: no
    // Command executed, nothing written.
    void list(const std::function<void(const Listed &)> &each);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace genicam

#endif

// The registers of a description (IntReg, MaskedIntReg, StructEntry,
// FloatReg, StringReg, Register): where one lives and how its bytes are
// read and written through the Port.  RegisterNode is the Register kind
// itself, whose value is its raw bytes; the other register kinds derive
// from it.  Every read is one Port call for the whole register, whatever
// its length (the Port decides how it reaches the camera); nothing is
// cached.
#ifndef GENICAM_ENGINE_REGISTERNODE_H
#define GENICAM_ENGINE_REGISTERNODE_H

#include <stdint.h>

#include <memory>
#include <vector>

#include "nodes/Node.h"

namespace genicam {
namespace engine {

class RegisterNode : public Node {
public:
    static const uint64_t kMaxBytes = 65536;  // the longest register read or written

    // One pIndex term: the index node's value times the offset (Offset or
    // pOffset; the register's length when neither is given).
    struct IndexTerm {
        Ref index;
        Source offset;
    };

    // An IntSwissKnife defined inside the register (or inside a pAddress of
    // it), whose value is added to the address: the indexed node when it is
    // found by its name, else one built for the register alone.
    struct Knife {
        Ref ref;
        std::unique_ptr<Node> own;
    };

    static bool holds(Kind kind)
    {
        return kind == Kind::IntReg || kind == Kind::MaskedIntReg || kind == Kind::StructEntry ||
               kind == Kind::FloatReg || kind == Kind::StringReg || kind == Kind::Register;
    }

    explicit RegisterNode(Kind kind) : Node(kind) {}

    // Address, pAddress, IntSwissKnife, pIndex, Length, pLength, AccessMode,
    // pPort and Endianess.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;
    // A register needs its Length.
    void finish(NodeParser &parser) override;
    // Its AccessMode.
    Access natureAccess() const override { return access; }

    // The Register kind: its bytes as the camera holds them, and a write of
    // exactly its length.
    bool readBytes(Context &context, std::vector<uint8_t> *value, Error *error) const override;
    bool writeBytes(Context &context, const std::vector<uint8_t> &value, Error *error) const override;

    uint64_t address = 0;         // the sum of the Address elements
    std::vector<Ref> addresses;   // pAddress elements, added to it
    std::vector<Knife> knives;    // IntSwissKnife elements, added too
    std::vector<IndexTerm> indexes;
    Source length;
    Access access = Access::RO;
    Ref port;
    bool bigEndian = false;

protected:
    // Where the register is now and how long: the sum of its addresses, its
    // knives' values and its index terms, and its length (1 to kMaxBytes).
    bool locate(Context &context, uint64_t *at, uint64_t *bytes, Error *error) const;
    // Whether the register is on the device's Port: one for chunk data is
    // not (refused, of the kind given: NotReadable or NotWritable).
    bool reachable(Context &context, ErrorKind refused, Error *error) const;
    // Reads bytes->size() bytes at at, through the Port.
    bool readAt(Context &context, uint64_t at, std::vector<uint8_t> *bytes, Error *error) const;
    // Writes bytes at at, through the Port.
    bool writeAt(Context &context, uint64_t at, const std::vector<uint8_t> &bytes, Error *error) const;
    // The whole register's bytes.
    bool readAll(Context &context, std::vector<uint8_t> *bytes, Error *error) const;
    // Whether a number fits a register of length bytes as this kind holds
    // it (fits, as the kind judged it); a fault when it does not.
    bool sized(bool fits, uint64_t length, Error *error) const;
    // The unsigned number bytes hold in the register's byte order.
    uint64_t decode(const std::vector<uint8_t> &bytes) const;
    // Writes value to bytes (their size) in the register's byte order.
    void encode(uint64_t value, std::vector<uint8_t> *bytes) const;
};

} // namespace engine
} // namespace genicam

#endif

// Integer registers: an IntReg, whose value is the whole register, and a
// MaskedIntReg or StructEntry, whose value is a field of bits in it.
// Signed or unsigned, of 1 to 8 bytes, in either byte order.
#ifndef GENICAM_ENGINE_INTREGNODE_H
#define GENICAM_ENGINE_INTREGNODE_H

#include "nodes/kinds/RegisterNode.h"

namespace genicam {
namespace engine {

class IntRegNode : public RegisterNode {
public:
    static bool holds(Kind kind)
    {
        return kind == Kind::IntReg || kind == Kind::MaskedIntReg || kind == Kind::StructEntry;
    }

    explicit IntRegNode(Kind kind) : RegisterNode(kind) {}

    // Sign, and the register's elements.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;

    // The field's value, sign-extended when signed.
    bool readNumber(Context &context, Number *value, Error *error) const override;
    // Writes an integer the field holds (a double rounded to the nearest);
    // the rest of the register keeps its bits.
    bool writeNumber(Context &context, Number value, Error *error) const override;
    // The values a field of its width holds, when the description fixes the
    // width; else the whole 64-bit range.
    bool ownRange(Context &context, size_t chain, IntegerRange *range, Error *error) const override;

    bool isSigned = false;

protected:
    // The width of the value in bits when the description fixes it, else 0:
    // an IntReg's constant Length of 1 to 8 bytes.
    virtual uint64_t fixedWidth() const;
    // The register's place and length, when a number fits it, and where its
    // value lies there.
    bool place(Context &context, uint64_t *at, uint64_t *length, uint64_t *low, uint64_t *width,
               Error *error) const;
    // Where the value lies in a register of length bytes: its lowest bit
    // counted from the least significant one, and its width.  An IntReg's
    // is the whole register.
    virtual bool field(uint64_t length, uint64_t *low, uint64_t *width, Error *error) const;
    // Merges raw, the field's bits (at bit 0), into the register's other
    // bits in bytes, which the write then sends.  An IntReg has none.
    virtual bool merge(Context &context, uint64_t at, uint64_t low, uint64_t width, std::vector<uint8_t> *bytes,
                       uint64_t *raw, Error *error) const;
};

class MaskedIntRegNode : public IntRegNode {
public:
    static bool holds(Kind kind) { return kind == Kind::MaskedIntReg || kind == Kind::StructEntry; }

    explicit MaskedIntRegNode(Kind kind) : IntRegNode(kind) {}

    // Bit, or LSB and MSB, and an IntReg's elements.
    void parse(NodeParser &parser, Tag tag, pugi::xml_node element) override;
    // A field needs its Length, and its Bit or LSB and MSB.
    void finish(NodeParser &parser) override;

    // The field, in the register's own bit numbering (in a big-endian
    // register bit 0 is the most significant).
    uint64_t lsb = 0, msb = 0;

protected:
    // Its Bit, or LSB to MSB.
    uint64_t fixedWidth() const override { return (msb > lsb ? msb - lsb : lsb - msb) + 1; }
    bool field(uint64_t length, uint64_t *low, uint64_t *width, Error *error) const override;
    bool merge(Context &context, uint64_t at, uint64_t low, uint64_t width, std::vector<uint8_t> *bytes,
               uint64_t *raw, Error *error) const override;

private:
    bool hasLsb_ = false, hasMsb_ = false;
};

} // namespace engine
} // namespace genicam

#endif

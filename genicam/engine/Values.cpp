// The values that are not plain numbers: Booleans, Enumerations, strings,
// a Register's raw bytes, and Commands.
#include <algorithm>

#include "Evaluator.h"

namespace genicam {
namespace engine {

bool Evaluator::boolean(const Node &node, bool *value, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, false, error))
        return false;
    return readBoolean(node, value, error);
}

// A Boolean is true when what it stands for holds its OnValue and false
// when it holds its OffValue, compared on the whole 64-bit value; anything
// else is an error, never quietly false.
bool Evaluator::readBoolean(const Node &node, bool *value, Error *error)
{
    const Node *target = nullptr;
    if (node.value.from == Source::From::Constant) {
        auto held = numbers_.find(HostKey(&node, kValue, 0));
        *value = (held != numbers_.end() ? held->second : node.value.constant).integer != 0;
        return true;
    }
    int64_t held;
    if (!(target = follow(node, node.value.ref, error)) || !integer(*target, &held, error))
        return false;
    if (held != node.onValue && held != node.offValue)
        return fail(error, ErrorKind::FaultyDescription,
                    std::string(node.name) + " holds " + std::to_string(held) + ", neither its OnValue " +
                        std::to_string(node.onValue) + " nor its OffValue " + std::to_string(node.offValue));
    *value = held == node.onValue;
    return true;
}

bool Evaluator::setBoolean(const Node &node, bool value, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, true, error))
        return false;
    return writeBoolean(node, value, error);
}

bool Evaluator::writeBoolean(const Node &node, bool value, Error *error)
{
    if (node.value.from == Source::From::Constant) {
        numbers_[HostKey(&node, kValue, 0)] = integerNumber(value);
        return true;
    }
    const Node *target = follow(node, node.value.ref, error);
    return target && setNumber(*target, integerNumber(value ? node.onValue : node.offValue), error);
}

bool Evaluator::entry(const Node &node, const EnumEntry **value, Error *error)
{
    Number number;
    if (!Evaluator::number(node, &number, error))
        return false;
    const EnumEntry *hidden = nullptr;  // the first entry of the value, not implemented
    for (const EnumEntry &entry : node.entries) {
        if (entry.value != number.integer)
            continue;
        bool implemented = true;
        if (entry.isImplemented.given() && !condition(node, entry.isImplemented, &implemented, error))
            return false;
        if (implemented) {
            *value = &entry;
            return true;
        }
        if (!hidden)
            hidden = &entry;
    }
    std::string holds = std::string(node.name) + " holds " + std::to_string(number.integer);
    if (hidden)
        return fail(error, ErrorKind::NotImplemented,
                    holds + ", the value of its entry " + std::string(hidden->symbolic) + ", which is not implemented");
    return fail(error, ErrorKind::FaultyDescription, holds + ", which is none of its entries");
}

bool Evaluator::setEntry(const Node &node, const EnumEntry &value, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, true, error))
        return false;
    return writeEntry(node, value, error);
}

bool Evaluator::writeEntry(const Node &node, const EnumEntry &entry, Error *error)
{
    Access state;
    if (!presence(node, entry.isImplemented, entry.isAvailable, &state, error))
        return false;
    std::string what = "entry " + std::string(entry.symbolic) + " of " + std::string(node.name);
    if (state == Access::NI)
        return fail(error, ErrorKind::NotImplemented, what + " is not implemented");
    if (state == Access::NA)
        return fail(error, ErrorKind::NotAvailable, what + " is not available now");
    return writeSource(node, node.value, HostKey(&node, kValue, 0), integerNumber(entry.value), error);
}

std::string Evaluator::entryNames(const Node &node)
{
    const size_t kMaxListed = 32;
    std::string names;
    size_t listed = 0;
    for (const EnumEntry &entry : node.entries) {
        start();
        bool implemented = true;
        Error ignored;
        if (entry.isImplemented.given() && condition(node, entry.isImplemented, &implemented, &ignored) &&
            !implemented)
            continue;
        if (listed == kMaxListed) {
            names += ", ...";
            break;
        }
        names += (listed++ > 0 ? ", " : "") + std::string(entry.symbolic);
    }
    return names;
}

bool Evaluator::usableEntries(const Node &node, std::vector<const EnumEntry *> *usable, Error *error)
{
    for (const EnumEntry &entry : node.entries) {
        start();
        Access state;
        if (!presence(node, entry.isImplemented, entry.isAvailable, &state, error))
            return false;
        if (state == Access::RW)
            usable->push_back(&entry);
    }
    return true;
}

bool Evaluator::text(const Node &node, std::string *value, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, false, error))
        return false;
    if (node.kind == Kind::StringReg) {
        std::vector<uint8_t> bytes;
        if (!readBytes(node, &bytes, error))
            return false;
        // The text ends at the first NUL, if any.
        auto end = std::find(bytes.begin(), bytes.end(), 0);
        value->assign(bytes.begin(), end);
        return true;
    }
    if (node.kind != Kind::String)
        return fault(node, "it is " + article(node.type) + " where a string is needed", error);
    if (node.value.from == Source::From::Constant) {
        auto held = texts_.find(&node);
        *value = held != texts_.end() ? held->second : std::string(node.value.text);
        return true;
    }
    const Node *target = follow(node, node.value.ref, error);
    return target && text(*target, value, error);
}

bool Evaluator::setText(const Node &node, const std::string &value, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, true, error))
        return false;
    if (node.kind == Kind::StringReg) {
        uint64_t address, length;
        if (!location(node, &address, &length, error))
            return false;
        if (value.size() > length)
            return fail(error, ErrorKind::BadValueText,
                        "longer than the register's " + std::to_string(length) + " bytes");
        // The rest of the register is filled with NULs.
        std::vector<uint8_t> bytes(value.begin(), value.end());
        bytes.resize(length, 0);
        return writeRegister(node, address, bytes, error);
    }
    if (node.kind != Kind::String)
        return fault(node, "it is " + article(node.type) + " where a string is needed", error);
    if (node.value.from == Source::From::Constant) {
        texts_[&node] = value;
        return true;
    }
    const Node *target = follow(node, node.value.ref, error);
    return target && setText(*target, value, error);
}

bool Evaluator::bytes(const Node &node, std::vector<uint8_t> *value, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, false, error))
        return false;
    return readBytes(node, value, error);
}

bool Evaluator::setBytes(const Node &node, const std::vector<uint8_t> &value, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, true, error))
        return false;
    uint64_t address, length;
    if (!location(node, &address, &length, error))
        return false;
    if (value.size() != length)
        return fail(error, ErrorKind::BadValueText,
                    "the register has " + std::to_string(length) + " bytes, not " + std::to_string(value.size()));
    return writeRegister(node, address, value, error);
}

bool Evaluator::execute(const Node &node, Error *error)
{
    Visit visit(*this, node, error);
    if (!visit.entered() || !check(node, true, error))
        return false;
    Number command;
    return sourceNumber(node, node.commandValue, integerNumber(0), &command, error) &&
           writeSource(node, node.value, HostKey(&node, kValue, 0), command, error);
}

} // namespace engine
} // namespace genicam

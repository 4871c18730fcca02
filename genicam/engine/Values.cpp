// The values that are not plain numbers: Booleans, Enumerations, strings,
// a Register's raw bytes, and Commands.
#include <algorithm>

#include "Evaluator.h"

namespace genicam {
namespace engine {

bool Evaluator::boolean(const Node &node, bool *value, std::string *reason)
{
    Visit visit(*this, node, reason);
    if (!visit.entered() || !check(node, false, reason))
        return false;
    return readBoolean(node, value, reason);
}

// A Boolean is true when what it stands for holds its OnValue and false
// when it holds its OffValue, compared on the whole 64-bit value; anything
// else is an error, never quietly false.
bool Evaluator::readBoolean(const Node &node, bool *value, std::string *reason)
{
    const Node *target = nullptr;
    if (node.value.from == Source::From::Constant) {
        auto held = numbers_.find(HostKey(&node, kValue, 0));
        *value = (held != numbers_.end() ? held->second : node.value.constant).integer != 0;
        return true;
    }
    int64_t held;
    if (!(target = follow(node, node.value.ref, reason)) || !integer(*target, &held, reason))
        return false;
    if (held != node.onValue && held != node.offValue) {
        *reason = std::string(node.name) + " holds " + std::to_string(held) + ", neither its OnValue " +
                  std::to_string(node.onValue) + " nor its OffValue " + std::to_string(node.offValue);
        return false;
    }
    *value = held == node.onValue;
    return true;
}

bool Evaluator::setBoolean(const Node &node, bool value, std::string *reason)
{
    Visit visit(*this, node, reason);
    if (!visit.entered() || !check(node, true, reason))
        return false;
    return writeBoolean(node, value, reason);
}

bool Evaluator::writeBoolean(const Node &node, bool value, std::string *reason)
{
    if (node.value.from == Source::From::Constant) {
        numbers_[HostKey(&node, kValue, 0)] = integerNumber(value);
        return true;
    }
    const Node *target = follow(node, node.value.ref, reason);
    return target && setNumber(*target, integerNumber(value ? node.onValue : node.offValue), reason);
}

bool Evaluator::entry(const Node &node, const EnumEntry **value, std::string *reason)
{
    Number number;
    if (!Evaluator::number(node, &number, reason))
        return false;
    for (const EnumEntry &entry : node.entries) {
        if (entry.value != number.integer)
            continue;
        bool implemented = true;
        if (entry.isImplemented.given() && !condition(node, entry.isImplemented, &implemented, reason))
            return false;
        if (implemented) {
            *value = &entry;
            return true;
        }
    }
    *reason = std::string(node.name) + " holds " + std::to_string(number.integer) + ", which is none of its entries";
    return false;
}

bool Evaluator::setEntry(const Node &node, const EnumEntry &value, std::string *reason)
{
    Visit visit(*this, node, reason);
    if (!visit.entered() || !check(node, true, reason))
        return false;
    return writeEntry(node, value, reason);
}

bool Evaluator::writeEntry(const Node &node, const EnumEntry &entry, std::string *reason)
{
    Access state;
    if (!presence(node, entry.isImplemented, entry.isAvailable, &state, reason))
        return false;
    if (state != Access::RW) {
        *reason = "entry " + std::string(entry.symbolic) + " of " + std::string(node.name) +
                  (state == Access::NI ? " is not implemented" : " is not available now");
        return false;
    }
    return writeSource(node, node.value, HostKey(&node, kValue, 0), integerNumber(entry.value), reason);
}

std::string Evaluator::entryNames(const Node &node)
{
    const size_t kMaxListed = 32;
    std::string names;
    size_t listed = 0;
    for (const EnumEntry &entry : node.entries) {
        start();
        bool implemented = true;
        std::string ignored;
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

bool Evaluator::text(const Node &node, std::string *value, std::string *reason)
{
    Visit visit(*this, node, reason);
    if (!visit.entered() || !check(node, false, reason))
        return false;
    if (node.kind == Kind::StringReg) {
        std::vector<uint8_t> bytes;
        if (!readBytes(node, &bytes, reason))
            return false;
        // The text ends at the first NUL, if any.
        auto end = std::find(bytes.begin(), bytes.end(), 0);
        value->assign(bytes.begin(), end);
        return true;
    }
    if (node.kind != Kind::String) {
        *reason = faulty(node, "it is " + article(node.type) + " where a string is needed");
        return false;
    }
    if (node.value.from == Source::From::Constant) {
        auto held = texts_.find(&node);
        *value = held != texts_.end() ? held->second : std::string(node.value.text);
        return true;
    }
    const Node *target = follow(node, node.value.ref, reason);
    return target && text(*target, value, reason);
}

bool Evaluator::setText(const Node &node, const std::string &value, std::string *reason)
{
    Visit visit(*this, node, reason);
    if (!visit.entered() || !check(node, true, reason))
        return false;
    if (node.kind == Kind::StringReg) {
        uint64_t address, length;
        if (!location(node, &address, &length, reason))
            return false;
        if (value.size() > length) {
            *reason = "longer than the register's " + std::to_string(length) + " bytes";
            return false;
        }
        // The rest of the register is filled with NULs.
        std::vector<uint8_t> bytes(value.begin(), value.end());
        bytes.resize(length, 0);
        return writeRegister(node, address, bytes, reason);
    }
    if (node.kind != Kind::String) {
        *reason = faulty(node, "it is " + article(node.type) + " where a string is needed");
        return false;
    }
    if (node.value.from == Source::From::Constant) {
        texts_[&node] = value;
        return true;
    }
    const Node *target = follow(node, node.value.ref, reason);
    return target && setText(*target, value, reason);
}

bool Evaluator::bytes(const Node &node, std::vector<uint8_t> *value, std::string *reason)
{
    Visit visit(*this, node, reason);
    if (!visit.entered() || !check(node, false, reason))
        return false;
    return readBytes(node, value, reason);
}

bool Evaluator::setBytes(const Node &node, const std::vector<uint8_t> &value, std::string *reason)
{
    Visit visit(*this, node, reason);
    if (!visit.entered() || !check(node, true, reason))
        return false;
    uint64_t address, length;
    if (!location(node, &address, &length, reason))
        return false;
    if (value.size() != length) {
        *reason = "the register has " + std::to_string(length) + " bytes, not " + std::to_string(value.size());
        return false;
    }
    return writeRegister(node, address, value, reason);
}

bool Evaluator::execute(const Node &node, std::string *reason)
{
    Visit visit(*this, node, reason);
    if (!visit.entered() || !check(node, true, reason))
        return false;
    Number command;
    return sourceNumber(node, node.commandValue, integerNumber(0), &command, reason) &&
           writeSource(node, node.value, HostKey(&node, kValue, 0), command, reason);
}

} // namespace engine
} // namespace genicam

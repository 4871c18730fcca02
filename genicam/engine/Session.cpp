// A camera's features by name, as text in each feature's own form.
#include <unordered_set>

#include "Engine.h"
#include "Evaluator.h"
#include "Text.h"

namespace genicam {

using namespace engine;

namespace {

// What a feature's value is, as text goes.
enum class Form { Integer, Float, Enumeration, Boolean, String, Bytes, Command, None };

Form formOf(Kind kind)
{
    switch (kind) {
    case Kind::Integer:
    case Kind::IntReg:
    case Kind::MaskedIntReg:
    case Kind::StructEntry:
    case Kind::IntSwissKnife:
    case Kind::IntConverter:
        return Form::Integer;
    case Kind::Float:
    case Kind::FloatReg:
    case Kind::SwissKnife:
    case Kind::Converter:
        return Form::Float;
    case Kind::Enumeration:
        return Form::Enumeration;
    case Kind::Boolean:
        return Form::Boolean;
    case Kind::String:
    case Kind::StringReg:
        return Form::String;
    case Kind::Register:
        return Form::Bytes;
    case Kind::Command:
        return Form::Command;
    default:
        return Form::None;
    }
}

const size_t kMaxCategoryDepth = 64;

std::string quoted(const std::string &text)
{
    return "'" + text + "'";
}

// Why a node that holds no value is neither read nor written.
bool noValue(const Node &node, const char *verb, std::string *reason)
{
    if (node.kind == Kind::Category)
        *reason = "a category, not a value";
    else if (node.kind == Kind::Port)
        *reason = "a port, not a value";
    else
        *reason = Evaluator::article(node.type) + " node, which this tool does not " + verb;
    return false;
}

} // namespace

struct Session::Impl {
    Impl(std::shared_ptr<const NodeMap> map, Port &port) : nodes(std::move(map)), evaluator(*nodes, port) {}

    bool read(const Node &node, std::string *text, std::string *reason);
    bool write(const Node &node, const std::string &text, std::string *reason);
    bool writeEntry(const Node &node, const std::string &text, std::string *reason);
    void listCategory(const Node &category, const std::string &path, size_t depth,
                      const std::function<void(const Listed &)> &each);

    std::shared_ptr<const NodeMap> nodes;
    Evaluator evaluator;
    std::unordered_set<const Node *> listed;
};

Session::Session(std::shared_ptr<const NodeMap> nodes, Port &port) : impl_(new Impl(std::move(nodes), port)) {}

Session::~Session() = default;

bool Session::read(const std::string &name, std::string *text, std::string *reason)
{
    const Node *node = impl_->nodes->feature(name);
    if (!node) {
        *reason = "no such feature";
        return false;
    }
    return impl_->read(*node, text, reason);
}

bool Session::write(const std::string &name, const std::string &text, std::string *reason)
{
    const Node *node = impl_->nodes->feature(name);
    if (!node) {
        *reason = "no such feature";
        return false;
    }
    return impl_->write(*node, text, reason);
}

bool Session::Impl::read(const Node &node, std::string *text, std::string *reason)
{
    evaluator.start();
    switch (formOf(node.kind)) {
    case Form::Integer: {
        int64_t value;
        if (!evaluator.integer(node, &value, reason))
            return false;
        *text = std::to_string(value);
        return true;
    }
    case Form::Float: {
        double value;
        if (!evaluator.floating(node, &value, reason))
            return false;
        *text = formatFloat(value);
        return true;
    }
    case Form::Enumeration: {
        const EnumEntry *entry;
        if (!evaluator.entry(node, &entry, reason))
            return false;
        *text = entry->symbolic;
        return true;
    }
    case Form::Boolean: {
        bool value;
        if (!evaluator.boolean(node, &value, reason))
            return false;
        *text = value ? "true" : "false";
        return true;
    }
    case Form::String:
        return evaluator.text(node, text, reason);
    case Form::Bytes: {
        std::vector<uint8_t> bytes;
        if (!evaluator.bytes(node, &bytes, reason))
            return false;
        *text = formatBytes(bytes.data(), bytes.size());
        return true;
    }
    case Form::Command:
        *reason = "a command: it is executed, not read";
        return false;
    default:
        return noValue(node, "read", reason);
    }
}

bool Session::Impl::write(const Node &node, const std::string &text, std::string *reason)
{
    evaluator.start();
    std::string_view word = trim(text);
    switch (formOf(node.kind)) {
    case Form::Integer: {
        int64_t value;
        if (!parseUserInteger(text, &value)) {
            *reason = "not an integer: " + quoted(text);
            return false;
        }
        return evaluator.setNumber(node, integerNumber(value), reason);
    }
    case Form::Float: {
        double value;
        if (!parseFloat(text, &value) || value != value) {
            *reason = "not a number: " + quoted(text);
            return false;
        }
        return evaluator.setNumber(node, floatNumber(value), reason);
    }
    case Form::Enumeration:
        return writeEntry(node, text, reason);
    case Form::Boolean:
        if (word == "true" || word == "1")
            return evaluator.setBoolean(node, true, reason);
        if (word == "false" || word == "0")
            return evaluator.setBoolean(node, false, reason);
        *reason = "not a boolean: " + quoted(text) + " (true, false, 1 or 0)";
        return false;
    case Form::String:
        return evaluator.setText(node, text, reason);
    case Form::Bytes: {
        std::vector<uint8_t> bytes;
        if (!parseBytes(text, &bytes)) {
            *reason = "not hexadecimal bytes: " + quoted(text);
            return false;
        }
        return evaluator.setBytes(node, bytes, reason);
    }
    case Form::Command:
        if (word == "1" || word == "execute")
            return evaluator.execute(node, reason);
        *reason = "a command is executed by writing 1 or execute, not " + quoted(text);
        return false;
    default:
        return noValue(node, "write", reason);
    }
}

// An Enumeration is written by an entry's name or by its integer value.
bool Session::Impl::writeEntry(const Node &node, const std::string &text, std::string *reason)
{
    std::string_view word = trim(text);
    int64_t value;
    bool isNumber = parseUserInteger(text, &value);
    for (const EnumEntry &entry : node.entries)
        if (entry.symbolic == word)
            return evaluator.setEntry(node, entry, reason);
    for (const EnumEntry &entry : node.entries)
        if (isNumber && entry.value == value)
            return evaluator.setEntry(node, entry, reason);
    *reason = "not an entry of " + std::string(node.name) + " (" + evaluator.entryNames(node) + ")";
    return false;
}

void Session::list(const std::function<void(const Listed &)> &each)
{
    impl_->listed.clear();
    const Node *root = impl_->nodes->feature("Root");
    if (!root || root->kind != Kind::Category) {
        Listed missing;
        missing.name = "Root";
        missing.value = "the description has no Root category";
        each(missing);
        return;
    }
    impl_->listed.insert(root);
    impl_->listCategory(*root, "Root", 0, each);
}

void Session::Impl::listCategory(const Node &category, const std::string &path, size_t depth,
                                 const std::function<void(const Listed &)> &each)
{
    for (const Ref &ref : category.features) {
        Listed line;
        line.path = path;
        line.name = ref.name;
        evaluator.start();
        const Node *node = evaluator.follow(category, ref, &line.value);
        if (!node) {
            line.access = "?";
            each(line);
            continue;
        }
        if (!listed.insert(node).second)
            continue;
        Access access;
        if (!evaluator.access(*node, &access, &line.value)) {
            line.type = node->type;
            line.access = "?";
            each(line);
            continue;
        }
        if (access == Access::NI)
            continue;
        if (node->kind == Kind::Category) {
            if (depth + 1 < kMaxCategoryDepth)
                listCategory(*node, path + "/" + line.name, depth + 1, each);
            continue;
        }
        line.type = node->type;
        line.access = accessName(access);
        line.unit = node->unit;
        std::string reason;
        line.readable = read(*node, &line.value, &reason);
        if (!line.readable)
            line.value = reason;
        each(line);
    }
}

} // namespace genicam

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
bool noValue(const Node &node, const char *verb, Error *error)
{
    if (node.kind == Kind::Category)
        return fail(error, ErrorKind::NoSuchFeature, "a category, not a value");
    if (node.kind == Kind::Port)
        return fail(error, ErrorKind::NoSuchFeature, "a port, not a value");
    return fail(error, ErrorKind::NoSuchFeature,
                Evaluator::article(node.type) + " node, which this tool does not " + verb);
}

// The error's text alone, for the callers that want no more.
bool textOnly(bool done, const Error &error, std::string *reason)
{
    if (!done)
        *reason = error.text;
    return done;
}

} // namespace

struct Session::Impl {
    Impl(std::shared_ptr<const NodeMap> map, Port &port) : nodes(std::move(map)), evaluator(*nodes, port) {}

    bool read(const Node &node, std::string *text, Error *error);
    bool write(const Node &node, const std::string &text, Error *error);
    bool writeEntry(const Node &node, const std::string &text, Error *error);
    void listCategory(const Node &category, const std::string &path, size_t depth,
                      const std::function<void(const Listed &)> &each);

    std::shared_ptr<const NodeMap> nodes;
    Evaluator evaluator;
    std::unordered_set<const Node *> listed;
};

Session::Session(std::shared_ptr<const NodeMap> nodes, Port &port) : impl_(new Impl(std::move(nodes), port)) {}

Session::~Session() = default;

bool Session::read(const std::string &name, std::string *text, Error *error)
{
    const Node *node = impl_->nodes->feature(name);
    if (!node)
        return fail(error, ErrorKind::NoSuchFeature, "no such feature");
    return impl_->read(*node, text, error);
}

bool Session::write(const std::string &name, const std::string &text, Error *error)
{
    const Node *node = impl_->nodes->feature(name);
    if (!node)
        return fail(error, ErrorKind::NoSuchFeature, "no such feature");
    return impl_->write(*node, text, error);
}

bool Session::read(const std::string &name, std::string *text, std::string *reason)
{
    Error error;
    return textOnly(read(name, text, &error), error, reason);
}

bool Session::write(const std::string &name, const std::string &text, std::string *reason)
{
    Error error;
    return textOnly(write(name, text, &error), error, reason);
}

bool Session::Impl::read(const Node &node, std::string *text, Error *error)
{
    evaluator.start();
    switch (formOf(node.kind)) {
    case Form::Integer: {
        int64_t value;
        if (!evaluator.integer(node, &value, error))
            return false;
        *text = std::to_string(value);
        return true;
    }
    case Form::Float: {
        double value;
        if (!evaluator.floating(node, &value, error))
            return false;
        *text = formatFloat(value);
        return true;
    }
    case Form::Enumeration: {
        const EnumEntry *entry;
        if (!evaluator.entry(node, &entry, error))
            return false;
        *text = entry->symbolic;
        return true;
    }
    case Form::Boolean: {
        bool value;
        if (!evaluator.boolean(node, &value, error))
            return false;
        *text = value ? "true" : "false";
        return true;
    }
    case Form::String:
        return evaluator.text(node, text, error);
    case Form::Bytes: {
        std::vector<uint8_t> bytes;
        if (!evaluator.bytes(node, &bytes, error))
            return false;
        *text = formatBytes(bytes.data(), bytes.size());
        return true;
    }
    case Form::Command:
        return fail(error, ErrorKind::NotReadable, "a command: it is executed, not read");
    default:
        return noValue(node, "read", error);
    }
}

bool Session::Impl::write(const Node &node, const std::string &text, Error *error)
{
    evaluator.start();
    std::string_view word = trim(text);
    switch (formOf(node.kind)) {
    case Form::Integer: {
        int64_t value;
        if (!parseUserInteger(text, &value))
            return fail(error, ErrorKind::BadValueText, "not an integer: " + quoted(text));
        return evaluator.setNumber(node, integerNumber(value), error);
    }
    case Form::Float: {
        double value;
        if (!parseFloat(text, &value) || value != value)
            return fail(error, ErrorKind::BadValueText, "not a number: " + quoted(text));
        return evaluator.setNumber(node, floatNumber(value), error);
    }
    case Form::Enumeration:
        return writeEntry(node, text, error);
    case Form::Boolean:
        if (word == "true" || word == "1")
            return evaluator.setBoolean(node, true, error);
        if (word == "false" || word == "0")
            return evaluator.setBoolean(node, false, error);
        return fail(error, ErrorKind::BadValueText, "not a boolean: " + quoted(text) + " (true, false, 1 or 0)");
    case Form::String:
        return evaluator.setText(node, text, error);
    case Form::Bytes: {
        std::vector<uint8_t> bytes;
        if (!parseBytes(text, &bytes))
            return fail(error, ErrorKind::BadValueText, "not hexadecimal bytes: " + quoted(text));
        return evaluator.setBytes(node, bytes, error);
    }
    case Form::Command:
        if (word == "1" || word == "execute")
            return evaluator.execute(node, error);
        return fail(error, ErrorKind::BadValueText,
                    "a command is executed by writing 1 or execute, not " + quoted(text));
    default:
        return noValue(node, "write", error);
    }
}

// An Enumeration is written by an entry's name or by its integer value.
bool Session::Impl::writeEntry(const Node &node, const std::string &text, Error *error)
{
    std::string_view word = trim(text);
    int64_t value;
    bool isNumber = parseUserInteger(text, &value);
    for (const EnumEntry &entry : node.entries)
        if (entry.symbolic == word)
            return evaluator.setEntry(node, entry, error);
    for (const EnumEntry &entry : node.entries)
        if (isNumber && entry.value == value)
            return evaluator.setEntry(node, entry, error);
    return fail(error, ErrorKind::NotAnEntry,
                "not an entry of " + std::string(node.name) + " (" + evaluator.entryNames(node) + ")");
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
        Error error;
        const Node *node = evaluator.follow(category, ref, &error);
        if (!node) {
            line.value = error.text;
            line.access = "?";
            each(line);
            continue;
        }
        if (!listed.insert(node).second)
            continue;
        Access access;
        if (!evaluator.access(*node, &access, &error)) {
            line.value = error.text;
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
        line.readable = read(*node, &line.value, &error);
        if (!line.readable)
            line.value = error.text;
        each(line);
    }
}

} // namespace genicam

// A camera's features by name: read and written as text in each feature's
// own form, or read as the value itself.
#include "session/SessionImpl.h"

#include "Error.h"
#include "nodes/kinds/CommandNode.h"
#include "nodes/kinds/EnumerationNode.h"
#include "nodes/Operations.h"
#include "numbers/Text.h"

namespace genicam {

using namespace engine;

namespace {

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
                article(node.type) + " node, which this tool does not " + verb);
}

// The error's text alone, for the callers that want no more.
bool textOnly(bool done, const Error &error, std::string *reason)
{
    if (!done)
        *reason = error.text;
    return done;
}

} // namespace


std::shared_ptr<const NodeMap> parseNodeMap(const char *xml, size_t size, std::string *reason)
{
    return NodeMap::load(xml, size, reason);
}

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
    return write(name, text, nullptr, error);
}

bool Session::write(const std::string &name, const std::string &text, FeatureValue *written, Error *error)
{
    const Node *node = impl_->nodes->feature(name);
    if (!node)
        return fail(error, ErrorKind::NoSuchFeature, "no such feature");
    return impl_->write(*node, text, written, error);
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

bool Session::readValue(const std::string &name, FeatureValue *value, Error *error)
{
    const Node *node = impl_->nodes->feature(name);
    if (!node)
        return fail(error, ErrorKind::NoSuchFeature, "no such feature");
    return impl_->readValue(*node, value, error);
}

bool Session::Impl::readValue(const Node &node, FeatureValue *value, Error *error)
{
    context.start();
    *value = FeatureValue();
    value->form = formOf(node.kind);
    switch (value->form) {
    case ValueForm::Integer:
    case ValueForm::Boolean:  // 1 or 0
        return integer(context, node, &value->integer, error);
    case ValueForm::Float:
        return floating(context, node, &value->floating, error);
    case ValueForm::Enumeration: {
        const EnumEntry *entry;
        if (!node.as<EnumerationNode>()->entry(context, &entry, error))
            return false;
        value->integer = entry->value;
        value->text = entry->symbolic;
        return true;
    }
    case ValueForm::String:
        return text(context, node, &value->text, error);
    case ValueForm::Register:
        return bytes(context, node, &value->bytes, error);
    case ValueForm::Command:
        return fail(error, ErrorKind::NotReadable, "a command: it is executed, not read");
    case ValueForm::None:
        break;
    }
    return noValue(node, "read", error);
}

bool Session::Impl::read(const Node &node, std::string *text, Error *error)
{
    FeatureValue value;
    if (!readValue(node, &value, error))
        return false;
    *text = formatValue(value);
    return true;
}

namespace {

// Keeps the value a write parsed, for the caller that asked for it.
void keep(FeatureValue *written, ValueForm form, int64_t integer, double floating = 0)
{
    if (written == nullptr)
        return;
    written->form = form;
    written->integer = integer;
    written->floating = floating;
}

} // namespace

bool Session::Impl::write(const Node &node, const std::string &text, FeatureValue *written, Error *error)
{
    context.start();
    if (written != nullptr)
        *written = FeatureValue();
    std::string_view word = trim(text);
    switch (formOf(node.kind)) {
    case ValueForm::Integer: {
        int64_t value;
        if (!parseUserInteger(text, &value))
            return fail(error, ErrorKind::BadValueText, "not an integer: " + quoted(text));
        keep(written, ValueForm::Integer, value);
        return setNumber(context, node, Number::ofInteger(value), error);
    }
    case ValueForm::Float: {
        double value;
        if (!parseFloat(text, &value) || value != value)
            return fail(error, ErrorKind::BadValueText, "not a number: " + quoted(text));
        keep(written, ValueForm::Float, 0, value);
        return setNumber(context, node, Number::ofFloat(value), error);
    }
    case ValueForm::Enumeration: {
        // Written by an entry's name or by its integer value.
        const EnumEntry *chosen = nullptr;
        bool done = node.as<EnumerationNode>()->writeByText(context, text, &chosen, error);
        if (chosen != nullptr && written != nullptr) {
            written->form = ValueForm::Enumeration;
            written->integer = chosen->value;
            written->text = chosen->symbolic;
        }
        return done;
    }
    case ValueForm::Boolean:
        if (word == "true" || word == "1") {
            keep(written, ValueForm::Boolean, 1);
            return setNumber(context, node, Number::ofInteger(1), error);
        }
        if (word == "false" || word == "0") {
            keep(written, ValueForm::Boolean, 0);
            return setNumber(context, node, Number::ofInteger(0), error);
        }
        return fail(error, ErrorKind::BadValueText, "not a boolean: " + quoted(text) + " (true, false, 1 or 0)");
    case ValueForm::String:
        if (written != nullptr) {
            written->form = ValueForm::String;
            written->text = text;
        }
        return setText(context, node, text, error);
    case ValueForm::Register: {
        std::vector<uint8_t> bytes;
        if (!parseBytes(text, &bytes))
            return fail(error, ErrorKind::BadValueText, "not hexadecimal bytes: " + quoted(text));
        if (written != nullptr) {
            written->form = ValueForm::Register;
            written->bytes = bytes;
        }
        return setBytes(context, node, bytes, error);
    }
    case ValueForm::Command:
        keep(written, ValueForm::Command, 0);
        if (word == "1" || word == "execute")
            return node.as<CommandNode>()->execute(context, error);
        return fail(error, ErrorKind::BadValueText,
                    "a command is executed by writing 1 or execute, not " + quoted(text));
    default:
        return noValue(node, "write", error);
    }
}

} // namespace genicam

// A camera's features by name: read and written as text in each feature's
// own form (Value.h's codec), or as the typed value itself.
#include "session/SessionImpl.h"

#include <math.h>

#include "Error.h"
#include "nodes/kinds/CommandNode.h"
#include "nodes/kinds/EnumerationNode.h"
#include "nodes/Operations.h"

namespace genicam {

using namespace engine;

namespace {

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

bool Session::writeValue(const std::string &name, const FeatureValue &value, Error *error)
{
    const Node *node = impl_->nodes->feature(name);
    if (!node)
        return fail(error, ErrorKind::NoSuchFeature, "no such feature");
    return impl_->writeValue(*node, value, error);
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

bool Session::Impl::write(const Node &node, const std::string &text, FeatureValue *written, Error *error)
{
    context.start();
    FeatureValue value;
    const EnumEntry *entry = nullptr;
    ValueForm form = formOf(node.kind);
    if (form == ValueForm::Enumeration) {
        // Written by an entry's name or by its integer value.
        if (!entryNamed(node, text, &entry, error))
            return false;
        value.form = form;
        value.integer = entry->value;
        value.text = entry->symbolic;
    } else if (form == ValueForm::None) {
        return noValue(node, "write", error);
    } else if (!parseValue(form, text, &value, error)) {
        return false;
    }
    if (written != nullptr)
        *written = value;
    return store(node, value, entry, error);
}

bool Session::Impl::writeValue(const Node &node, const FeatureValue &value, Error *error)
{
    context.start();
    ValueForm form = formOf(node.kind);
    if (form == ValueForm::None)
        return noValue(node, "write", error);
    if (value.form != form)
        return fail(error, ErrorKind::BadValueText,
                    std::string("a value of the form ") + valueFormName(value.form) + ", not " + valueFormName(form));
    // What a write of the value's text refuses: a Float that is no number.
    if (form == ValueForm::Float && isnan(value.floating))
        return fail(error, ErrorKind::BadValueText, "not a number: " + quoteText(formatValue(value)));
    const EnumEntry *entry = nullptr;
    if (form == ValueForm::Enumeration && !entryNamed(node, value.text, &entry, error))
        return false;
    return store(node, value, entry, error);
}

bool Session::Impl::entryNamed(const Node &node, std::string_view text, const EnumEntry **entry, Error *error)
{
    const EnumerationNode &enumeration = *node.as<EnumerationNode>();
    *entry = enumeration.named(text);
    return *entry != nullptr || notAnEntry(node.name, enumeration.implementedNames(context), error);
}

bool Session::Impl::store(const Node &node, const FeatureValue &value, const EnumEntry *entry, Error *error)
{
    switch (value.form) {
    case ValueForm::Integer:
        return setNumber(context, node, Number::ofInteger(value.integer), error);
    case ValueForm::Float:
        return setNumber(context, node, Number::ofFloat(value.floating), error);
    case ValueForm::Boolean:
        return setNumber(context, node, Number::ofInteger(value.integer != 0 ? 1 : 0), error);
    case ValueForm::Enumeration:
        return node.as<EnumerationNode>()->setEntry(context, *entry, error);
    case ValueForm::String:
        return setText(context, node, value.text, error);
    case ValueForm::Register:
        return setBytes(context, node, value.bytes, error);
    case ValueForm::Command:
        return node.as<CommandNode>()->execute(context, error);
    case ValueForm::None:
        break;
    }
    return noValue(node, "write", error);
}

} // namespace genicam

// A camera's features by name: read and written as text in each feature's
// own form, or read as the value itself.
#include "SessionImpl.h"
#include "Text.h"

namespace genicam {

using namespace engine;

ValueForm formOf(Kind kind)
{
    switch (kind) {
    case Kind::Integer:
    case Kind::IntReg:
    case Kind::MaskedIntReg:
    case Kind::StructEntry:
    case Kind::IntSwissKnife:
    case Kind::IntConverter:
        return ValueForm::Integer;
    case Kind::Float:
    case Kind::FloatReg:
    case Kind::SwissKnife:
    case Kind::Converter:
        return ValueForm::Float;
    case Kind::Enumeration:
        return ValueForm::Enumeration;
    case Kind::Boolean:
        return ValueForm::Boolean;
    case Kind::String:
    case Kind::StringReg:
        return ValueForm::String;
    case Kind::Register:
        return ValueForm::Register;
    case Kind::Command:
        return ValueForm::Command;
    default:
        return ValueForm::None;
    }
}

const char *valueFormName(ValueForm form)
{
    switch (form) {
    case ValueForm::Integer:
        return "Integer";
    case ValueForm::Float:
        return "Float";
    case ValueForm::Enumeration:
        return "Enumeration";
    case ValueForm::Boolean:
        return "Boolean";
    case ValueForm::String:
        return "String";
    case ValueForm::Register:
        return "Register";
    case ValueForm::Command:
        return "Command";
    case ValueForm::None:
        return "None";
    }
    return "Unknown";
}

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
    evaluator.start();
    *value = FeatureValue();
    value->form = formOf(node.kind);
    switch (value->form) {
    case ValueForm::Integer:
        return evaluator.integer(node, &value->integer, error);
    case ValueForm::Float:
        return evaluator.floating(node, &value->floating, error);
    case ValueForm::Enumeration: {
        const EnumEntry *entry;
        if (!evaluator.entry(node, &entry, error))
            return false;
        value->integer = entry->value;
        value->text = entry->symbolic;
        return true;
    }
    case ValueForm::Boolean: {
        bool truth;
        if (!evaluator.boolean(node, &truth, error))
            return false;
        value->integer = truth;
        return true;
    }
    case ValueForm::String:
        return evaluator.text(node, &value->text, error);
    case ValueForm::Register:
        return evaluator.bytes(node, &value->bytes, error);
    case ValueForm::Command:
        return fail(error, ErrorKind::NotReadable, "a command: it is executed, not read");
    case ValueForm::None:
        break;
    }
    return noValue(node, "read", error);
}

std::string formatValue(const FeatureValue &value)
{
    switch (value.form) {
    case ValueForm::Integer:
        return std::to_string(value.integer);
    case ValueForm::Float:
        return formatFloat(value.floating);
    case ValueForm::Boolean:
        return value.integer ? "true" : "false";
    case ValueForm::Register:
        return formatBytes(value.bytes.data(), value.bytes.size());
    case ValueForm::Enumeration:
    case ValueForm::String:
        return value.text;
    case ValueForm::Command:
    case ValueForm::None:
        break;
    }
    return "";
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
    evaluator.start();
    if (written != nullptr)
        *written = FeatureValue();
    std::string_view word = trim(text);
    switch (formOf(node.kind)) {
    case ValueForm::Integer: {
        int64_t value;
        if (!parseUserInteger(text, &value))
            return fail(error, ErrorKind::BadValueText, "not an integer: " + quoted(text));
        keep(written, ValueForm::Integer, value);
        return evaluator.setNumber(node, integerNumber(value), error);
    }
    case ValueForm::Float: {
        double value;
        if (!parseFloat(text, &value) || value != value)
            return fail(error, ErrorKind::BadValueText, "not a number: " + quoted(text));
        keep(written, ValueForm::Float, 0, value);
        return evaluator.setNumber(node, floatNumber(value), error);
    }
    case ValueForm::Enumeration:
        return writeEntry(node, text, written, error);
    case ValueForm::Boolean:
        if (word == "true" || word == "1") {
            keep(written, ValueForm::Boolean, 1);
            return evaluator.setBoolean(node, true, error);
        }
        if (word == "false" || word == "0") {
            keep(written, ValueForm::Boolean, 0);
            return evaluator.setBoolean(node, false, error);
        }
        return fail(error, ErrorKind::BadValueText, "not a boolean: " + quoted(text) + " (true, false, 1 or 0)");
    case ValueForm::String:
        if (written != nullptr) {
            written->form = ValueForm::String;
            written->text = text;
        }
        return evaluator.setText(node, text, error);
    case ValueForm::Register: {
        std::vector<uint8_t> bytes;
        if (!parseBytes(text, &bytes))
            return fail(error, ErrorKind::BadValueText, "not hexadecimal bytes: " + quoted(text));
        if (written != nullptr) {
            written->form = ValueForm::Register;
            written->bytes = bytes;
        }
        return evaluator.setBytes(node, bytes, error);
    }
    case ValueForm::Command:
        keep(written, ValueForm::Command, 0);
        if (word == "1" || word == "execute")
            return evaluator.execute(node, error);
        return fail(error, ErrorKind::BadValueText,
                    "a command is executed by writing 1 or execute, not " + quoted(text));
    default:
        return noValue(node, "write", error);
    }
}

// An Enumeration is written by an entry's name or by its integer value.
bool Session::Impl::writeEntry(const Node &node, const std::string &text, FeatureValue *written, Error *error)
{
    std::string_view word = trim(text);
    int64_t value;
    bool isNumber = parseUserInteger(text, &value);
    const EnumEntry *chosen = nullptr;
    for (const EnumEntry &entry : node.entries)
        if (chosen == nullptr && entry.symbolic == word)
            chosen = &entry;
    for (const EnumEntry &entry : node.entries)
        if (chosen == nullptr && isNumber && entry.value == value)
            chosen = &entry;
    if (chosen != nullptr) {
        if (written != nullptr) {
            written->form = ValueForm::Enumeration;
            written->integer = chosen->value;
            written->text = chosen->symbolic;
        }
        return evaluator.setEntry(node, *chosen, error);
    }
    return fail(error, ErrorKind::NotAnEntry,
                "not an entry of " + std::string(node.name) + " (" + evaluator.entryNames(node) + ")");
}

} // namespace genicam

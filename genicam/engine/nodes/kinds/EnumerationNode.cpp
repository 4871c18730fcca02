#include "nodes/kinds/EnumerationNode.h"

#include "Error.h"
#include "nodes/Context.h"
#include "nodes/NodeParser.h"
#include "nodes/Operations.h"
#include "numbers/Text.h"

namespace genicam {
namespace engine {

namespace {

EnumEntry parseEntry(NodeParser &parser, pugi::xml_node element)
{
    EnumEntry entry;
    entry.name = element.attribute("Name").value();
    entry.symbolic = entry.name;
    bool hasValue = false;
    for (pugi::xml_node child : element.children()) {
        Tag tag;
        if (child.type() != pugi::node_element || !tagOf(child.name(), &tag))
            continue;
        if (tag == Tag::Value)
            hasValue = parser.integer(child, &entry.value);
        else if (tag == Tag::Symbolic)
            entry.symbolic = trim(elementText(child));
        else if (tag == Tag::pIsImplemented)
            entry.isImplemented = parser.ref(child);
        else if (tag == Tag::pIsAvailable)
            entry.isAvailable = parser.ref(child);
    }
    if (!hasValue)
        parser.fault("its entry " + std::string(entry.name) + " has no integer Value");
    return entry;
}

} // namespace

void EnumerationNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    switch (tag) {
    case Tag::Value:
    case Tag::pValue:
        parser.source(&value, element, false);
        break;
    case Tag::EnumEntry:
        entries.push_back(parseEntry(parser, element));
        break;
    default:
        Node::parse(parser, tag, element);
        break;
    }
}

void EnumerationNode::finish(NodeParser &parser)
{
    if (!value.given())
        parser.fault("it has no Value or pValue");
    for (const EnumEntry &entry : entries)
        names_.push_back(EntryName{entry.symbolic, entry.value});
}

bool EnumerationNode::readNumber(Context &context, Number *result, Error *error) const
{
    Number number;
    return readSource(context, *this, value, HostKey(this, kValueSlot, 0), &number, error) &&
           integral(*this, number, result, error);
}

bool EnumerationNode::writeNumber(Context &context, Number written, Error *error) const
{
    int64_t integer;
    if (!roundToInteger(written, &integer))
        return fail(error, ErrorKind::NotAnEntry,
                    "not an entry of " + std::string(name) + ": " + formatFloat(written.floating));
    for (const EnumEntry &candidate : entries)
        if (candidate.value == integer)
            return writeEntry(context, candidate, error);
    return fail(error, ErrorKind::NotAnEntry, "not an entry of " + std::string(name) + ": " + std::to_string(integer));
}

bool EnumerationNode::entry(Context &context, const EnumEntry **held, Error *error) const
{
    Number number;
    if (!engine::number(context, *this, &number, error))
        return false;
    const EnumEntry *hidden = nullptr;  // the first entry of the value, not implemented
    for (const EnumEntry &candidate : entries) {
        if (candidate.value != number.integer)
            continue;
        bool implemented = true;
        if (candidate.isImplemented.given() && !condition(context, *this, candidate.isImplemented, &implemented, error))
            return false;
        if (implemented) {
            *held = &candidate;
            return true;
        }
        if (!hidden)
            hidden = &candidate;
    }
    // The camera holds the value of an entry this description says it does
    // not implement: that entry is what it holds (a write of it stays
    // refused).
    if (hidden) {
        *held = hidden;
        return true;
    }
    return fail(error, ErrorKind::FaultyDescription,
                std::string(name) + " holds " + std::to_string(number.integer) + ", which is none of its entries");
}

const EnumEntry *EnumerationNode::named(std::string_view text) const
{
    long found = findEntry(names_, text);
    return found < 0 ? nullptr : &entries[(size_t)found];
}

bool EnumerationNode::setEntry(Context &context, const EnumEntry &chosen, Error *error) const
{
    return checked(context, *this, true, error, [&] { return writeEntry(context, chosen, error); });
}

bool EnumerationNode::writeEntry(Context &context, const EnumEntry &chosen, Error *error) const
{
    Access state;
    if (!presence(context, *this, chosen.isImplemented, chosen.isAvailable, &state, error))
        return false;
    std::string what = "entry " + std::string(chosen.symbolic) + " of " + std::string(name);
    if (state == Access::NI)
        return fail(error, ErrorKind::NotImplemented, what + " is not implemented");
    if (state == Access::NA)
        return fail(error, ErrorKind::NotAvailable, what + " is not available now");
    return writeSource(context, *this, value, HostKey(this, kValueSlot, 0), Number::ofInteger(chosen.value), error);
}

std::vector<std::string_view> EnumerationNode::implementedNames(Context &context) const
{
    const size_t kMaxListed = 32;
    std::vector<std::string_view> names;
    for (const EnumEntry &candidate : entries) {
        context.start();
        bool implemented = true;
        Error ignored;
        if (candidate.isImplemented.given() &&
            condition(context, *this, candidate.isImplemented, &implemented, &ignored) && !implemented)
            continue;
        if (names.size() == kMaxListed) {
            names.push_back("...");
            break;
        }
        names.push_back(candidate.symbolic);
    }
    return names;
}

bool EnumerationNode::entriesNow(Context &context, std::vector<EntryNow> *implemented, Error *error) const
{
    for (const EnumEntry &candidate : entries) {
        context.start();
        Access state;
        if (!presence(context, *this, candidate.isImplemented, candidate.isAvailable, &state, error))
            return false;
        if (state != Access::NI)
            implemented->push_back(EntryNow{&candidate, state == Access::RW});
    }
    return true;
}

} // namespace engine
} // namespace genicam

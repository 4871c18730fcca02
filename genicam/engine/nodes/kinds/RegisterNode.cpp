#include "nodes/kinds/RegisterNode.h"

#include <algorithm>

#include "CameraRegisters.h"
#include "Error.h"
#include "nodes/Context.h"
#include "nodes/kinds/PortNode.h"
#include "nodes/NodeParser.h"
#include "nodes/Operations.h"
#include "numbers/Text.h"

namespace genicam {
namespace engine {

namespace {

// An IntSwissKnife inside the register: the indexed node of that element,
// or one of the register's own when the index has none (no name, or a name
// an earlier node has).
RegisterNode::Knife knifeOf(NodeParser &parser, pugi::xml_node element)
{
    RegisterNode::Knife knife;
    knife.ref = Ref{parser.nodes().indexOf(element), element.attribute("Name").value()};
    if (knife.ref.index == kMissing)
        knife.own = parser.nodes().build(element, Kind::IntSwissKnife);
    return knife;
}

} // namespace

void RegisterNode::parse(NodeParser &parser, Tag tag, pugi::xml_node element)
{
    int64_t value;
    switch (tag) {
    case Tag::Address:
        if (parser.integer(element, &value))
            address += (uint64_t)value;  // addresses add modulo 2^64
        break;
    case Tag::pAddress:
        // A pAddress may hold the node itself rather than its name.
        if (pugi::xml_node inner = element.child("IntSwissKnife"))
            knives.push_back(knifeOf(parser, inner));
        else
            addresses.push_back(parser.ref(element));
        break;
    case Tag::IntSwissKnife:
        knives.push_back(knifeOf(parser, element));
        break;
    case Tag::pIndex: {
        IndexTerm term{parser.ref(element), Source()};
        if (pugi::xml_attribute offset = element.attribute("Offset")) {
            term.offset.from = Source::From::Constant;
            if (!parseDescriptionInteger(offset.value(), &term.offset.constant.integer))
                parser.fault(std::string("pIndex has an Offset that is not an integer: '") + offset.value() + "'");
        } else if (pugi::xml_attribute offset = element.attribute("pOffset")) {
            term.offset.from = Source::From::Node;
            term.offset.ref = parser.ref(offset.value());
        }
        indexes.push_back(term);
        break;
    }
    case Tag::Length:
    case Tag::pLength:
        parser.source(&length, element, false);
        break;
    case Tag::AccessMode:
        parser.access(element, &access);
        break;
    case Tag::pPort:
        port = parser.ref(element);
        break;
    case Tag::Endianess:
        if (trim(elementText(element)) == "BigEndian")
            bigEndian = true;
        else if (trim(elementText(element)) != "LittleEndian")
            parser.fault("Endianess is neither LittleEndian nor BigEndian: '" +
                         std::string(trim(elementText(element))) + "'");
        break;
    default:
        Node::parse(parser, tag, element);
        break;
    }
}

void RegisterNode::finish(NodeParser &parser)
{
    if (!length.given())
        parser.fault("it has no Length");
}

bool RegisterNode::locate(Context &context, uint64_t *at, uint64_t *bytes, Error *error) const
{
    uint64_t sum = address;
    int64_t value;
    for (const Ref &ref : addresses) {
        const Node *target = context.follow(*this, ref, error);
        if (!target || !integer(context, *target, &value, error))
            return false;
        sum += (uint64_t)value;
    }
    for (const Knife &knife : knives) {
        const Node *target = knife.own ? knife.own.get() : context.follow(*this, knife.ref, error);
        if (!target || !integer(context, *target, &value, error))
            return false;
        sum += (uint64_t)value;
    }
    Number size;
    int64_t count;
    if (!sourceNumber(context, *this, length, Number::ofInteger(0), &size, error))
        return false;
    if (!roundToInteger(size, &count) || count <= 0)
        return faultAt(*this, "its length is " + std::to_string(size.integer) + " bytes", error);
    if ((uint64_t)count > kMaxBytes)
        return faultAt(*this,
                     "a register of " + std::to_string(count) + " bytes, beyond the " + std::to_string(kMaxBytes) +
                         " this tool reads",
                     error);
    // Each pIndex adds its index times its offset, by default the length.
    for (const IndexTerm &term : indexes) {
        const Node *selector = context.follow(*this, term.index, error);
        Number offset;
        int64_t index, step;
        if (!selector || !integer(context, *selector, &index, error) ||
            !sourceNumber(context, *this, term.offset, Number::ofInteger(count), &offset, error))
            return false;
        if (!roundToInteger(offset, &step))
            return faultAt(*this, "its pIndex offset is no integer", error);
        sum += (uint64_t)index * (uint64_t)step;
    }
    *at = sum;
    *bytes = (uint64_t)count;
    return true;
}

bool RegisterNode::reachable(Context &context, ErrorKind refused, Error *error) const
{
    if (!port.given())
        return true;
    const Node *target = context.follow(*this, port, error);
    if (!target)
        return false;
    const PortNode *named = target->as<PortNode>();
    if (!named)
        return faultAt(*this, "its pPort " + std::string(target->name) + " is not a Port", error);
    if (named->chunkPort)
        return fail(error, refused, "only in an image's chunk data");
    return true;
}

bool RegisterNode::readAt(Context &context, uint64_t at, std::vector<uint8_t> *bytes, Error *error) const
{
    // The Port's reason is the user's: passed on as it is.
    if (!reachable(context, ErrorKind::NotReadable, error))
        return false;
    if (context.port().read(at, bytes->data(), bytes->size(), &error->text))
        return true;
    error->kind = ErrorKind::RegisterIo;
    return false;
}

bool RegisterNode::writeAt(Context &context, uint64_t at, const std::vector<uint8_t> &bytes, Error *error) const
{
    if (!reachable(context, ErrorKind::NotWritable, error))
        return false;
    if (context.port().write(at, bytes.data(), bytes.size(), &error->text))
        return true;
    error->kind = ErrorKind::RegisterIo;
    return false;
}

bool RegisterNode::readAll(Context &context, std::vector<uint8_t> *bytes, Error *error) const
{
    uint64_t at, count;
    if (!locate(context, &at, &count, error))
        return false;
    bytes->assign(count, 0);
    return readAt(context, at, bytes, error);
}

bool RegisterNode::sized(bool fits, uint64_t count, Error *error) const
{
    if (fits)
        return true;
    return faultAt(*this, "it is " + article(type) + " of " + std::to_string(count) + " bytes", error);
}

uint64_t RegisterNode::decode(const std::vector<uint8_t> &bytes) const
{
    if (!bigEndian)
        return loadLittleEndian(bytes.data(), bytes.size());
    uint8_t reversed[8];  // a number's register is at most 8 bytes long
    size_t size = std::min(bytes.size(), sizeof reversed);
    std::reverse_copy(bytes.begin(), bytes.begin() + (ptrdiff_t)size, reversed);
    return loadLittleEndian(reversed, size);
}

void RegisterNode::encode(uint64_t value, std::vector<uint8_t> *bytes) const
{
    storeLittleEndian(bytes->data(), bytes->size(), value);
    if (bigEndian)
        std::reverse(bytes->begin(), bytes->end());
}

bool RegisterNode::readBytes(Context &context, std::vector<uint8_t> *value, Error *error) const
{
    return readAll(context, value, error);
}

bool RegisterNode::writeBytes(Context &context, const std::vector<uint8_t> &value, Error *error) const
{
    uint64_t at, count;
    if (!locate(context, &at, &count, error))
        return false;
    if (value.size() != count)
        return fail(error, ErrorKind::BadValueText,
                    "the register has " + std::to_string(count) + " bytes, not " + std::to_string(value.size()));
    return writeAt(context, at, value, error);
}

} // namespace engine
} // namespace genicam

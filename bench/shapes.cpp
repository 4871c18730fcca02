// The worst shapes of a GenICam description for the engine's formulas, as
// a hostile camera could send them, and the engine's work on them:
//   shapes --write FOLDER      writes knives.xml, wide.xml, expressions.xml and
//                              empty.xml (no node: what a run costs anyway)
//   shapes --build FILE        parses FILE and builds every node
//   shapes --read FILE NAME    parses FILE and reads NAME once (registers hold 0)
// knives.xml: 63 IntSwissKnife nodes, each reading the one before through a
// chain of 100 Expressions.  wide.xml: a node whose formula reads 4,000
// variables, every one the same node of 128 Expressions of some 64 KiB each
// (just under the largest description the engine takes).  expressions.xml:
// 20,000 Expressions in one node.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "Engine.h"
#include "map/NodeMap.h"

namespace {

const size_t kKnives = 63, kChain = 100;
const size_t kVariables = 4000, kWideExpressions = 128;
const size_t kManyExpressions = 20000;

std::string header()
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<RegisterDescription ModelName=\"Shapes\" "
           "VendorName=\"Bench\" StandardNameSpace=\"None\" SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" "
           "SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\" "
           "ProductGuid=\"0\" VersionGuid=\"0\">\n<Integer Name=\"Base\"><Value>1</Value></Integer>\n";
}

const char *const kFooter = "<Port Name=\"Device\"/>\n</RegisterDescription>\n";

std::string knives()
{
    std::string xml = header();
    for (size_t k = 0; k < kKnives; k++) {
        std::string previous = k == 0 ? "Base" : "K" + std::to_string(k - 1);
        xml += "<IntSwissKnife Name=\"K" + std::to_string(k) + "\"><pVariable Name=\"P\">" + previous +
               "</pVariable>\n<Expression Name=\"X0\">P+1</Expression>\n";
        for (size_t e = 1; e < kChain; e++)
            xml += "<Expression Name=\"X" + std::to_string(e) + "\">X" + std::to_string(e - 1) + "+1</Expression>\n";
        xml += "<Formula>X" + std::to_string(kChain - 1) + "</Formula></IntSwissKnife>\n";
    }
    return xml + kFooter;
}

std::string wide()
{
    std::string top = "<IntSwissKnife Name=\"Top\">";
    std::string sum;
    for (size_t v = 0; v < kVariables; v++) {
        top += "<pVariable Name=\"V" + std::to_string(v) + "\">Wide</pVariable>\n";
        sum += (v ? "+V" : "V") + std::to_string(v);
    }
    top += "<Formula>" + sum + "</Formula></IntSwissKnife>\n";
    std::string formula;
    for (size_t e = 0; e < kWideExpressions; e++)
        formula += (e ? "+E" : "E") + std::to_string(e);
    std::string tail = "<Formula>" + formula + "</Formula></IntSwissKnife>\n" + kFooter;
    std::string head = header() + top + "<IntSwissKnife Name=\"Wide\"><pVariable Name=\"A\">Base</pVariable>\n";
    // Each Expression as long as the room left allows: A+A+...+A.
    const size_t kElement = sizeof "<Expression Name=\"E000\"></Expression>\n";
    size_t room = genicam::NodeMap::kMaxSize - head.size() - tail.size() - 64;
    size_t length = std::min<size_t>(room / kWideExpressions - kElement, 65535) | 1;
    std::string body;
    body.reserve(length + 1);
    for (size_t k = 0; k < length; k += 2)
        body += k ? "+A" : "A";
    std::string xml = head;
    for (size_t e = 0; e < kWideExpressions; e++)
        xml += "<Expression Name=\"E" + std::to_string(e) + "\">" + body + "</Expression>\n";
    return xml + tail;
}

std::string expressions()
{
    std::string xml = header() + "<IntSwissKnife Name=\"Many\">\n";
    for (size_t e = 0; e < kManyExpressions; e++)
        xml += "<Expression Name=\"E" + std::to_string(e) + "\">" + std::to_string(e) + "</Expression>\n";
    xml += "<Formula>E" + std::to_string(kManyExpressions - 1) + "+E0</Formula></IntSwissKnife>\n";
    return xml + kFooter;
}

bool save(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out)
        return true;
    fprintf(stderr, "shapes: cannot write %s\n", path.c_str());
    return false;
}

// Parses the file, read in one piece (as the tool reads a description).
bool load(const char *path, std::shared_ptr<const genicam::NodeMap> *nodes)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string xml((size_t)std::max<std::streamoff>(in.tellg(), 0), '\0'), reason;
    in.seekg(0);
    in.read(&xml[0], (std::streamsize)xml.size());
    *nodes = genicam::parseNodeMap(xml.data(), xml.size(), &reason);
    if (*nodes)
        return true;
    fprintf(stderr, "shapes: %s: %s\n", path, reason.c_str());
    return false;
}

// Registers that hold 0.
class ZeroPort : public genicam::Port {
public:
    bool read(uint64_t, uint8_t *bytes, size_t size, std::string *) override
    {
        memset(bytes, 0, size);
        return true;
    }
    bool write(uint64_t, const uint8_t *, size_t, std::string *) override { return true; }
};

} // namespace

int main(int argc, char **argv)
{
    std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "--write" && argc == 3) {
        std::string folder = argv[2];
        return save(folder + "/knives.xml", knives()) && save(folder + "/wide.xml", wide()) &&
                       save(folder + "/expressions.xml", expressions()) &&
                       save(folder + "/empty.xml", header() + kFooter)
                   ? 0
                   : 1;
    }
    std::shared_ptr<const genicam::NodeMap> nodes;
    if (mode == "--build" && argc == 3) {
        if (!load(argv[2], &nodes))
            return 1;
        for (uint32_t k = 0; k < nodes->size(); k++)
            nodes->node(k);
        return 0;
    }
    if (mode == "--read" && argc == 4) {
        if (!load(argv[2], &nodes))
            return 1;
        ZeroPort port;
        genicam::Session session(nodes, port);
        std::string text, reason;
        if (session.read(argv[3], &text, &reason))
            printf("%s = %s\n", argv[3], text.c_str());
        else
            printf("%s: %s\n", argv[3], reason.c_str());
        return 0;
    }
    fprintf(stderr, "usage: shapes --write FOLDER | --build FILE | --read FILE NAME\n");
    return 2;
}

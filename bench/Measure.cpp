// Measures the engine on a generated description about the size of the
// largest real ones (1 MB, some 3,500 nodes): the CPU time to load it,
// against a plain pugixml parse of the same bytes (the floor), and the CPU
// time of one more named read of a plain IntReg, against the Port call
// alone.  Prints the figures; asserts nothing (machines differ).
//
//   GenicamMeasure [--quick] [--write FILE]
//
// --write keeps the generated description in FILE; --quick runs each
// measurement a few times only, to show that it runs.
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "Engine.h"

namespace {

const size_t kTargetSize = 1024 * 1024;

double cpuSeconds()
{
    struct timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

// The least CPU time of runs of work: the one least disturbed.
template <typename Work> double leastSeconds(int runs, Work work)
{
    double least = 1e9;
    for (int i = 0; i < runs; i++) {
        double start = cpuSeconds();
        work();
        least = std::min(least, cpuSeconds() - start);
    }
    return least;
}

std::string text(const char *format, int number)
{
    char buffer[512];
    snprintf(buffer, sizeof buffer, format, number, number, number, number, number, number);
    return buffer;
}

// A feature as real descriptions write them: documented, routed through a
// base address, bounded; every fifth an Enumeration, a Float through a
// Converter, a Boolean on a bit, or a Command.
std::string feature(int k)
{
    std::string doc = text("<ToolTip>Feature %d of the generated camera.</ToolTip>"
                           "<Description>Feature %d: a value the generated camera keeps in a register of its "
                           "own, documented at some length as makers do.</Description>"
                           "<DisplayName>Feature %d</DisplayName><Visibility>Expert</Visibility>",
                           k);
    std::string reg = text("<IntReg Name=\"F%dReg\"><Address>0x%x</Address><pAddress>DeviceBase</pAddress>"
                           "<Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>"
                           "<Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess>"
                           "</IntReg>\n",
                           k);
    switch (k % 5) {
    case 0:
        return text("<Integer Name=\"F%d\">", k) + doc +
               text("<pValue>F%dReg</pValue><Min>0</Min><Max>65535</Max><Inc>1</Inc></Integer>\n", k) + reg;
    case 1: {
        std::string entries;
        for (int e = 0; e < 6; e++)
            entries += text("<EnumEntry Name=\"Choice%d\"><ToolTip>One choice.</ToolTip><Value>%d</Value>"
                            "</EnumEntry>",
                            e);
        return text("<Enumeration Name=\"F%d\">", k) + doc + entries + text("<pValue>F%dReg</pValue></Enumeration>\n", k) +
               reg;
    }
    case 2:
        return text("<Float Name=\"F%d\">", k) + doc +
               text("<pValue>F%dConverter</pValue><Min>0</Min><Max>1000000</Max><Unit>us</Unit></Float>\n"
                    "<Converter Name=\"F%dConverter\"><FormulaTo>FROM * 10</FormulaTo><FormulaFrom>TO / 10"
                    "</FormulaFrom><pValue>F%dReg</pValue></Converter>\n",
                    k) +
               reg;
    case 3:
        return text("<Boolean Name=\"F%d\">", k) + doc +
               text("<pValue>F%dBit</pValue><OnValue>1</OnValue><OffValue>0</OffValue></Boolean>\n"
                    "<MaskedIntReg Name=\"F%dBit\"><Address>0x%x</Address><pAddress>DeviceBase</pAddress>"
                    "<Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort><Bit>3</Bit>"
                    "</MaskedIntReg>\n",
                    k);
    default:
        return text("<Command Name=\"F%d\">", k) + doc +
               text("<pValue>F%dReg</pValue><CommandValue>1</CommandValue></Command>\n", k) + reg;
    }
}

std::string generate()
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<RegisterDescription ModelName=\"Generated\" "
                      "VendorName=\"Measure\" StandardNameSpace=\"USB\" SchemaMajorVersion=\"1\" "
                      "SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\" "
                      "SubMinorVersion=\"0\" ProductGuid=\"0\" VersionGuid=\"0\">\n"
                      "<Integer Name=\"DeviceBase\"><Value>0x10000</Value></Integer>\n"
                      "<IntReg Name=\"Width\"><Address>0x30204</Address><Length>4</Length><AccessMode>RW</AccessMode>"
                      "<pPort>Device</pPort></IntReg>\n";
    // Features until the whole, with the categories (some 30 bytes per
    // feature), reaches the size.
    std::string features;
    int count = 0;
    while (xml.size() + features.size() + 30 * (size_t)count < kTargetSize)
        features += feature(count++);
    std::string categories = "<Category Name=\"Root\"><pFeature>Width</pFeature>";
    for (int group = 0; group * 20 < count; group++)
        categories += text("<pFeature>Group%d</pFeature>", group);
    categories += "</Category>\n";
    for (int k = 0; k < count; k++) {
        if (k % 20 == 0)
            categories += (k > 0 ? "</Category>\n" : "") + text("<Category Name=\"Group%d\">", k / 20);
        categories += text("<pFeature>F%d</pFeature>", k);
    }
    categories += "</Category>\n";
    return xml + categories + features + "<Port Name=\"Device\"/>\n</RegisterDescription>\n";
}

// A port over a fixed register, costing as little as a port can.
class StillPort : public genicam::Port {
public:
    bool read(uint64_t, uint8_t *bytes, size_t size, std::string *) override
    {
        memset(bytes, 7, size);
        return true;
    }
    bool write(uint64_t, const uint8_t *, size_t, std::string *) override { return true; }
};

} // namespace

int main(int argc, char **argv)
{
    bool quick = false;
    const char *out = nullptr;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (strcmp(argv[i], "--write") == 0 && i + 1 < argc)
            out = argv[++i];
        else {
            fprintf(stderr, "usage: %s [--quick] [--write FILE]\n", argv[0]);
            return 1;
        }
    }
    std::string xml = generate();
    if (out) {
        FILE *file = fopen(out, "w");
        if (!file || fwrite(xml.data(), 1, xml.size(), file) != xml.size() || fclose(file) != 0) {
            fprintf(stderr, "cannot write %s\n", out);
            return 1;
        }
    }
    size_t nodes = 0;
    for (size_t at = xml.find(" Name=\""); at != std::string::npos; at = xml.find(" Name=\"", at + 1))
        nodes++;
    double megabytes = (double)xml.size() / (1024 * 1024);
    int runs = quick ? 2 : 30;

    // Alternated, so that both see the same state of the allocator (the
    // first runs of either pay for fresh pages).
    double plain = 1e9, load = 1e9;
    std::string reason;
    for (int i = 0; i < runs; i++) {
        plain = std::min(plain, leastSeconds(1, [&] {
            pugi::xml_document document;
            document.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_auto);
        }));
        load = std::min(load, leastSeconds(1, [&] {
            if (!genicam::parseNodeMap(xml.data(), xml.size(), &reason))
                fprintf(stderr, "not loaded: %s\n", reason.c_str());
        }));
    }
    printf("description: %.2f MB, %zu named nodes\n", megabytes, nodes);
    printf("load: %.2f ms CPU per MB; plain pugixml parse %.2f ms per MB; ratio %.2f\n", load * 1e3 / megabytes,
           plain * 1e3 / megabytes, load / plain);

    StillPort port;
    genicam::Session session(genicam::parseNodeMap(xml.data(), xml.size(), &reason), port);
    const int reads = quick ? 1000 : 1000000;
    std::string value;
    session.read("Width", &value, &reason);  // built once, before measuring
    double named = leastSeconds(quick ? 1 : 5, [&] {
        for (int i = 0; i < reads; i++)
            session.read("Width", &value, &reason);
    });
    uint8_t bytes[4];
    genicam::Port *volatile called = &port;  // a real call, as the engine makes it
    double bare = leastSeconds(quick ? 1 : 5, [&] {
        for (int i = 0; i < reads; i++)
            called->read(0x30204, bytes, sizeof bytes, &reason);
    });
    printf("named read of an IntReg: %.0f ns CPU, of which the port call %.0f ns (Width = %s)\n",
           named * 1e9 / reads, bare * 1e9 / reads, value.c_str());
    return 0;
}

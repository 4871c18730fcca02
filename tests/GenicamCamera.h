// A camera for the GenICam engine's tests: a description written around the
// nodes a test gives, its registers in memory, and a session over them.
#ifndef GENICAM_CAMERA_H
#define GENICAM_CAMERA_H

#include <stdio.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Engine.h"
#include "numbers/Text.h"

namespace {

using genicam::Session;

struct Access {
    uint64_t address;
    size_t size;
};

// A camera's register space in memory (0 where nothing was put), recording
// every read and write; accesses to a failing address are refused, with a
// reason or, at a silent one, without.
class MemoryPort : public genicam::Port {
public:
    bool read(uint64_t address, uint8_t *bytes, size_t size, std::string *reason) override
    {
        reads.push_back({address, size});
        if (silent.count(address))
            return false;
        if (failing.count(address)) {
            *reason = "register 0x" + hex(address) + " could not be read (status 0x8003)";
            return false;
        }
        for (size_t i = 0; i < size; i++)
            bytes[i] = memory.count(address + i) ? memory[address + i] : 0;
        return true;
    }
    bool write(uint64_t address, const uint8_t *bytes, size_t size, std::string *reason) override
    {
        writes.push_back({address, size});
        if (silent.count(address))
            return false;
        if (failing.count(address)) {
            *reason = "register 0x" + hex(address) + " could not be written (status 0x8003)";
            return false;
        }
        for (size_t i = 0; i < size; i++)
            memory[address + i] = bytes[i];
        return true;
    }
    // Puts bytes given as hexadecimal pairs at address.
    void put(uint64_t address, const std::string &text)
    {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(genicam::engine::parseBytes(text, &bytes)) << text;
        for (size_t i = 0; i < bytes.size(); i++)
            memory[address + i] = bytes[i];
    }
    // The bytes at address as hexadecimal pairs.
    std::string bytesAt(uint64_t address, size_t size)
    {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; i++)
            bytes[i] = memory.count(address + i) ? memory[address + i] : 0;
        return genicam::engine::formatBytes(bytes.data(), size);
    }
    static std::string hex(uint64_t value)
    {
        char text[32];
        snprintf(text, sizeof text, "%llx", (unsigned long long)value);
        return text;
    }

    std::map<uint64_t, uint8_t> memory;
    std::vector<Access> reads, writes;
    std::map<uint64_t, bool> failing, silent;
};

// A whole description around nodes, with the device's Port.
std::string description(const std::string &nodes)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<RegisterDescription ModelName=\"Model\" VendorName=\"Maker\" StandardNameSpace=\"None\" "
           "SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" "
           "MinorVersion=\"0\" SubMinorVersion=\"0\" ProductGuid=\"0\" VersionGuid=\"0\" "
           "xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n" +
           nodes + "\n<Port Name=\"Device\"/>\n</RegisterDescription>\n";
}

// One camera on a description: its memory, and a session over it.
struct Camera {
    explicit Camera(const std::string &nodes)
    {
        std::string xml = description(nodes);
        std::string reason;
        map = genicam::parseNodeMap(xml.data(), xml.size(), &reason);
        EXPECT_TRUE(map) << reason;
        if (map)
            session = std::make_unique<Session>(map, port);
    }
    // The value read, or "error: <reason>".
    std::string read(const std::string &name)
    {
        std::string text, reason;
        if (!session)
            return "error: no description";
        return session->read(name, &text, &reason) ? text : "error: " + reason;
    }
    // "ok", or "error: <reason>".
    std::string write(const std::string &name, const std::string &text)
    {
        std::string reason;
        if (!session)
            return "error: no description";
        return session->write(name, text, &reason) ? "ok" : "error: " + reason;
    }
    // A read (text nullptr) or write as "value <text>", "ok", or
    // "<Kind>: <reason>".
    std::string outcome(const std::string &name, const char *text = nullptr)
    {
        if (!session)
            return "error: no description";
        std::string value;
        genicam::Error error;
        bool done = text ? session->write(name, text, &error) : session->read(name, &value, &error);
        if (done)
            return text ? "ok" : "value " + value;
        return std::string(genicam::errorKindName(error.kind)) + ": " + error.text;
    }

    MemoryPort port;
    std::shared_ptr<const genicam::NodeMap> map;
    std::unique_ptr<Session> session;
};

struct Memory {
    uint64_t address;
    const char *bytes;
};

} // namespace

#endif

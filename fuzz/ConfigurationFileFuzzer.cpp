// Fuzzes configuration files: the reader, the writer, and applying and
// comparing a file on a model camera.  Any input is either refused with a
// line and a reason, or read into entries that are GenICam names with
// values of one line, which the writer writes back to the same entries.  An
// applied file compares as matching; one not applied leaves the camera as
// it was when it says so; a comparison changes nothing.
#include "configuration/Configuration.h"
#include "ConfigurationModel.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fault(const char *what, const std::string &detail = "")
{
    fprintf(stderr, "configuration file: %s %.300s\n", what, detail.c_str());
    abort();
}

// A small camera with what makes applying hard: a shared sensor, a rate
// available only when enabled, a lock, a selector and a nested one.
class Sensor : public model::Camera {
public:
    Sensor()
    {
        model::Feature &width = integer("Width", 1024, 16, 2048);
        width.max = [this] { return 2048 - value("OffsetX").integer; };
        width.inc = 16;
        width.locked = [this] { return value("Locked").integer != 0; };
        integer("OffsetX", 1024, 0, 2048).max = [this] { return 2048 - value("Width").integer; };
        boolean("Locked", false).facts.streamable = false;
        boolean("RateEnable", false);
        model::Feature &rate = floating("Rate", 30);
        rate.available = [this] { return value("RateEnable").integer != 0; };
        rate.floatMin = 1;
        rate.floatMax = 100;
        rate.stored = [](double number) { return (double)(float)number; };
        enumeration("Format", {"Mono8", "Mono12", "Color"}).entryAvailable["Color"] = [] { return false; };
        enumeration("Outer", {"A", "B"});
        enumeration("Inner", {"X", "Y", "Z"}).entryAvailable["Z"] = [this] { return text("Outer") == "B"; };
        model::Feature &gain = floating("Gain", 0);
        gain.floatMin = -8;
        gain.floatMax = 8;
        selects("Outer", {"Inner", "Gain"});
        selects("Inner", {"Gain"});
        string("Name", "left");
        bytes("Table", {1, 2, 3, 4});
        command("Start");
    }
    Sensor(const Sensor &) = delete;
};

void checkEntries(const std::vector<genicam::ConfigurationEntry> &entries)
{
    size_t line = 1;
    for (const genicam::ConfigurationEntry &entry : entries) {
        if (entry.line <= line)
            fault("entries out of line order at", entry.name);
        line = entry.line;
        if (!genicam::isGenicamName(entry.name))
            fault("an entry's name is no GenICam name:", entry.name);
        if (entry.value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            fault("an entry's value holds a line end or NUL:", entry.name);
    }
}

// What the writer writes reads back as the same entries.
void checkWriter(const std::vector<genicam::ConfigurationEntry> &entries)
{
    std::string text, reason;
    if (!genicam::writeConfigurationFile({"fuzzer", "v", "m", "s", "1"}, entries, &text, &reason)) {
        for (const genicam::ConfigurationEntry &entry : entries)
            if (entry.value.find('\t') != std::string::npos)
                return;
        fault("the writer refused what the reader read:", reason);
    }
    std::vector<genicam::ConfigurationEntry> again;
    genicam::FileFault refused;
    if (!genicam::parseConfigurationFile(text, &again, &refused))
        fault("the reader refused what the writer wrote:", refused.reason);
    if (again.size() != entries.size())
        fault("written and read again, the entries differ in number");
    for (size_t i = 0; i < again.size(); i++)
        if (again[i].name != entries[i].name || again[i].value != entries[i].value)
            fault("written and read again, an entry differs:", entries[i].name);
}

void checkApply(const std::vector<genicam::ConfigurationEntry> &entries)
{
    Sensor camera;
    std::string before = camera.state();
    genicam::CompareResult compared = genicam::compareConfiguration(camera, entries);
    if (camera.state() != before || !compared.putBack)
        fault("a comparison changed the camera");
    genicam::ApplyResult applied = genicam::applyConfiguration(camera, entries);
    if (applied.values != compared.values)
        fault("applying and comparing count the values differently");
    for (const genicam::ValueFailure &failure : applied.failures)
        if (failure.error.text.empty())
            fault("a value failed without a reason:", failure.value.text());
    if (!applied.applied()) {
        if (applied.restored && camera.state() != before)
            fault("a camera said to be restored is not:", camera.state());
        return;
    }
    genicam::CompareResult after = genicam::compareConfiguration(camera, entries);
    if (!after.matches())
        fault("an applied file does not compare as matching:", after.differences[0].value.text());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char *>(data), size);
    std::vector<genicam::ConfigurationEntry> entries;
    genicam::FileFault refused;
    if (!genicam::parseConfigurationFile(bytes, &entries, &refused)) {
        if (refused.reason.empty())
            fault("a file was refused without a reason");
        if (refused.line > (size_t)std::count(bytes.begin(), bytes.end(), '\n') + 1)
            fault("a refusal names a line beyond the file");
        return 0;
    }
    checkEntries(entries);
    checkWriter(entries);
    checkApply(entries);
    return 0;
}

// Fuzzes the GenICam engine: the input's first line names a feature (with
// "=text" to write it too, or "*" to list every feature), the rest is a
// description.  Its registers are served from the input's own bytes, so
// whatever a description points at holds something.  Any description either
// is refused with a reason or gives each feature a value or a reason; the
// same read twice gives the same outcome (nothing is cached, the port is
// deterministic); listing writes nothing.
#include "Engine.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace {

// Registers whose bytes repeat the input; writes change nothing, counted.
class InputPort : public genicam::Port {
public:
    InputPort(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    bool read(uint64_t address, uint8_t *bytes, size_t size, std::string *reason) override
    {
        if (size_ == 0 || address % 251 == 13) {
            *reason = "register could not be read";
            return false;
        }
        for (size_t i = 0; i < size; i++)
            bytes[i] = data_[(address + i) % size_];
        return true;
    }
    bool write(uint64_t, const uint8_t *, size_t, std::string *) override
    {
        writes++;
        return true;
    }

    size_t writes = 0;

private:
    const uint8_t *data_;
    size_t size_;
};

[[noreturn]] void fault(const char *what)
{
    fprintf(stderr, "GenICam engine: %s\n", what);
    abort();
}

std::string outcome(genicam::Session &session, const std::string &name)
{
    std::string text;
    genicam::Error error;
    if (session.read(name, &text, &error))
        return "value " + text;
    if (error.kind == genicam::ErrorKind::None)
        fault("a read failed without a kind");
    if (error.text.empty() && error.kind != genicam::ErrorKind::RegisterIo)
        fault("a read failed without a reason");
    return std::string(genicam::errorKindName(error.kind)) + " " + error.text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    std::string input(text, size);
    size_t newline = input.find('\n');
    if (newline == std::string::npos)
        return 0;
    std::string name = input.substr(0, newline), value;
    size_t equals = name.find('=');
    bool write = equals != std::string::npos;
    if (write) {
        value = name.substr(equals + 1);
        name.resize(equals);
    }

    std::string reason;
    std::shared_ptr<const genicam::NodeMap> nodes =
        genicam::parseNodeMap(text + newline + 1, size - newline - 1, &reason);
    if (!nodes) {
        if (reason.empty())
            fault("a description was refused without a reason");
        return 0;
    }
    InputPort port(data, size);
    genicam::Session session(nodes, port);
    if (name == "*") {
        session.list([](const genicam::Session::Listed &line) {
            if (line.value.empty() && !line.readable)
                fault("a listed feature has neither a value nor a reason");
        });
        if (port.writes != 0)
            fault("listing wrote to the camera");
        return 0;
    }
    if (write && !session.write(name, value, &reason) && reason.empty())
        fault("a write failed without a reason");
    if (outcome(session, name) != outcome(session, name))
        fault("the same read gave two outcomes");
    return 0;
}

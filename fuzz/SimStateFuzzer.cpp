// Fuzzes the simulator's register state: any file is either refused and
// then never written, or read, written to, and read back by another reader
// as exactly the values the writer holds (compaction included).
#include "../sdk/sim/Sim.h"
#include "FuzzFile.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

using namespace qrvsim;

namespace {

const int kWrites = 3;

[[noreturn]] void fault(const char *what)
{
    fprintf(stderr, "register state: %s\n", what);
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path = writeFuzzFile("registers", data, size);
    setenv("QRV_SIM_STATE", path.c_str(), 1);
    std::string before = readFuzzFile(path);

    RegisterState writer;
    writer.configure();
    writer.reload();
    if (!writer.usable()) {
        if (writer.store(1, 2, 3) || readFuzzFile(path) != before)
            fault("an unusable file was written");
        return 0;
    }
    // A few writes, some to registers the file may hold already, one above
    // 32 bits, and a block of two.
    const uint64_t kWideAddress = 0xFFFFF0F00A0C;
    for (int k = 0; k < kWrites; k++) {
        uint32_t camera = size > 0 ? data[k % size] % 4 : 0;
        uint64_t address = (k == kWrites - 1 ? kWideAddress : 0x60018) + 4 * (uint64_t)k;
        if (!writer.store(camera, address, (uint32_t)size + (uint32_t)k))
            fault("a write to a usable file failed");
    }
    if (!writer.store(1, RegisterState::Writes{{0x60020, 1}, {0x60024, 2}}))
        fault("a block write to a usable file failed");

    RegisterState reader;
    reader.configure();
    reader.reload();
    if (!reader.usable())
        fault("a file the writer wrote cannot be read back");
    if (reader.values() != writer.values())
        fault("read back other values than were written");
    return 0;
}

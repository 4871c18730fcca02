// Fuzzes the simulator's configuration reader: any file is either refused
// (reported, nothing used) or read into cameras that hold together.
#include "../sdk/sim/Sim.h"
#include "FuzzFile.h"

#include <stdlib.h>

#include <set>

using namespace qrvsim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path = writeFuzzFile("config", data, size);
    Config config;
    if (!readConfig(path.c_str(), &config))
        return 0;
    std::set<uint32_t> numbers;
    for (const Camera &camera : config.cameras) {
        if (!numbers.insert(camera.number).second)
            abort();  // listed twice, yet accepted
        if (camera.registers.size() < defaultConfig().cameras[0].registers.size())
            abort();  // lost a default register
        for (const std::string &text : camera.identity)
            if (text.size() > kIdentityTextMax)
                abort();  // an identity text its 64 bytes cannot hold with a NUL
        if (camera.description != nullptr && camera.description->size > kDescriptionMax)
            abort();  // a description larger than the cap
    }
    if ((config.countFails && config.countStatus >= 0) || (config.recordsFail && config.recordsStatus >= 0))
        abort();  // a failure status that is a success
    return 0;
}

// How a node may be used: what its kind, its access mode and its
// conditions allow.
#ifndef GENICAM_ENGINE_ACCESS_H
#define GENICAM_ENGINE_ACCESS_H

#include <stdint.h>

namespace genicam {
namespace engine {

// Bit 1 read, bit 2 write; NI (not implemented) and NA (not available) on top.
enum class Access : uint8_t { NA = 0, RO = 1, WO = 2, RW = 3, NI = 4 };

// The name of an access mode as listed: RO, RW, WO, NA or NI.
inline const char *accessName(Access access)
{
    switch (access) {
    case Access::RO:
        return "RO";
    case Access::WO:
        return "WO";
    case Access::RW:
        return "RW";
    case Access::NI:
        return "NI";
    default:
        return "NA";
    }
}

// The access two restrictions leave together.
inline Access intersect(Access a, Access b)
{
    if (a == Access::NI || b == Access::NI)
        return Access::NI;
    return (Access)((int)a & (int)b);
}

} // namespace engine
} // namespace genicam

#endif

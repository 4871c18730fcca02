#include "Reasons.h"

#include <inttypes.h>
#include <stdio.h>

namespace genicam {

const char kNoManifest[] = "no manifest";
const char kNoUsableEntry[] = "no usable entry";
const char kBeyond32Bits[] = "beyond 32-bit addresses";
const char kNotZipWithOneXml[] = "not a ZIP with one XML";
const char kSha1Mismatch[] = "SHA-1 mismatch";
const char kTooLarge[] = "too large";

std::string unsupportedZipMethod(unsigned long method)
{
    return "ZIP compression method " + std::to_string(method) + " is neither stored nor deflate";
}

std::string unreadableRegister(uint64_t address)
{
    char text[64];
    snprintf(text, sizeof text, "register 0x%" PRIX64 " could not be read", address);
    return text;
}

} // namespace genicam

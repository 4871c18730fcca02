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

namespace genicam {

std::string unterminatedUrl(uint64_t address)
{
    char text[64];
    snprintf(text, sizeof text, "URL register 0x%" PRIX64 " holds no terminated URL", address);
    return text;
}

std::string urlOutsideCamera(const std::string &shownUrl)
{
    return "its URL " + shownUrl + " names a file outside the camera: give the description with -g";
}

std::string unusableUrl(const std::string &shownUrl)
{
    return "unusable URL " + shownUrl;
}

std::string escapedUrl(const std::string &url, size_t max)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (size_t k = 0; k < url.size() && k < max; k++) {
        unsigned char c = (unsigned char)url[k];
        if (c >= 0x20 && c < 0x7F)
            shown += (char)c;
        else
            shown += std::string("\\x") + kHex[c >> 4] + kHex[c & 0xF];
    }
    return url.size() > max ? shown + "..." : shown;
}

} // namespace genicam

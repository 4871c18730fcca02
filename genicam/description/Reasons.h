// Why a camera's GenICam description could not be had: the only reasons
// the description reader gives the user.
#ifndef GENICAM_DESCRIPTION_REASONS_H
#define GENICAM_DESCRIPTION_REASONS_H

#include <stdint.h>

#include <string>

namespace genicam {

// The manifest table address (bootstrap 0x1D0) is 0.
extern const char kNoManifest[];
// The table lists no entry of a description this reader can use.
extern const char kNoUsableEntry[];
// The table or the file lies above 0xFFFFFFFF and the port reaches no further.
extern const char kBeyond32Bits[];
// The file is not a ZIP archive holding exactly one .xml file.
extern const char kNotZipWithOneXml[];
// The file's SHA-1 differs from the one the manifest entry gives.
extern const char kSha1Mismatch[];
// The file, or what it unpacks to, is larger than the reader accepts.
extern const char kTooLarge[];

// "ZIP compression method <method> is neither stored nor deflate".
std::string unsupportedZipMethod(unsigned long method);

// "register 0x<address> could not be read", the address in upper-case
// hexadecimal as the tool's register lines show it.
std::string unreadableRegister(uint64_t address);

// GigE Vision: "URL register 0x<address> holds no terminated URL".
std::string unterminatedUrl(uint64_t address);
// GigE Vision: "its URL <url> names a file outside the camera: give the
// description with -g".
std::string urlOutsideCamera(const std::string &shownUrl);
// GigE Vision: "unusable URL <url>".
std::string unusableUrl(const std::string &shownUrl);
// A URL from a camera as a reason shows it: each byte outside printable
// ASCII as \xNN, at most max bytes of it, "..." after them when cut.
std::string escapedUrl(const std::string &url, size_t max);

} // namespace genicam

#endif

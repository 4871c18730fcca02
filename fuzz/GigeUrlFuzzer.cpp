// Fuzzes what the description reader takes of a GigE Vision camera's URL
// register and manifest table.  The first byte chooses: bit 0 clear, the
// rest is a URL register's bytes; set, the rest is manifest entries.
// Checked on every run:
// - a URL taken is a Local: one of a non-empty .xml or .zip file, its SHA-1
//   the query's; a URL refused has a reason of the reader's, printable;
// - an entry chosen is of schema 1 and no other entry of schema 1 is newer.
#include "FuzzBytes.h"
#include "GigeDescription.h"
#include "GigeUrl.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

using namespace genicam;

namespace {

[[noreturn]] void fault(const char *what, const std::string &detail)
{
    fprintf(stderr, "gige url: %s: %s\n", what, detail.c_str());
    abort();
}

bool startsWith(const std::string &text, const char *prefix)
{
    return text.compare(0, strlen(prefix), prefix) == 0;
}

std::string lower(std::string text)
{
    for (char &c : text)
        c = (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c;
    return text;
}

void checkUrl(const uint8_t *bytes, size_t size)
{
    GigeUrl url;
    std::string reason;
    if (!parseGigeUrl(bytes, size, 0x200, &url, &reason)) {
        if (!(reason == "URL register 0x200 holds no terminated URL" || startsWith(reason, "unusable URL ") ||
              (startsWith(reason, "its URL ") &&
               reason.find(" names a file outside the camera: give the description with -g") != std::string::npos)))
            fault("an unknown reason", reason);
        for (unsigned char c : reason)
            if (c < 0x20 || c >= 0x7F)
                fault("a reason that is not printable", reason);
        return;
    }
    std::string text(reinterpret_cast<const char *>(bytes), strnlen(reinterpret_cast<const char *>(bytes), size));
    std::string name = lower(url.fileName);
    if (lower(text).find("local:") == std::string::npos || url.size == 0 || name.size() < 5 ||
        (name.substr(name.size() - 4) == ".zip") != url.zip ||
        (!url.zip && name.substr(name.size() - 4) != ".xml"))
        fault("a URL taken that is not a Local: one of an .xml or .zip file", text);
}

void checkManifest(const uint8_t *bytes, size_t size)
{
    size_t count = size / 8;
    GigeManifestEntry chosen;
    bool found = chooseGigeManifestEntry(bytes, count, &chosen);
    bool any = false;
    for (size_t k = 0; k < count; k++) {
        uint64_t word = 0;
        for (size_t b = 0; b < 8; b++)
            word = word << 8 | bytes[k * 8 + b];
        GigeManifestEntry entry = parseGigeManifestEntry(word);
        if (entry.schemaMajor != 1)
            continue;
        any = true;
        if (found && (entry.major << 16 | entry.minor << 8 | entry.subminor) >
                         (chosen.major << 16 | chosen.minor << 8 | chosen.subminor))
            fault("a newer entry than the one chosen", std::to_string(k));
    }
    if (found != any || (found && chosen.schemaMajor != 1))
        fault("an entry chosen wrongly", std::to_string(count));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 1)
        checkManifest(data + 1, size - 1);
    else
        checkUrl(data + 1, size - 1);
    return 0;
}

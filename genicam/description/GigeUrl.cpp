#include "GigeUrl.h"

#include "Reasons.h"

#include <string.h>

#include <algorithm>
#include <vector>

namespace genicam {

namespace {

const size_t kShownUrl = 80;  // the most of a URL a reason shows

std::string lower(std::string text)
{
    for (char &c : text)
        c = (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c;
    return text;
}

std::string trimmed(const std::string &text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return "";
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    size_t at = 0;
    for (size_t found; (found = text.find(separator, at)) != std::string::npos; at = found + 1)
        parts.push_back(text.substr(at, found - at));
    parts.push_back(text.substr(at));
    return parts;
}

// A hexadecimal number of at most 16 digits, with an optional 0x.
bool hexNumber(std::string text, uint64_t *value)
{
    text = trimmed(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text = text.substr(2);
    if (text.empty() || text.size() > 16 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    *value = 0;
    for (char c : text)
        *value = *value << 4 | (uint64_t)(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    return true;
}

bool endsWith(const std::string &text, const char *suffix)
{
    size_t length = strlen(suffix);
    return text.size() > length && lower(text.substr(text.size() - length)) == suffix;
}

// The query's SchemaVersion (its major must be 1) and SHA1.
bool readQuery(const std::string &query, GigeUrl *url)
{
    for (const std::string &pair : split(query, '&')) {
        size_t equals = pair.find('=');
        std::string key = lower(trimmed(pair.substr(0, equals)));
        std::string value = equals == std::string::npos ? "" : trimmed(pair.substr(equals + 1));
        if (key == "schemaversion" && value.substr(0, value.find('.')) != "1")
            return false;
        if (key != "sha1")
            continue;
        if (value.size() != 40 || value.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return false;
        for (size_t k = 0; k < 20; k++) {
            uint64_t byte = 0;
            hexNumber(value.substr(2 * k, 2), &byte);
            url->sha1[k] = (uint8_t)byte;
        }
    }
    return true;
}

// name;address;length, the name possibly holding ';' itself.
bool readLocalPath(const std::string &path, GigeUrl *url)
{
    std::vector<std::string> parts = split(path, ';');
    if (parts.size() < 3)
        return false;
    std::string name = parts[0];
    for (size_t k = 1; k + 2 < parts.size(); k++)
        name += ";" + parts[k];
    name = trimmed(name);
    name.erase(0, name.find_first_not_of('/'));
    url->fileName = name;
    url->zip = endsWith(name, ".zip");
    return (url->zip || endsWith(name, ".xml")) && hexNumber(parts[parts.size() - 2], &url->address) &&
           hexNumber(parts.back(), &url->size) && url->size > 0;
}

} // namespace

bool parseGigeUrl(const uint8_t *bytes, size_t size, uint64_t registerAddress, GigeUrl *url, std::string *reason)
{
    *url = GigeUrl();
    const uint8_t *end = static_cast<const uint8_t *>(memchr(bytes, 0, size));
    if (end == nullptr) {
        *reason = unterminatedUrl(registerAddress);
        return false;
    }
    std::string text = trimmed(std::string(reinterpret_cast<const char *>(bytes), (size_t)(end - bytes)));
    std::string shown = escapedUrl(text, kShownUrl);
    size_t colon = text.find(':');
    std::string scheme = lower(text.substr(0, colon == std::string::npos ? 0 : colon));
    if (scheme == "file" || scheme == "http" || scheme == "https") {
        *reason = urlOutsideCamera(shown);
        return false;
    }
    std::string rest = colon == std::string::npos ? "" : text.substr(colon + 1);
    rest = rest.substr(0, rest.find('#'));
    size_t question = rest.find('?');
    std::string path = rest.substr(0, question);
    std::string query = question == std::string::npos ? "" : rest.substr(question + 1);
    if (scheme != "local" || !readLocalPath(path, url) || !readQuery(query, url)) {
        *reason = unusableUrl(shown);
        return false;
    }
    return true;
}

} // namespace genicam

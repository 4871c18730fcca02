#include "configuration/ConfigurationFile.h"

#include <stdio.h>
#include <string.h>

namespace genicam {

const char kConfigurationMagic[] = "# {05D8C294-F295-4dfb-9D01-096BD04049F4}";
const char kMultipleSetsMagic[] = "# {4709CB3C-7322-4460-84C3-DA11DDA09939}";

namespace {

const size_t kQuotedMax = 40;  // bytes of a bad line shown in its reason

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// text with anything but printable ASCII as \xNN.
std::string printable(std::string_view text)
{
    std::string shown;
    for (char c : text) {
        unsigned char byte = (unsigned char)c;
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
            continue;
        }
        char escaped[8];
        snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        shown += escaped;
    }
    return shown;
}

// A line as its reason quotes it: its start, printable.
std::string quoted(std::string_view text)
{
    if (text.size() <= kQuotedMax)
        return "'" + printable(text) + "'";
    return "'" + printable(text.substr(0, kQuotedMax)) + "...'";
}

bool refuse(size_t line, const std::string &reason, FileFault *fault)
{
    fault->line = line;
    fault->reason = reason;
    return false;
}

// The first line, which must be the magic.
bool checkMagic(std::string_view first, FileFault *fault)
{
    if (first == kConfigurationMagic)
        return true;
    if (first == kMultipleSetsMagic)
        return refuse(1, std::string("a file of several feature sets (") + kMultipleSetsMagic +
                             "): only a file of one set can be read",
                      fault);
    return refuse(1, std::string("the first line is not ") + kConfigurationMagic, fault);
}

// One line after the first: a comment, a blank line, or a value.
bool readLine(size_t number, std::string_view line, std::vector<ConfigurationEntry> *entries, FileFault *fault)
{
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos || line[start] == '#')
        return true;
    if (line.find('\r') != std::string_view::npos)
        return refuse(number, "a carriage return inside the line", fault);
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos)
        return refuse(number, "neither a comment nor a name, a tab and a value: " + quoted(line), fault);
    std::string_view name = line.substr(0, tab);
    if (!isGenicamName(name))
        return refuse(number, quoted(name) + " is not a GenICam name", fault);
    if (entries->size() == kMaxConfigurationEntries)
        return refuse(number, "more than " + std::to_string(kMaxConfigurationEntries) + " values", fault);
    ConfigurationEntry entry;
    entry.line = number;
    entry.name = name;
    entry.value = line.substr(tab + 1);
    entries->push_back(std::move(entry));
    return true;
}

} // namespace

bool isGenicamName(std::string_view text)
{
    if (text.empty() || !isLetter(text[0]))
        return false;
    for (char c : text)
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '_')
            return false;
    return true;
}

bool parseConfigurationFile(std::string_view bytes, std::vector<ConfigurationEntry> *entries, FileFault *fault)
{
    entries->clear();
    if (bytes.size() > kMaxConfigurationSize)
        return refuse(0, "larger than 16 MiB", fault);
    size_t number = 0;
    size_t at = 0;
    while (at < bytes.size() || number == 0) {
        number++;
        size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMaxConfigurationLine)
            return refuse(number, "longer than 1 MiB", fault);
        if (memchr(line.data(), '\0', line.size()) != nullptr)
            return refuse(number, "a NUL byte", fault);
        if (number == 1 ? !checkMagic(line, fault) : !readLine(number, line, entries, fault))
            return false;
    }
    return true;
}

bool writeConfigurationFile(const ConfigurationHeader &header, const std::vector<ConfigurationEntry> &entries,
                            std::string *text, std::string *reason)
{
    std::string file = std::string(kConfigurationMagic) + "\n";
    file += "# GenApi persistence file written by " + printable(header.writer) + "\n";
    file += "# Vendor = " + printable(header.vendor) + " -- Model = " + printable(header.model) +
            " -- Serial number = " + printable(header.serialNumber) +
            " -- Description version = " + printable(header.descriptionVersion) + "\n";
    for (const ConfigurationEntry &entry : entries) {
        if (!isGenicamName(entry.name)) {
            *reason = quoted(entry.name) + " is not a GenICam name";
            return false;
        }
        if (entry.value.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string::npos) {
            *reason = "the value of " + entry.name + " holds a tab, CR, LF or NUL, which a file cannot hold";
            return false;
        }
        if (entry.value.size() > kMaxConfigurationLine - entry.name.size() - 1) {
            *reason = "the value of " + entry.name + " is longer than a line of a file may be (1 MiB)";
            return false;
        }
        file += entry.name + "\t" + entry.value + "\n";
    }
    if (file.size() > kMaxConfigurationSize) {
        *reason = "the file would be larger than 16 MiB";
        return false;
    }
    *text = std::move(file);
    return true;
}

} // namespace genicam

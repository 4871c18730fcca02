// Line-based text files of the simulator, and its messages.
#include "Sim.h"

#include <ctype.h>
#include <errno.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

namespace qrvsim {

void report(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("QrVApi simulator: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
}

WordFile::WordFile(const std::string &path) : path_(path) {}

WordFile::~WordFile()
{
    free(buffer_);
    if (file_ != NULL)
        fclose(file_);
}

bool WordFile::opened(bool missingIsFine)
{
    file_ = fopen(path_.c_str(), "r");
    if (file_ != NULL)
        return true;
    if (!(missingIsFine && errno == ENOENT)) {
        report("%s: cannot read: %s", path_.c_str(), strerror(errno));
        failed_ = true;
    }
    return false;
}

bool WordFile::next(std::vector<std::string> *words)
{
    words->clear();
    while (words->empty()) {
        if (getline(&buffer_, &capacity_, file_) == -1) {
            if (ferror(file_)) {
                report("%s: read error", path_.c_str());
                failed_ = true;
            }
            return false;
        }
        line_++;
        *words = splitWords(buffer_);
    }
    return true;
}

bool WordFile::fail(const char *format, ...)
{
    char message[512];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    report("%s:%d: %s", path_.c_str(), line_, message);
    failed_ = true;
    return false;
}

bool parseNumber(const std::string &word, uint64_t max, uint64_t *value)
{
    const char *text = word.c_str();
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text += 2;
        base = 16;
    }
    if (!(base == 16 ? isxdigit((unsigned char)*text) : isdigit((unsigned char)*text)))
        return false;
    char *end;
    errno = 0;
    unsigned long long parsed = strtoull(text, &end, base);
    if (*end != '\0' || errno == ERANGE || parsed > max)
        return false;
    *value = parsed;
    return true;
}

std::vector<std::string> splitWords(const std::string &line)
{
    static const char kSpace[] = " \t\r\n\v\f";
    std::vector<std::string> words;
    std::string text = line.substr(0, line.find('#'));
    size_t at = 0;
    while ((at = text.find_first_not_of(kSpace, at)) != std::string::npos) {
        size_t end = text.find_first_of(kSpace, at);
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

bool WordFile::number(const std::string &word, uint64_t max, uint64_t *value)
{
    if (!parseNumber(word, max, value))
        return fail("bad number '%s'", word.c_str());
    return true;
}

bool WordFile::number32(const std::string &word, uint32_t *value)
{
    uint64_t parsed = 0;
    if (!number(word, UINT32_MAX, &parsed))
        return false;
    *value = (uint32_t)parsed;
    return true;
}

} // namespace qrvsim

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
        ssize_t length = getline(&buffer_, &capacity_, file_);
        if (length == -1) {
            if (ferror(file_)) {
                report("%s: read error", path_.c_str());
                failed_ = true;
            }
            return false;
        }
        line_++;
        if (memchr(buffer_, '\0', (size_t)length) != NULL)
            return fail("a NUL byte in the line");
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
    size_t at = 0;
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        at = 2;
        base = 16;
    }
    if (at == word.size())
        return false;
    // Every character a digit: strtoull alone would take a second "0x", a
    // sign or leading white space, and stop at a NUL byte.
    for (size_t k = at; k < word.size(); k++)
        if (!(base == 16 ? isxdigit((unsigned char)word[k]) : isdigit((unsigned char)word[k])))
            return false;
    errno = 0;
    unsigned long long parsed = strtoull(word.c_str() + at, NULL, base);
    if (errno == ERANGE || parsed > max)
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

// Fuzzes VisionAccess's command line: the input is argv, words separated by
// NUL bytes.  Every command line the tool accepts is checked against a small
// reference reading written from the manual page's rules, number by number, and
// every command line it rejects must be invalid by those rules and have one
// line of reason.
#include <ctype.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "CommandLine.h"

#include <string>
#include <vector>

namespace {

const size_t kMaxWords = 64;

// The manual page's reading of a command line.
struct Reading {
    bool accepted = true;
    bool continual = false;
    long delayMs = 5000;
    bool decimal = false;
    bool isFloat = false;
    // Targets as text: "0x<address>" for an address, the name of a feature.
    std::vector<std::string> reads, writes, texts;
    std::vector<unsigned> values;  // the bits of an address's value, 0 for a feature's
    bool identity = false, listFeatures = false, jsonLines = false;
    std::vector<std::string> selections;
    std::vector<long long> cameraNumbers;  // of each -s word, -1 for a serial number or name
    std::string saveFolder;
    std::string configurationFolder;
};

bool space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digitValue(char c, int base)
{
    int value = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    return value < base ? value : -1;
}

const char *skipSpace(const char *text)
{
    while (space(*text))
        text++;
    return text;
}

bool onlySpace(const char *text)
{
    return *skipSpace(text) == '\0';
}

// Digits in the base, at least one, with a cap on the value: false on none
// or beyond cap.
bool digits(const char **text, int base, unsigned long long cap, unsigned long long *value)
{
    const char *at = *text;
    *value = 0;
    bool over = false;
    for (; digitValue(*at, base) >= 0; at++) {
        unsigned digit = (unsigned)digitValue(*at, base);
        if (*value > (cap - digit) / (unsigned)base)
            over = true;
        else
            *value = *value * base + digit;
    }
    if (at == *text || over)
        return false;
    *text = at;
    return true;
}

// Hexadecimal: white space, an optional +, an optional 0x, hex digits, at
// most cap, then only white space.
bool hexNumber(const char *text, unsigned long long cap, unsigned long long *value)
{
    text = skipSpace(text);
    if (*text == '+')
        text++;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && digitValue(text[2], 16) >= 0)
        text += 2;
    return digits(&text, 16, cap, value) && onlySpace(text);
}

bool hexNumber(const char *text, unsigned *value)
{
    unsigned long long number;
    if (!hexNumber(text, 0xFFFFFFFFull, &number))
        return false;
    *value = (unsigned)number;
    return true;
}

// A -r or -w target as text: a name (a letter, then letters, digits and
// '_', not all hexadecimal digits) stands for itself; else a hexadecimal
// address of up to 64 bits, as "0x<upper-case hex>".
bool target(const std::string &word, std::string *text)
{
    bool name = !word.empty() && isalpha((unsigned char)word[0]);
    bool allHex = true;
    for (char c : word) {
        name = name && (isalnum((unsigned char)c) || c == '_');
        allHex = allHex && isxdigit((unsigned char)c);
    }
    if (name && !allHex) {
        *text = word;
        return true;
    }
    unsigned long long address;
    if (!hexNumber(word.c_str(), ~0ull, &address))
        return false;
    char hex[32];
    snprintf(hex, sizeof hex, "0x%llX", address);
    *text = hex;
    return true;
}

bool isFolder(const std::string &path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Decimal with -i: white space, a sign, digits in the int range, then only
// white space.
bool decimalNumber(const char *text, unsigned *value)
{
    text = skipSpace(text);
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        text++;
    unsigned long long number;
    if (!digits(&text, 10, negative ? 2147483648ull : 2147483647ull, &number) || !onlySpace(text))
        return false;
    *value = negative ? 0u - (unsigned)number : (unsigned)number;
    return true;
}

bool startsWithWord(const char *text, const char *word)
{
    for (; *word != '\0'; text++, word++)
        if ((*text | 0x20) != *word)
            return false;
    return true;
}

// The length of the float text strtof reads at the start of text (after a
// sign), or 0: infinity, nan with an optional (chars), a hexadecimal float,
// or a decimal one with an optional exponent.
size_t floatLength(const char *text, bool *isInfinity)
{
    *isInfinity = false;
    if (startsWithWord(text, "infinity") || startsWithWord(text, "inf")) {
        *isInfinity = true;
        return startsWithWord(text, "infinity") ? 8 : 3;
    }
    if (startsWithWord(text, "nan")) {
        size_t length = 3;
        if (text[3] == '(') {
            size_t at = 4;
            while (isalnum((unsigned char)text[at]) || text[at] == '_')
                at++;
            if (text[at] == ')')
                length = at + 1;
        }
        return length;
    }
    bool hexadecimal = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    int base = hexadecimal ? 16 : 10;
    const char *at = hexadecimal ? text + 2 : text;
    const char *start = at;
    while (digitValue(*at, base) >= 0)
        at++;
    bool whole = at != start;
    if (*at == '.') {
        const char *fraction = ++at;
        while (digitValue(*at, base) >= 0)
            at++;
        whole = whole || at != fraction;
    }
    if (!whole)
        return hexadecimal ? 1 : 0;  // "0x" alone reads as the 0
    char exponent = hexadecimal ? 'p' : 'e';
    if ((*at | 0x20) == exponent) {
        const char *sign = at + 1;
        if (*sign == '+' || *sign == '-')
            sign++;
        if (isdigit((unsigned char)*sign)) {
            at = sign;
            while (isdigit((unsigned char)*at))
                at++;
        }
    }
    return (size_t)(at - text);
}

// Float with -f: what strtof reads, then only white space; finite text
// beyond the float range is refused.  The value is its bit pattern.
bool floatNumber(const char *text, unsigned *value)
{
    const char *start = skipSpace(text);
    const char *body = *start == '+' || *start == '-' ? start + 1 : start;
    bool isInfinity;
    size_t length = floatLength(body, &isInfinity);
    if (length == 0 || !onlySpace(body + length))
        return false;
    float number = strtof(start, nullptr);
    if (isinf(number) && !isInfinity)
        return false;
    memcpy(value, &number, sizeof *value);
    return true;
}

// -d: as strtol reads it, in base 10; refused when negative or beyond int.
bool delay(const char *text, long *value)
{
    text = skipSpace(text);
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        text++;
    unsigned long long number = 0;
    if (digitValue(*text, 10) >= 0 && !digits(&text, 10, 0x7FFFFFFFull, &number))
        return false;  // beyond int
    if (negative && number > 0)
        return false;
    *value = (long)number;
    return true;
}

// -s: a word of decimal digits only, up to 4294967295, is a camera number;
// any other is a serial number or name (-1).
long long cameraNumber(const std::string &word)
{
    unsigned long long number;
    const char *text = word.c_str();
    if (!digits(&text, 10, 0xFFFFFFFFull, &number) || *text != '\0')
        return -1;
    return (long long)number;
}

bool isOptionWord(const std::string &word, char letter)
{
    return word.size() == 2 && word[0] == '-' && (word[1] == letter || word[1] == letter - 'a' + 'A');
}

Reading readReference(const std::vector<std::string> &words)
{
    Reading r;
    bool saveFolderGiven = false, configurationFolderGiven = false;
    size_t i = 0;
    auto refuse = [&r]() {
        r.accepted = false;
        return r;
    };
    while (i < words.size()) {
        const std::string &w = words[i];
        size_t left = words.size() - i - 1;
        unsigned value;
        std::string address;
        if (isOptionWord(w, 'c')) {
            r.continual = true;
            i += 1;
        } else if (isOptionWord(w, 'd')) {
            if (left < 1 || !delay(words[i + 1].c_str(), &r.delayMs))
                return refuse();
            i += 2;
        } else if (isOptionWord(w, 'r')) {
            if (left < 1 || !target(words[i + 1], &address))
                return refuse();
            r.reads.push_back(address);
            i += 2;
        } else if (isOptionWord(w, 'w')) {
            if (left < 2 || !target(words[i + 1], &address))
                return refuse();
            const char *text = words[i + 2].c_str();
            bool feature = address.compare(0, 2, "0x") != 0;
            value = 0;
            bool ok = feature || (r.decimal ? decimalNumber(text, &value)
                                  : r.isFloat ? floatNumber(text, &value) : hexNumber(text, &value));
            if (!ok)
                return refuse();
            r.writes.push_back(address);
            r.values.push_back(value);
            r.texts.push_back(text);
            i += 3;
        } else if (isOptionWord(w, 'i')) {
            if (r.isFloat)
                return refuse();
            r.decimal = true;
            i += 1;
        } else if (isOptionWord(w, 'f')) {
            if (r.decimal)
                return refuse();
            r.isFloat = true;
            i += 1;
        } else if (isOptionWord(w, 'v')) {
            r.identity = true;
            i += 1;
        } else if (isOptionWord(w, 'a')) {
            r.listFeatures = true;
            i += 1;
        } else if (isOptionWord(w, 'j')) {
            r.jsonLines = true;
            i += 1;
        } else if (isOptionWord(w, 's')) {
            if (left < 1 || words[i + 1].empty())
                return refuse();
            r.selections.push_back(words[i + 1]);
            r.cameraNumbers.push_back(cameraNumber(words[i + 1]));
            i += 2;
        } else if (isOptionWord(w, 'x')) {
            if (saveFolderGiven || left < 1 || !isFolder(words[i + 1]))
                return refuse();
            saveFolderGiven = true;
            r.saveFolder = words[i + 1];
            i += 2;
        } else if (isOptionWord(w, 'o')) {
            if (configurationFolderGiven || left < 1 || !isFolder(words[i + 1]))
                return refuse();
            configurationFolderGiven = true;
            r.configurationFolder = words[i + 1];
            i += 2;
        } else {
            return refuse();
        }
    }
    return r;
}

[[noreturn]] void mismatch(const char *what, const std::vector<std::string> &words)
{
    fprintf(stderr, "command line reading differs from the manual page's rules (%s):", what);
    for (const std::string &word : words)
        fprintf(stderr, " '%s'", word.c_str());
    fprintf(stderr, "\n");
    abort();
}

std::string targetText(const Target &target)
{
    char hex[32];
    snprintf(hex, sizeof hex, "0x%llX", (unsigned long long)target.address);
    return target.feature != NULL ? target.feature : hex;
}

bool sameReads(const std::list<Target> &reads, const std::vector<std::string> &expected)
{
    std::vector<std::string> texts;
    for (const Target &target : reads)
        texts.push_back(targetText(target));
    return texts == expected;
}

bool sameWrites(const std::list<TargetWrite> &writes, const Reading &expected)
{
    std::vector<std::string> targets, texts;
    std::vector<unsigned> bits;
    for (const TargetWrite &write : writes) {
        targets.push_back(targetText(write.target));
        bits.push_back(write.bits);
        texts.push_back(write.text);
    }
    return targets == expected.writes && bits == expected.values && texts == expected.texts;
}

bool sameSelections(const SelectionList &list, const Reading &expected)
{
    std::vector<std::string> values;
    std::vector<long long> numbers;
    for (const Selection &selection : list) {
        values.push_back(selection.value);
        numbers.push_back(selection.isNumber ? (long long)selection.number : -1);
    }
    return values == expected.selections && numbers == expected.cameraNumbers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> words;
    std::string word;
    for (size_t k = 0; k < size; k++) {
        if (data[k] != '\0') {
            word += (char)data[k];
            continue;
        }
        words.push_back(word);
        word.clear();
    }
    if (size > 0)
        words.push_back(word);
    if (words.size() > kMaxWords)
        return 0;
    for (const std::string &w : words)
        if (isOptionWord(w, 'l') || isOptionWord(w, 'g') || isOptionWord(w, 'p') || isOptionWord(w, 'm'))
            return 0;  // -l would create files named by the fuzzer; -g, -p and -m read them

    std::vector<char *> argv{const_cast<char *>("VisionAccess")};
    for (std::string &w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);

    RunOptions options;
    Reason reason;
    int status = setRunOptions((int)words.size() + 1, argv.data(), &options, &reason);
    Reading expected = readReference(words);
    if ((status == 0) != expected.accepted)
        mismatch(status == 0 ? "accepted, but invalid" : "rejected, but valid", words);
    if (status != 0) {
        // Exactly one line of reason, whatever the words hold.
        if (reason.text[0] == '\0')
            mismatch("rejected without a reason", words);
        for (const char *at = reason.text; *at != '\0'; at++)
            if (iscntrl((unsigned char)*at))
                mismatch("a reason of more than one line", words);
        return 0;
    }
    if (options.continual != expected.continual || options.delayMs != expected.delayMs ||
        options.decimal != expected.decimal || options.isFloat != expected.isFloat)
        mismatch("flags or delay", words);
    if (!sameReads(options.reads, expected.reads) || !sameWrites(options.writes, expected))
        mismatch("register lists", words);
    if (options.identity != expected.identity || options.listFeatures != expected.listFeatures ||
        options.jsonLines != expected.jsonLines ||
        !sameSelections(options.selections, expected) ||
        (options.saveFolder != NULL ? options.saveFolder : "") != expected.saveFolder ||
        (options.configurationFolder != NULL ? options.configurationFolder : "") != expected.configurationFolder)
        mismatch("added options", words);
    return 0;
}

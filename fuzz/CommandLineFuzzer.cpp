// Fuzzes VisionAccess's command line: the input is argv, words separated by
// NUL bytes.  Every command line the tool accepts is checked against a small
// reference reading written from the README's rules, number by number, and
// every command line it rejects must be invalid by those rules and have one
// line of reason.
//
// The tool's file is compiled in whole, its main renamed, so that its
// file-scope run options and static functions are reached as they are.
#define main visionAccessMain
#include "../src/VisionAccess.cpp"
#undef main

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace {

const size_t kMaxWords = 64;

// The README's reading of a command line.
struct Reading {
    bool accepted = true;
    bool continual = false;
    long delayMs = 5000;
    bool decimal = false;
    bool isFloat = false;
    std::vector<unsigned> reads, writes, values;
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
        *value = *value * base + (unsigned)digitValue(*at, base);
        if (*value > cap) {
            over = true;
            *value = cap + 1;
        }
    }
    if (at == *text || over)
        return false;
    *text = at;
    return true;
}

// Hexadecimal: white space, an optional +, an optional 0x, hex digits, at
// most 32 bits, then only white space.
bool hexNumber(const char *text, unsigned *value)
{
    text = skipSpace(text);
    if (*text == '+')
        text++;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && digitValue(text[2], 16) >= 0)
        text += 2;
    unsigned long long number;
    if (!digits(&text, 16, 0xFFFFFFFFull, &number) || !onlySpace(text))
        return false;
    *value = (unsigned)number;
    return true;
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

bool isOptionWord(const std::string &word, char letter)
{
    return word.size() == 2 && word[0] == '-' && (word[1] == letter || word[1] == letter - 'a' + 'A');
}

Reading readReference(const std::vector<std::string> &words)
{
    Reading r;
    size_t i = 0;
    auto refuse = [&r]() {
        r.accepted = false;
        return r;
    };
    while (i < words.size()) {
        const std::string &w = words[i];
        size_t left = words.size() - i - 1;
        unsigned address, value;
        if (isOptionWord(w, 'c')) {
            r.continual = true;
            i += 1;
        } else if (isOptionWord(w, 'd')) {
            if (left < 1 || !delay(words[i + 1].c_str(), &r.delayMs))
                return refuse();
            i += 2;
        } else if (isOptionWord(w, 'r')) {
            if (left < 1 || !hexNumber(words[i + 1].c_str(), &address))
                return refuse();
            r.reads.push_back(address);
            i += 2;
        } else if (isOptionWord(w, 'w')) {
            if (left < 2 || !hexNumber(words[i + 1].c_str(), &address))
                return refuse();
            const char *text = words[i + 2].c_str();
            bool ok = r.decimal ? decimalNumber(text, &value) : r.isFloat ? floatNumber(text, &value) : hexNumber(text, &value);
            if (!ok)
                return refuse();
            r.writes.push_back(address);
            r.values.push_back(value);
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
        } else {
            return refuse();
        }
    }
    return r;
}

[[noreturn]] void mismatch(const char *what, const std::vector<std::string> &words)
{
    fprintf(stderr, "command line reading differs from the README's rules (%s):", what);
    for (const std::string &word : words)
        fprintf(stderr, " '%s'", word.c_str());
    fprintf(stderr, "\n");
    abort();
}

bool sameList(const RegisterList &list, const std::vector<unsigned> &expected)
{
    return std::vector<unsigned>(list.begin(), list.end()) == expected;
}

void resetRunOptions()
{
    runOption_continual = false;
    runOption_delayMs = kDefaultDelayMs;
    runOption_decimal = false;
    runOption_float = false;
    runOption_readRegisters.clear();
    runOption_writeRegisters.clear();
    runOption_writeValues.clear();
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
        if (isOptionWord(w, 'l'))
            return 0;  // -l would create files named by the fuzzer

    std::vector<char *> argv{const_cast<char *>("VisionAccess")};
    for (std::string &w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);

    resetRunOptions();
    int status = setRunOptions((int)words.size() + 1, argv.data());
    Reading expected = readReference(words);
    if ((status == 0) != expected.accepted)
        mismatch(status == 0 ? "accepted, but invalid" : "rejected, but valid", words);
    if (status != 0) {
        // Exactly one line of reason, whatever the words hold.
        if (sRejection[0] == '\0')
            mismatch("rejected without a reason", words);
        for (const char *at = sRejection; *at != '\0'; at++)
            if (iscntrl((unsigned char)*at))
                mismatch("a reason of more than one line", words);
        return 0;
    }
    if (runOption_continual != expected.continual || runOption_delayMs != expected.delayMs ||
        runOption_decimal != expected.decimal || runOption_float != expected.isFloat)
        mismatch("flags or delay", words);
    if (!sameList(runOption_readRegisters, expected.reads) || !sameList(runOption_writeRegisters, expected.writes) ||
        !sameList(runOption_writeValues, expected.values))
        mismatch("register lists", words);
    return 0;
}

// Fuzzes the GenICam formula language.  The input is a formula, optionally
// after variable lines and a line "--":
//   NAME=VALUE         a variable (an integer, a double, or "fail")
//   NAME.Entry.X=VALUE an entry of the enumeration behind variable NAME
// Any text either fails to parse with a reason, leaving no formula, or is
// evaluated in both arithmetics, where each evaluation fails with a reason
// or gives a value of the kind wanted (finite in Float), the same when run
// again and after a move, reading each variable at most once.
#include "formula/Formula.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using namespace genicam;

namespace {

const size_t kMaxVariables = 8;
const char *const kSeparator = "--";
const char *const kEntryInfix = ".Entry.";

[[noreturn]] void fault(const char *what, const std::string &formula)
{
    fprintf(stderr, "formula: %s: %.200s\n", what, formula.c_str());
    abort();
}

class FuzzVariables : public Variables {
public:
    std::vector<std::string> names;
    std::vector<Number> values;
    std::vector<bool> failing;
    std::map<std::pair<size_t, std::string>, Number> entries;
    mutable std::vector<int> reads;

    bool value(size_t k, Number *value, std::string *reason) const override
    {
        reads.at(k)++;
        if (failing.at(k)) {
            *reason = "variable " + names[k] + " cannot be read";
            return false;
        }
        *value = values[k];
        return true;
    }

    bool entryValue(size_t k, const std::string &entryName, Number *value, std::string *reason) const override
    {
        auto entry = entries.find({k, entryName});
        if (entry == entries.end()) {
            *reason = "no entry " + entryName;
            return false;
        }
        *value = entry->second;
        return true;
    }
};

Number parseValue(const std::string &text, bool *failing)
{
    *failing = text == "fail";
    char *end = nullptr;
    long long integer = strtoll(text.c_str(), &end, 0);
    if (end != nullptr && *end == '\0' && !text.empty())
        return Number::ofInteger(integer);
    return Number::ofFloat(strtod(text.c_str(), nullptr));
}

// Splits the input into variables and the formula text.
std::string readInput(const std::string &input, FuzzVariables *variables)
{
    size_t separator = ("\n" + input).find(std::string("\n") + kSeparator + "\n");
    if (separator == std::string::npos) {
        variables->names = {"X", "Y"};
        variables->values = {Number::ofInteger(6), Number::ofFloat(-2.5)};
        variables->failing = {false, false};
        return input;
    }
    std::string head = input.substr(0, separator);
    size_t start = 0;
    while (start < head.size() && variables->names.size() < kMaxVariables) {
        size_t end = std::min(head.find('\n', start), head.size());
        std::string line = head.substr(start, end - start);
        start = end + 1;
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string name = line.substr(0, equals);
        bool failing;
        Number value = parseValue(line.substr(equals + 1), &failing);
        size_t entry = name.find(kEntryInfix);
        auto owner = std::find(variables->names.begin(), variables->names.end(), name.substr(0, entry));
        if (entry != std::string::npos && owner != variables->names.end()) {
            size_t k = (size_t)(owner - variables->names.begin());
            variables->entries[{k, name.substr(entry + strlen(kEntryInfix))}] = value;
            continue;
        }
        variables->names.push_back(name);
        variables->values.push_back(value);
        variables->failing.push_back(failing);
    }
    return input.substr(separator + strlen(kSeparator) + 1);
}

bool same(const Number &a, const Number &b)
{
    if (a.isFloat != b.isFloat)
        return false;
    return a.isFloat ? memcmp(&a.floating, &b.floating, sizeof a.floating) == 0 : a.integer == b.integer;
}

void checkEvaluation(const Formula &formula, const Formula &moved, Arithmetic arithmetic,
                     const FuzzVariables &variables, const std::string &text)
{
    Number first, second;
    std::string reason, again;
    variables.reads.assign(variables.names.size(), 0);
    bool ok = formula.evaluate(arithmetic, variables, &first, &reason);
    for (int reads : variables.reads)
        if (reads > 1)
            fault("a variable was read twice in one evaluation", text);
    if (!ok && reason.empty())
        fault("an evaluation failed without a reason", text);
    if (ok && first.isFloat != (arithmetic == Arithmetic::Float))
        fault("a result of the wrong kind", text);
    if (ok && first.isFloat && !isfinite(first.floating))
        fault("a result that is not finite", text);
    bool okAgain = moved.evaluate(arithmetic, variables, &second, &again);
    if (okAgain != ok || (ok && !same(first, second)) || (!ok && again != reason))
        fault("two evaluations differ", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string input(reinterpret_cast<const char *>(data), size);
    FuzzVariables variables;
    std::string text = readInput(input, &variables);

    Formula formula;
    std::string reason;
    if (!formula.parse(text, variables.names, &reason)) {
        Number result;
        std::string evaluated;
        if (reason.empty() || !formula.usedVariables().empty() ||
            formula.evaluate(Arithmetic::Float, variables, &result, &evaluated))
            fault("a refused formula left something behind", text);
        return 0;
    }
    std::vector<size_t> used = formula.usedVariables();
    for (size_t k = 0; k < used.size(); k++)
        if (used[k] >= variables.names.size() || std::count(used.begin(), used.end(), used[k]) != 1)
            fault("usedVariables is not a set of the variables", text);

    Formula copy;
    if (!copy.parse(text, variables.names, &reason))
        fault("the same text parsed once and not twice", text);
    Formula moved(std::move(copy));
    checkEvaluation(formula, moved, Arithmetic::Integer, variables, text);
    checkEvaluation(formula, moved, Arithmetic::Float, variables, text);
    return 0;
}

// The GenICam formula language: each operator and function from a table, in
// integer and floating arithmetic; syntax errors; bounds; how variables and
// enumeration entries are read.
#include "formula/Formula.h"

#include <gtest/gtest.h>

#include <math.h>

#include <map>

using namespace genicam;

namespace {

const int64_t kMin = INT64_MIN;
const int64_t kMax = INT64_MAX;
const double kTwoTo63 = 9223372036854775808.0;

// Variables from a table.  FAIL cannot be read; SEL is an enumeration with
// entries Off = 0, On = 1 and Auto = 7 (its current value is 2).
class TableVariables : public Variables {
public:
    explicit TableVariables(std::vector<std::pair<std::string, Number>> table) : table_(std::move(table))
    {
        reads.assign(table_.size(), 0);
    }

    std::vector<std::string> names() const
    {
        std::vector<std::string> names;
        for (const auto &row : table_)
            names.push_back(row.first);
        return names;
    }

    bool value(size_t k, Number *value, std::string *reason) const override
    {
        reads[k]++;
        if (table_[k].first == "FAIL") {
            *reason = "register 0x100 could not be read";
            return false;
        }
        *value = table_[k].second;
        return true;
    }

    bool entryValue(size_t k, const std::string &entryName, Number *value, std::string *reason) const override
    {
        static const std::map<std::string, int64_t> kEntries = {{"Off", 0}, {"On", 1}, {"Auto", 7}};
        auto entry = kEntries.find(entryName);
        if (table_[k].first != "SEL" || entry == kEntries.end()) {
            *reason = "no entry " + entryName + " in " + table_[k].first;
            return false;
        }
        *value = Number::ofInteger(entry->second);
        return true;
    }

    mutable std::vector<int> reads;

private:
    std::vector<std::pair<std::string, Number>> table_;
};

TableVariables standardVariables()
{
    return TableVariables({{"X", Number::ofInteger(6)},
                           {"Y", Number::ofInteger(-4)},
                           {"F", Number::ofFloat(2.5)},
                           {"BIG", Number::ofInteger(kMax)},
                           {"MIN", Number::ofInteger(kMin)},
                           {"SEL", Number::ofInteger(2)},
                           {"BASE", Number::ofInteger(0x10000)},
                           {"X.Min", Number::ofInteger(1)},
                           {"FAIL", Number::ofInteger(0)}});
}

// What an evaluation should give: an integer, a double, or an error whose
// reason contains the text.
struct Outcome {
    bool ok;
    int64_t integer;
    double floating;
    const char *error;
};

Outcome I(int64_t value) { return {true, value, 0, nullptr}; }
Outcome D(double value) { return {true, 0, value, nullptr}; }
Outcome Err(const char *part) { return {false, 0, 0, part}; }

struct Case {
    const char *formula;
    Outcome integer;   // in Arithmetic::Integer
    Outcome floating;  // in Arithmetic::Float
};

void check(const Formula &formula, Arithmetic arithmetic, const Outcome &expected, const std::string &label)
{
    TableVariables variables = standardVariables();
    Number result;
    std::string reason;
    bool ok = formula.evaluate(arithmetic, variables, &result, &reason);
    ASSERT_EQ(ok, expected.ok) << label << ": " << reason;
    if (!ok) {
        EXPECT_NE(reason.find(expected.error), std::string::npos) << label << ": " << reason;
    } else if (arithmetic == Arithmetic::Integer) {
        EXPECT_FALSE(result.isFloat) << label;
        EXPECT_EQ(result.integer, expected.integer) << label;
    } else {
        EXPECT_TRUE(result.isFloat) << label;
        EXPECT_DOUBLE_EQ(result.floating, expected.floating) << label;
    }
}

void checkTable(const std::vector<Case> &cases)
{
    std::vector<std::string> names = standardVariables().names();
    for (const Case &c : cases) {
        Formula formula;
        std::string reason;
        ASSERT_TRUE(formula.parse(c.formula, names, &reason)) << c.formula << ": " << reason;
        check(formula, Arithmetic::Integer, c.integer, std::string(c.formula) + " (integer)");
        check(formula, Arithmetic::Float, c.floating, std::string(c.formula) + " (float)");
    }
}

// The reason parse gives, "" when it parses.
std::string parseError(const std::string &text, const std::vector<std::string> &names = {"X"})
{
    Formula formula;
    std::string reason;
    return formula.parse(text, names, &reason) ? "" : reason;
}

std::string repeat(const std::string &text, int times)
{
    std::string repeated;
    for (int k = 0; k < times; k++)
        repeated += text;
    return repeated;
}

} // namespace

TEST(Formula, Operators)
{
    checkTable({
        {"7 + 2", I(9), D(9)},          {"7 - 9", I(-2), D(-2)},         {"7 * -3", I(-21), D(-21)},
        {"7 / 2", I(3), D(3.5)},        {"-7 / 2", I(-3), D(-3.5)},      {"8 / 2", I(4), D(4)},
        {"7.0 / 2", I(3), D(3.5)},      {"7 % 3", I(1), D(1)},           {"-7 % 3", I(-1), D(-1)},
        {"7 % -3", I(1), D(1)},         {"7.5 % 2", I(1), D(1.5)},       {"2 ** 10", I(1024), D(1024)},
        {"2 ** -1", I(0), D(0.5)},      {"(-1) ** -3", I(-1), D(-1)},    {"4 ** 0.5", I(2), D(2)},
        {"6 & 3", I(2), D(2)},          {"6 | 3", I(7), D(7)},           {"6 ^ 3", I(5), D(5)},
        {"~0", I(-1), D(-1)},           {"~5.9", I(-6), D(-6)},          {"1 << 4", I(16), D(16)},
        {"-16 >> 2", I(-4), D(-4)},     {"-1 >> 1", I(-1), D(-1)},       {"1 << 64", I(0), D(0)},
        {"1 << 63", I(kMin), D(-kTwoTo63)}, {"-5 >> 70", I(-1), D(-1)},  {"16 << -2", I(4), D(4)},
        {"16 >> -2", I(64), D(64)},     {"1 >> MIN", I(0), D(0)},        {"3 = 3", I(1), D(1)},
        {"3 <> 3", I(0), D(0)},         {"2 < 3", I(1), D(1)},           {"3 > 3", I(0), D(0)},
        {"3 <= 3", I(1), D(1)},         {"2 >= 3", I(0), D(0)},          {"2.5 > 2", I(1), D(1)},
        {"F = 2.5", I(1), D(1)},        {"BIG = BIG - 1", I(0), D(0)},   {"2 && 3", I(1), D(1)},
        {"0 && 1 / 0", I(0), D(0)},     {"1 || 1 / 0", I(1), D(1)},      {"0 || 0.5", I(1), D(1)},
        {"!0", I(1), D(1)},             {"!7", I(0), D(0)},              {"!0.0", I(1), D(1)},
        {"X > 5 ? 10 : 1 / 0", I(10), D(10)}, {"0 ? 1 / 0 : F", I(2), D(2.5)}, {"-X", I(-6), D(-6)},
        {"+X", I(6), D(6)},             {"--X", I(6), D(6)},             {"-F", I(-2), D(-2.5)},
    });
}

TEST(Formula, Functions)
{
    checkTable({
        {"SGN(-3)", I(-1), D(-1)},        {"SGN(0)", I(0), D(0)},             {"SGN(-0.5)", I(-1), D(-1)},
        {"NEG(X)", I(-6), D(-6)},         {"NEG(F)", I(-2), D(-2.5)},         {"ABS(Y)", I(4), D(4)},
        {"ABS(-2.5)", I(2), D(2.5)},      {"TRUNC(-2.5)", I(-2), D(-2)},      {"FLOOR(-2.5)", I(-3), D(-3)},
        {"CEIL(-2.5)", I(-2), D(-2)},     {"ROUND(-2.5)", I(-3), D(-3)},      {"ROUND(2.5)", I(3), D(3)},
        {"FLOOR(X)", I(6), D(6)},         {"ROUND(10.11, 1)", I(10), D(10.1)}, {"ROUND(-20.99, 1)", I(-21), D(-21)},
        {"ROUND(1234, -2)", I(1200), D(1200)}, {"ROUND(X, 1)", I(6), D(6)},   {"SIN(PI / 2)", I(1), D(1)},
        {"COS(0)", I(1), D(1)},           {"TAN(PI / 4)", I(0), D(1)},        {"ASIN(1)", I(1), D(M_PI / 2)},
        {"ACOS(-1)", I(3), D(M_PI)},      {"ATAN(1)", I(0), D(M_PI / 4)},     {"EXP(1)", I(2), D(M_E)},
        {"LN(E)", I(1), D(1)},            {"LG(1000)", I(3), D(3)},           {"SQRT(2)", I(1), D(M_SQRT2)},
        {"sqrt(16)", I(4), D(4)},         {"PI", I(3), D(M_PI)},              {"E", I(2), D(M_E)},
    });
}

TEST(Formula, PrecedenceAndGrouping)
{
    checkTable({
        {"2 + 3 * 4", I(14), D(14)},        {"(2 + 3) * 4", I(20), D(20)},   {"10 - 4 - 3", I(3), D(3)},
        {"64 / 4 / 2", I(8), D(8)},         {"2 ** 3 ** 2", I(512), D(512)}, {"-2 ** 2", I(-4), D(-4)},
        {"2 ** 3 * 2", I(16), D(16)},       {"2 * -3 ** 2", I(-18), D(-18)}, {"1 + 1 << 2", I(8), D(8)},
        {"1 << 2 < 5", I(1), D(1)},         {"1 < 2 = 1", I(1), D(1)},       {"6 & 3 = 2", I(0), D(0)},
        {"6 ^ 3 & 5", I(7), D(7)},          {"1 | 2 ^ 3", I(1), D(1)},       {"0 && 1 | 1", I(0), D(0)},
        {"1 || 0 && 0", I(1), D(1)},        {"1 ? 2 : 3 + 4", I(2), D(2)},   {"1 ? 2 : 3 ? 4 : 5", I(2), D(2)},
        {"0 ? 2 : 1 ? 4 : 5", I(4), D(4)},  {"0 ? 2 : 0 ? 4 : 5", I(5), D(5)}, {"1 ? 0 ? 6 : 7 : 8", I(7), D(7)},
        {"~1 + 1", I(-1), D(-1)},           {"!0 + 1", I(2), D(2)},          {"-X * -X", I(36), D(36)},
    });
}

TEST(Formula, LiteralsVariablesAndEntries)
{
    checkTable({
        {"0x1F", I(31), D(31)},           {"0XfF", I(255), D(255)},         {"0xFFFFFFFFFFFFFFFF", I(-1), D(-1)},
        {"0x8000000000000000", I(kMin), D(-kTwoTo63)}, {"0x00000000000000000001", I(1), D(1)},
        {"010", I(10), D(10)},            {"1e3", I(1000), D(1000)},        {"1.5E-1", I(0), D(0.15)},
        {".5 * 4", I(2), D(2)},           {"5. + 1", I(6), D(6)},           {"9223372036854775807", I(kMax), D(kTwoTo63)},
        {"9223372036854775808", Err("result beyond the 64-bit integer range"), D(kTwoTo63)},
        {"\n\t X +\r\n 1 \n", I(7), D(7)}, {"X.Min + 1", I(2), D(2)},      {"SEL.Entry.Auto", I(7), D(7)},
        {"SEL.Entry.Off + SEL", I(2), D(2)}, {"BASE + SEL * 4", I(0x10008), D(0x10008)},
    });
}

TEST(Formula, OverflowWrapsInIntegersAndWidensInFloats)
{
    checkTable({
        {"BIG + 1", I(kMin), D(kTwoTo63)},   {"MIN - 1", I(kMax), D(-kTwoTo63)},    {"BIG * 2", I(-2), D(2 * kTwoTo63)},
        {"-MIN", I(kMin), D(kTwoTo63)},      {"MIN / -1", I(kMin), D(kTwoTo63)},    {"MIN % -1", I(0), D(0)},
        {"ABS(MIN)", I(kMin), D(kTwoTo63)},  {"2 ** 64", I(0), D(2 * kTwoTo63)},
        {"3 ** 40", I(-6289078614652622815), D(12157665459056928801.0)},
        {"(BIG - 1) & 1", I(0), D(0)},       {"(BIG - 7) / 8 * 8 = BIG - 7", I(1), D(1)},
    });
}

TEST(Formula, EvaluationErrors)
{
    checkTable({
        {"1 / 0", Err("division by zero"), Err("division by zero")},
        {"1 % 0", Err("division by zero"), Err("division by zero")},
        {"1.5 / 0", Err("division by zero"), Err("division by zero")},
        {"1 / 0.0", Err("division by zero"), Err("division by zero")},
        {"X / (Y + 4)", Err("division by zero"), Err("division by zero")},
        {"(4 / (20 / 10000))", Err("division by zero"), D(2000)},
        {"0 ** -1", Err("division by zero"), Err("division by zero")},
        {"SQRT(-1)", Err("no real result"), Err("no real result")},
        {"ASIN(2)", Err("no real result"), Err("no real result")},
        {"(-8) ** 0.5", Err("no real result"), Err("no real result")},
        {"LN(0)", Err("out of range"), Err("out of range")},
        {"EXP(1000)", Err("out of range"), Err("out of range")},
        {"1e308 * 10", Err("out of range"), Err("out of range")},
        // An infinity goes on; an error where it reaches the result or a
        // step that needs a finite number, named after where it arose.
        {"1 / EXP(1000) + (EXP(1000) > X)", I(1), D(1)},
        {"EXP(1000) - EXP(1000)", Err("EXP at character 1: result out of range"), Err("EXP at character 1")},
        {"X + EXP(1000) & 1", Err("EXP at character 5: result out of range"), Err("EXP at character 5")},
        // A name no variable has is an error only where it is reached.
        {"Z + 1", Err("unknown name 'Z' at character 1"), Err("unknown name 'Z' at character 1")},
        {"X.Entry. + x + pi", Err("unknown name 'X.Entry.'"), Err("unknown name 'X.Entry.'")},
        {"X < 5 && (Z || 1)", I(0), D(0)},
        {"1e300 & 1", Err("beyond the 64-bit integer range"), Err("beyond the 64-bit integer range")},
        {"BIG * 4.0", Err("result beyond the 64-bit integer range"), D(4 * kTwoTo63)},
        {"FAIL + 1", Err("register 0x100 could not be read"), Err("register 0x100 could not be read")},
        {"SEL.Entry.Missing", Err("no entry Missing in SEL"), Err("no entry Missing in SEL")},
        {"X.Entry.On", Err("no entry On in X"), Err("no entry On in X")},
    });
    Formula formula;
    std::string reason;
    ASSERT_TRUE(formula.parse("X + 1 / (Y + 4)", standardVariables().names(), &reason));
    Number result;
    EXPECT_FALSE(formula.evaluate(Arithmetic::Integer, standardVariables(), &result, &reason));
    EXPECT_EQ(reason, "'/' at character 7: division by zero");
}

TEST(Formula, SyntaxErrors)
{
    const std::pair<const char *, const char *> cases[] = {
        {"", "empty formula"},
        {"  \n\t", "empty formula"},
        {"1 +", "expected a number, a name or '(' at the end"},
        {"(1", "expected ')' at the end"},
        {"1)", "')' without '(' at character 2"},
        {"1 2", "expected an operator at character 3"},
        {"FOO(1)", "unknown name 'FOO' at character 1"},
        {"X == 1", "'==' is not an operator (equality is '=') at character 3"},
        {"X != 1", "'!=' is not an operator (inequality is '<>')"},
        {"1 ? 2", "expected ':' at the end"},
        {"1 : 2", "':' without '?'"},
        {"1, 2", "',' outside ROUND(x, n)"},
        {"SQRT 4", "expected '(' after SQRT"},
        {"ATAN(1, 2)", "expected ')' at character 7"},
        {"0x", "hexadecimal number without digits"},
        {"0x10000000000000000", "hexadecimal number beyond 64 bits"},
        {"12abc", "malformed number"},
        {"1.2.3", "malformed number"},
        {"2E", "malformed number"},
        {"1e999", "number out of range"},
        {"X # 1", "unexpected character '#' at character 3"},
        {"X\x01", "unexpected byte 0x01"},
    };
    for (const auto &c : cases)
        EXPECT_NE(parseError(c.first).find(c.second), std::string::npos) << c.first << ": " << parseError(c.first);
}

TEST(Formula, VariablesShadowFunctionsAndConstants)
{
    TableVariables variables({{"EXP", Number::ofInteger(3)},
                              {"E", Number::ofInteger(4)},
                              {"PI", Number::ofInteger(5)},
                              {"SQRT", Number::ofFloat(0.5)}});
    Formula formula;
    std::string reason;
    Number result;
    ASSERT_TRUE(formula.parse("EXP + E + PI + SQRT + exp(0)", variables.names(), &reason)) << reason;
    ASSERT_TRUE(formula.evaluate(Arithmetic::Float, variables, &result, &reason)) << reason;
    EXPECT_EQ(result.floating, 13.5);
    EXPECT_EQ(parseError("EXP(1)", variables.names()), "expected an operator at character 4");
}

TEST(Formula, DecimalLiteralsAreCorrectlyRounded)
{
    const std::pair<const char *, double> cases[] = {
        {"0.0359", 0.0359},
        {"0.1", 0.1},
        {"2.2250738585072011e-308", 2.2250738585072011e-308},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"9007199254740993.0", 9007199254740993.0},
        {"123456789012345678901234567890", 123456789012345678901234567890.0},
        {"4.35", 4.35},
    };
    TableVariables variables = standardVariables();
    for (const auto &c : cases) {
        Formula formula;
        std::string reason;
        Number result;
        ASSERT_TRUE(formula.parse(c.first, {}, &reason)) << reason;
        ASSERT_TRUE(formula.evaluate(Arithmetic::Float, variables, &result, &reason)) << reason;
        EXPECT_EQ(result.floating, c.second) << c.first;
    }
}

TEST(Formula, EachVariableIsReadOnceAndOnlyWhenNeeded)
{
    TableVariables variables = standardVariables();
    std::vector<std::string> names = variables.names();
    Formula formula;
    std::string reason;
    Number result;
    ASSERT_TRUE(formula.parse("X > 0 ? X * X + Y + Y : FAIL", names, &reason)) << reason;
    ASSERT_TRUE(formula.evaluate(Arithmetic::Integer, variables, &result, &reason)) << reason;
    EXPECT_EQ(result.integer, 28);
    EXPECT_EQ(variables.reads, std::vector<int>({1, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(formula.usedVariables(), std::vector<size_t>({0, 1, 8}));

    ASSERT_TRUE(formula.parse("SEL.Entry.On + Y", names, &reason)) << reason;
    EXPECT_EQ(formula.usedVariables(), std::vector<size_t>({5, 1}));
}

TEST(Formula, NestingAndLengthAreBounded)
{
    const int kDeep = 10000;
    for (const std::string &deep : {repeat("(", kDeep) + "1" + repeat(")", kDeep), repeat("-", kDeep) + "1",
                                    repeat("2 ** ", kDeep) + "1", repeat("1?", kDeep) + "1" + repeat(":1", kDeep),
                                    repeat("ABS(", kDeep) + "1" + repeat(")", kDeep),
                                    repeat("1 + (", kDeep) + "1" + repeat(")", kDeep)})
        EXPECT_NE(parseError(deep).find("nested too deeply"), std::string::npos) << deep.substr(0, 20);
    const int kAllowed = Formula::kMaxDepth - 1;
    EXPECT_EQ(parseError(repeat("(", kAllowed) + "1" + repeat(")", kAllowed)), "");

    // Chains nest nothing: 20,000 terms, and a lookup of 1,000 cases.
    checkTable({{(repeat("1+", 19999) + "1").c_str(), I(20000), D(20000)}});
    std::string lookup;
    for (int k = 0; k < 1000; k++)
        lookup += "X = " + std::to_string(k) + " ? " + std::to_string(k * 3) + " : ";
    checkTable({{(lookup + "0").c_str(), I(18), D(18)}});

    std::string longest(Formula::kMaxLength, ' ');
    longest[0] = '1';
    EXPECT_EQ(parseError(longest), "");
    EXPECT_EQ(parseError(longest + " "), "formula of 65537 characters (at most 65536)");
}

TEST(Formula, EmptyFormulaIsAnErrorAndMovesKeepTheProgram)
{
    Formula formula;
    std::string reason;
    Number result;
    TableVariables variables = standardVariables();
    EXPECT_FALSE(formula.evaluate(Arithmetic::Float, variables, &result, &reason));
    EXPECT_EQ(reason, "no formula");
    ASSERT_TRUE(formula.parse("X * 2", variables.names(), &reason));
    Formula moved(std::move(formula));
    ASSERT_TRUE(moved.evaluate(Arithmetic::Integer, variables, &result, &reason));
    EXPECT_EQ(result.integer, 12);
    EXPECT_FALSE(moved.parse("X *", variables.names(), &reason));
    EXPECT_FALSE(moved.evaluate(Arithmetic::Integer, variables, &result, &reason));
    EXPECT_TRUE(moved.usedVariables().empty());
}

TEST(Formula, NumberConversionsTruncateAndSaturate)
{
    EXPECT_EQ(Number::ofFloat(-2.9).asInteger(), -2);
    EXPECT_EQ(Number::ofFloat(-kTwoTo63).asInteger(), kMin);
    EXPECT_EQ(Number::ofFloat(kTwoTo63).asInteger(), kMax);
    EXPECT_EQ(Number::ofFloat(-1e300).asInteger(), kMin);
    EXPECT_EQ(Number::ofFloat(NAN).asInteger(), 0);
    EXPECT_EQ(Number::ofInteger(kMin).asInteger(), kMin);
    EXPECT_EQ(Number::ofInteger(-5).asFloat(), -5.0);
}

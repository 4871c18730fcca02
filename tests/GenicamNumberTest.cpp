// The engine's numbers: the two ways a double becomes an integer, at the
// edges of the int64 range, and what each is for (a node's value rounds, a
// formula's result truncates).
#include <math.h>
#include <stdint.h>

#include <gtest/gtest.h>

#include "GenicamCamera.h"
#include "numbers/Number.h"

namespace {

using genicam::Number;

const double kTwoTo63 = 9223372036854775808.0;
const double kBelowTwoTo63 = 9223372036854774784.0;  // the largest double below 2^63

struct Conversion {
    const char *what;
    Number value;
    bool rounds;       // roundToInteger gives an integer
    int64_t rounded;
    bool truncates;    // truncateToInteger gives an integer
    int64_t truncated;
};

TEST(Number, RoundingAndTruncationDifferOnlyInTheDirectionAndShareTheRange)
{
    const Conversion kCases[] = {
        {"an integer as it is", Number::ofInteger(INT64_MIN), true, INT64_MIN, true, INT64_MIN},
        {"a positive half rounds away from zero", Number::ofFloat(2.5), true, 3, true, 2},
        {"a negative half rounds away from zero", Number::ofFloat(-2.5), true, -3, true, -2},
        {"just below a half", Number::ofFloat(2.4999999), true, 2, true, 2},
        {"minus a half", Number::ofFloat(-0.5), true, -1, true, 0},
        {"minus 2.9", Number::ofFloat(-2.9), true, -3, true, -2},
        {"-2^63 is the least integer", Number::ofFloat(-kTwoTo63), true, INT64_MIN, true, INT64_MIN},
        {"the largest double below 2^63", Number::ofFloat(kBelowTwoTo63), true, 9223372036854774784,
         true, 9223372036854774784},
        {"2^63 is beyond", Number::ofFloat(kTwoTo63), false, 0, false, 0},
        {"below -2^63 is beyond", Number::ofFloat(-kTwoTo63 - 2048), false, 0, false, 0},
        {"NaN", Number::ofFloat(NAN), false, 0, false, 0},
        {"infinity", Number::ofFloat(-INFINITY), false, 0, false, 0},
    };
    for (const Conversion &c : kCases) {
        SCOPED_TRACE(c.what);
        int64_t integer = 7;
        EXPECT_EQ(genicam::roundToInteger(c.value, &integer), c.rounds);
        EXPECT_EQ(integer, c.rounds ? c.rounded : 7) << "untouched when refused";
        integer = 7;
        EXPECT_EQ(genicam::truncateToInteger(c.value, &integer), c.truncates);
        EXPECT_EQ(integer, c.truncates ? c.truncated : 7) << "untouched when refused";
    }
}

// A node's value rounds to the nearest (an Integer that stands for a Float
// of 2.5), a formula's result truncates (an IntSwissKnife of the same).
TEST(Number, ANodeRoundsWhereAFormulaTruncates)
{
    Camera camera(R"(
<Float Name="Ratio"><Value>2.5</Value></Float>
<Integer Name="Rounded"><pValue>Ratio</pValue></Integer>
<IntSwissKnife Name="Truncated"><pVariable Name="R">Ratio</pVariable><Formula>R * 1.0</Formula></IntSwissKnife>
<Float Name="Negative"><Value>-2.5</Value></Float>
<Integer Name="RoundedDown"><pValue>Negative</pValue></Integer>
<IntSwissKnife Name="TruncatedUp"><pVariable Name="R">Negative</pVariable><Formula>R</Formula></IntSwissKnife>
)");
    EXPECT_EQ(camera.read("Rounded"), "3");
    EXPECT_EQ(camera.read("Truncated"), "2");
    EXPECT_EQ(camera.read("RoundedDown"), "-3");
    EXPECT_EQ(camera.read("TruncatedUp"), "-2");
}

} // namespace

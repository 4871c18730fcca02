// Descriptions a hostile camera could send to make the GenICam engine's
// formulas recurse deeply, run long or grow, and values that do not survive
// the conversion to a register: each answered with a reason, never a crash,
// minutes of work or a success that is not one.
#include "GenicamCamera.h"

#include <pthread.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "map/NodeMap.h"

namespace {

// Runs work on a thread with a stack of the given size: a recursion the
// engine does not bound overflows it.
void onStack(size_t bytes, std::function<void()> work)
{
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, bytes), 0);
    pthread_t thread;
    auto run = [](void *call) -> void * {
        (*static_cast<std::function<void()> *>(call))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

// A small stack, as a thread of a program may have; sanitizers need more
// for the same frames.
#if defined(__SANITIZE_ADDRESS__)
const size_t kSmallStack = 1024 * 1024;
#else
const size_t kSmallStack = 256 * 1024;
#endif

// Knife<k> reads Knife<k-1> (the first, Base) through a chain of length
// Expressions: X0 = P + 1, X1 = X0 + 1, ...; its Formula is the last.
std::string knives(size_t count, size_t length)
{
    std::string xml = "<Integer Name=\"Base\"><Value>1</Value></Integer>\n";
    for (size_t k = 0; k < count; k++) {
        std::string previous = k == 0 ? "Base" : "Knife" + std::to_string(k - 1);
        xml += "<IntSwissKnife Name=\"Knife" + std::to_string(k) + "\"><pVariable Name=\"P\">" + previous +
               "</pVariable><Expression Name=\"X0\">P + 1</Expression>\n";
        for (size_t e = 1; e < length; e++)
            xml += "<Expression Name=\"X" + std::to_string(e) + "\">X" + std::to_string(e - 1) + " + 1</Expression>\n";
        xml += "<Formula>X" + std::to_string(length - 1) + "</Formula></IntSwissKnife>\n";
    }
    return xml;
}

const char *const kTooDeep =
    "FaultyDescription: the description is faulty at Knife62: its references nest deeper than 64 nodes and "
    "expressions";

// 63 SwissKnifes each evaluating a chain of 100 Expressions nested 6,300
// evaluations deep and overflowed the stack: every Expression is one more
// level of the 64 a read may nest.
TEST(FormulaBounds, ExpressionsInsideExpressionsCountAgainstTheDepth)
{
    Camera camera(knives(63, 100));
    std::string outcome;
    onStack(kSmallStack, [&] { outcome = camera.outcome("Knife62"); });
    EXPECT_EQ(outcome, kTooDeep);
    EXPECT_EQ(camera.outcome("Knife0"),
              "FaultyDescription: the description is faulty at Knife0: its references nest deeper than 64 nodes and "
              "expressions");
}

// The nodes and Expressions of a read make 64 levels at most: a node, 62
// Expressions and the node the first one reads are read, one more is not.
TEST(FormulaBounds, TheDepthCountsNodesAndExpressionsExactly)
{
    const char *tooDeep =
        "FaultyDescription: the description is faulty at Base: its references nest deeper than 64 nodes and "
        "expressions";
    const struct {
        size_t knives, length;
        const char *feature, *outcome;
    } cases[] = {
        {1, 62, "Knife0", "value 63"}, {1, 63, "Knife0", tooDeep},   {2, 30, "Knife1", "value 61"},
        {2, 31, "Knife1", tooDeep},    {31, 1, "Knife30", "value 32"}, {32, 1, "Knife31", tooDeep},
    };
    for (const auto &c : cases) {
        Camera camera(knives(c.knives, c.length));
        EXPECT_EQ(camera.outcome(c.feature), c.outcome) << c.knives << " x " << c.length;
    }
}

// Every Expression evaluated is one more visit: 5,000 of them are past the
// 4,096 a read may make.
TEST(FormulaBounds, ExpressionsCountAgainstTheVisits)
{
    auto sumOf = [](size_t count) {
        std::string xml = "<IntSwissKnife Name=\"Sum\">";
        std::string formula;
        for (size_t e = 0; e < count; e++) {
            xml += "<Expression Name=\"E" + std::to_string(e) + "\">1</Expression>";
            formula += (e ? "+E" : "E") + std::to_string(e);
        }
        return xml + "<Formula>" + formula + "</Formula></IntSwissKnife>";
    };
    Camera few(sumOf(4000));
    EXPECT_EQ(few.outcome("Sum"), "value 4000");
    Camera many(sumOf(5000));
    EXPECT_EQ(many.outcome("Sum"),
              "FaultyDescription: the description is faulty at Sum: reaching it visits more than 4096 nodes and "
              "expressions");
}

// A node of 128 Expressions of some 64 KiB, read through 4,000 variables of
// another, as large as a description may be: each evaluation of it runs
// millions of formula steps, and 4,000 of them ran for minutes.  The steps
// of every formula count against the read's budget.
TEST(FormulaBounds, FormulaStepsCountAgainstTheReadsBudget)
{
    std::string top = "<IntSwissKnife Name=\"Top\">";
    std::string sum;
    for (size_t v = 0; v < 4000; v++) {
        top += "<pVariable Name=\"V" + std::to_string(v) + "\">Wide</pVariable>";
        sum += (v ? "+V" : "V") + std::to_string(v);
    }
    top += "<Formula>" + sum + "</Formula></IntSwissKnife>\n";
    std::string formula;
    for (size_t e = 0; e < 128; e++)
        formula += (e ? "+E" : "E") + std::to_string(e);
    std::string head = top + "<Integer Name=\"Base\"><Value>0</Value></Integer>\n"
                             "<IntSwissKnife Name=\"Wide\"><pVariable Name=\"A\">Base</pVariable>\n";
    std::string tail = "<Formula>" + formula + "</Formula></IntSwissKnife>\n";
    size_t length = ((genicam::NodeMap::kMaxSize - head.size() - tail.size() - 2048) / 128 - 40) | 1;
    std::string body;
    for (size_t k = 0; k < length; k += 2)
        body += k ? "+A" : "A";
    std::string nodes = head;
    for (size_t e = 0; e < 128; e++)
        nodes += "<Expression Name=\"E" + std::to_string(e) + "\">" + body + "</Expression>\n";
    nodes += tail;
    ASSERT_GT(length, 60000u);

    Camera camera(nodes);
    const char *tooLong = "FaultyDescription: the description is faulty at Wide: reaching it runs more than 1048576 "
                          "formula steps";
    EXPECT_EQ(camera.outcome("Top"), tooLong);
    EXPECT_EQ(camera.outcome("Wide"), tooLong);
    EXPECT_TRUE(camera.port.reads.empty());
}

// 20,000 Expressions in one node took over a minute to build, the names of
// the node indexed again for each; they are indexed once.
TEST(FormulaBounds, ANodeOfTwentyThousandExpressionsBuildsAtOnce)
{
    std::string xml = "<IntSwissKnife Name=\"Many\">";
    for (size_t e = 0; e < 20000; e++)
        xml += "<Expression Name=\"E" + std::to_string(e) + "\">" + std::to_string(e) + "</Expression>";
    xml += "<Expression Name=\"Bad\">E1 +</Expression><Formula>E19999 + E0 + E7</Formula></IntSwissKnife>"
           "<IntSwissKnife Name=\"Outer\"><pVariable Name=\"M\">Many</pVariable><Expression Name=\"B\">M</Expression>"
           "<Formula>B</Formula></IntSwissKnife>";
    Camera camera(xml);
    EXPECT_EQ(camera.outcome("Many"), "value 20006");
    EXPECT_EQ(camera.outcome("Outer"), "value 20006");
}

// ---------------------------------------------------------------------------
// Values that do not survive the conversion to a 4-byte float.
// ---------------------------------------------------------------------------

TEST(FloatRegConversion, AValueThatWouldBecomeZeroOrInfiniteIsRefused)
{
    const struct {
        const char *feature;
        const char *text;
        const char *outcome;  // of the write
        const char *bytes;    // the register after it
        const char *readBack;
    } cases[] = {
        {"Single", "1e-300", "BadValueText: too close to 0 for a 4-byte float", "11 11 11 11", nullptr},
        {"Single", "-1e-300", "BadValueText: too close to 0 for a 4-byte float", "11 11 11 11", nullptr},
        {"Single", "7e-46", "BadValueText: too close to 0 for a 4-byte float", "11 11 11 11", nullptr},
        {"Single", "1e-45", "ok", "01 00 00 00", "value 1.401298464324817e-45"},
        {"Single", "1e-40", "ok", "c2 16 01 00", "value 9.99994610111476e-41"},
        {"Single", "0", "ok", "00 00 00 00", "value 0"},
        {"Single", "-0", "ok", "00 00 00 80", "value -0"},
        {"Single", "1e39", "AboveMaximum: beyond a 4-byte float", "11 11 11 11", nullptr},
        {"Single", "-1e39", "BelowMinimum: beyond a 4-byte float", "11 11 11 11", nullptr},
        {"Single", "0.1", "ok", "cd cc cc 3d", "value 0.10000000149011612"},
        {"Gain", "1e-300", "BadValueText: too close to 0 for a 4-byte float", "11 11 11 11", nullptr},
        {"Double", "1e-300", "ok", "59 f3 f8 c2 1f 6e a5 01", "value 1e-300"},
    };
    for (const auto &c : cases) {
        Camera camera(R"(
<FloatReg Name="Single"><Address>0x100</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </FloatReg>
<Float Name="Gain"><pValue>Single</pValue></Float>
<FloatReg Name="Double"><Address>0x100</Address><Length>8</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>
  </FloatReg>)");
        camera.port.put(0x100, "11 11 11 11 00 00 00 00");
        EXPECT_EQ(camera.outcome(c.feature, c.text), c.outcome) << c.feature << " " << c.text;
        std::vector<uint8_t> expected;
        genicam::engine::parseBytes(c.bytes, &expected);
        EXPECT_EQ(camera.port.bytesAt(0x100, expected.size()), c.bytes) << c.feature << " " << c.text;
        if (c.readBack) {
            EXPECT_EQ(camera.outcome(c.feature), c.readBack) << c.feature << " " << c.text;
        } else {
            EXPECT_TRUE(camera.port.writes.empty()) << c.feature << " " << c.text;
        }
    }
}

} // namespace

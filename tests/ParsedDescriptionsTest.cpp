// The GenICam module's store of parsed descriptions: cameras of one model
// share one node map within a scan and from one scan to the next, and
// what no camera of a scan used is forgotten, so that a continual run
// whose cameras change their descriptions keeps two scans' worth at most.
#include "ParsedDescriptions.h"

#include <map>

#include <gtest/gtest.h>

namespace {

std::string description(const std::string &model)
{
    return "<?xml version=\"1.0\"?>\n<RegisterDescription ModelName=\"" + model +
           "\" VendorName=\"Maker\" StandardNameSpace=\"None\" SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" "
           "SchemaSubMinorVersion=\"0\" MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\" "
           "ProductGuid=\"0\" VersionGuid=\"0\" xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n"
           "<Category Name=\"Root\"/>\n<Port Name=\"Device\"/>\n</RegisterDescription>\n";
}

struct Step {
    char model;    // the description a camera's turn uses, or '|' for a new scan
    bool parsed;   // parsed now, not shared with an earlier turn
    size_t kept;   // descriptions kept after the step
};

TEST(ParsedDescriptions, KeepsWhatTheCurrentScansCamerasUse)
{
    const Step steps[] = {
        {'A', true, 1},  {'B', true, 2},  {'A', false, 2},  // two cameras of model A share
        {'|', false, 2},                                    // kept for the next scan's cameras
        {'A', false, 2}, {'C', true, 3},                    // B's camera is not seen in this scan
        {'|', false, 2},                                    // B forgotten
        {'B', true, 3},                                     // and parsed anew
        {'|', false, 1},                                    // A and C forgotten
        {'|', false, 0},
        {'A', true, 1},
    };
    ParsedDescriptions store;
    std::map<char, std::shared_ptr<const genicam::NodeMap>> last;
    std::vector<std::shared_ptr<const genicam::NodeMap>> held;  // no address is reused
    int number = 0;
    for (const Step &step : steps) {
        SCOPED_TRACE(std::string("step ") + std::to_string(++number) + ": " + step.model);
        if (step.model == '|') {
            store.startScan();
        } else {
            std::string reason;
            auto nodes = store.nodesOf(description(std::string(1, step.model)), &reason);
            ASSERT_NE(nodes, nullptr) << reason;
            EXPECT_EQ(nodes != last[step.model], step.parsed);
            last[step.model] = nodes;
            held.push_back(nodes);
        }
        EXPECT_EQ(store.kept(), step.kept);
    }
}

// A camera whose description changes at every scan: the store never holds
// more than this scan's and the last one's.
TEST(ParsedDescriptions, ADescriptionChangingEveryScanKeepsTwoAtMost)
{
    ParsedDescriptions store;
    for (int scan = 0; scan < 50; scan++) {
        store.startScan();
        std::string reason;
        ASSERT_NE(store.nodesOf(description("Model" + std::to_string(scan)), &reason), nullptr) << reason;
        ASSERT_NE(store.nodesOf(description("Steady"), &reason), nullptr) << reason;
        EXPECT_LE(store.kept(), 3u) << "scan " << scan;
    }
    store.startScan();
    EXPECT_EQ(store.kept(), 2u);
}

TEST(ParsedDescriptions, WhatDoesNotParseIsNotKept)
{
    ParsedDescriptions store;
    std::string reason;
    EXPECT_EQ(store.nodesOf("<not a description", &reason), nullptr);
    EXPECT_NE(reason, "");
    EXPECT_EQ(store.kept(), 0u);
}

} // namespace

// The descriptions a run has parsed, kept so that the cameras of one model
// share one node map: those the cameras of the current scan use, and those
// of the scan before until their cameras' turns come in this one.  What no
// camera of a scan used is forgotten at the next, so a continual run keeps
// no more than two scans' worth, whatever its cameras give.
#ifndef VISIONACCESS_PARSEDDESCRIPTIONS_H
#define VISIONACCESS_PARSEDDESCRIPTIONS_H

#include "Engine.h"

#include <stddef.h>

#include <memory>
#include <string>
#include <vector>

class ParsedDescriptions {
public:
    // The node map of xml: the one kept for it, or one parsed now and kept.
    // Null with a reason when xml is not a GenICam description.
    std::shared_ptr<const genicam::NodeMap> nodesOf(const std::string &xml, std::string *reason);

    // A scan begins: what the last scan used is kept for this one's
    // cameras to find; what it did not use is forgotten.
    void startScan();

    // The descriptions kept.
    size_t kept() const { return scan_.size() + previous_.size(); }

private:
    struct Parsed {
        std::string xml;
        std::shared_ptr<const genicam::NodeMap> nodes;
    };

    std::vector<Parsed> scan_;      // used in this scan
    std::vector<Parsed> previous_;  // used in the last, not yet in this one
};

#endif

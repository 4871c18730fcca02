#include "ParsedDescriptions.h"

#include <utility>

std::shared_ptr<const genicam::NodeMap> ParsedDescriptions::nodesOf(const std::string &xml, std::string *reason)
{
    for (const Parsed &known : scan_)
        if (known.xml == xml)
            return known.nodes;
    for (auto known = previous_.begin(); known != previous_.end(); ++known) {
        if (known->xml != xml)
            continue;
        scan_.push_back(std::move(*known));
        previous_.erase(known);
        return scan_.back().nodes;
    }
    std::shared_ptr<const genicam::NodeMap> nodes = genicam::parseNodeMap(xml.data(), xml.size(), reason);
    if (nodes != nullptr)
        scan_.push_back({xml, nodes});
    return nodes;
}

void ParsedDescriptions::startScan()
{
    previous_ = std::move(scan_);
    scan_.clear();
}

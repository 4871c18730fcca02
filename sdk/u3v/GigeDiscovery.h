// Finding GigE Vision cameras: a discovery broadcast on IPv4 interfaces and
// sent directly to addresses, as QRV_U3V_GIGE says, and the answers read
// for a while.  Everything an answer holds is untrusted: it is used only
// when whole and of this discovery, and at most kMaxDevices are kept.
#ifndef QRVU3V_GIGEDISCOVERY_H
#define QRVU3V_GIGEDISCOVERY_H

#include "Gvcp.h"
#include "Transport.h"

#include <stdint.h>

#include <string>
#include <vector>

namespace u3v {
namespace gige {

// An IPv4 address and UDP port, host order.
struct Target {
    uint32_t address = 0;
    uint16_t port = kPort;
    bool operator==(const Target &other) const { return address == other.address && port == other.port; }
    bool operator<(const Target &other) const
    {
        return address != other.address ? address < other.address : port < other.port;
    }
};

// "10.1.2.3", or "10.1.2.3:4000" for a port other than 3956.
std::string targetText(const Target &target);

const int kDefaultWaitMs = 1000;
const int kMaxWaitMs = 10000;
const size_t kMaxDevices = 256;

// Where cameras are looked for.
struct DiscoverySettings {
    bool everyInterface = false;          // "all": every IPv4 interface that is up
    std::vector<std::string> interfaces;  // named ones
    std::vector<Target> addresses;        // asked directly
    std::vector<std::string> rejected;    // words that are none of these
    int waitMs = kDefaultWaitMs;
};

// The settings of QRV_U3V_GIGE's text: words separated by blanks or commas,
// each "all", "none", an IPv4 address (dotted, with an optional ":port"),
// or an interface name.  Null (unset) is "all"; "none" adds nothing, so
// that "none" alone, or an empty text, looks nowhere.  A word with an
// address's form but not valid (a part above 255, a port of 0) is
// rejected.  waitText (QRV_U3V_GIGE_WAIT): decimal milliseconds from 1 to
// kMaxWaitMs; anything else gives kDefaultWaitMs.
DiscoverySettings discoverySettingsFrom(const char *text, const char *waitText);

// The settings of this process's environment, read once; each rejected
// word is reported once on standard error.
const DiscoverySettings &configuredDiscovery();

// A camera that answered.
struct GigeDevice {
    Target target;           // where it answered from: where it is reached
    DiscoveryAnswer answer;
};

// Discovers cameras: a discovery broadcast on every interface the settings
// select that can broadcast (one that cannot, such as the loopback, is
// asked at each of its addresses), and sent to every address they give;
// answers are read until waitMs has passed, or sooner when nothing was
// broadcast and every address asked has answered or refused.  An interface
// named but not up is reported once on standard error.  One per address,
// in address order.
std::vector<GigeDevice> discoverDevices(const DiscoverySettings &settings, Clock &clock, uint16_t requestId);

// The place a camera is numbered by when its serial cannot number it:
// "gige:" and its MAC address, or its address where the MAC is all zero (a
// software camera).
std::string placeOf(const GigeDevice &device);

} // namespace gige
} // namespace u3v

#endif

#include "GigeDiscovery.h"

#include "Trace.h"

#include <arpa/inet.h>
#include <errno.h>
#include <ifaddrs.h>
#include <linux/errqueue.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <set>

namespace u3v {
namespace gige {

namespace {

const uint32_t kBroadcast = 0xFFFFFFFF;

// An address word: "a.b.c.d" or "a.b.c.d:port".  Returns false when the
// word does not have that form at all (it may be an interface's name);
// *valid says whether one of that form is usable.
bool addressWord(const std::string &word, Target *target, bool *valid)
{
    size_t colon = word.find(':');
    std::string host = word.substr(0, colon);
    if (host.empty() || host.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(host.begin(), host.end(), '.') != 3)
        return false;
    *valid = false;
    in_addr parsed;
    if (inet_pton(AF_INET, host.c_str(), &parsed) != 1)
        return true;
    target->address = ntohl(parsed.s_addr);
    target->port = kPort;
    if (colon != std::string::npos) {
        std::string port = word.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
            atoi(port.c_str()) < 1 || atoi(port.c_str()) > 65535)
            return true;
        target->port = (uint16_t)atoi(port.c_str());
    }
    *valid = target->address != 0;
    return true;
}

int waitFromText(const char *text)
{
    if (text == nullptr || text[0] < '1' || text[0] > '9' || strlen(text) > 5 ||
        strspn(text, "0123456789") != strlen(text) || atoi(text) > kMaxWaitMs)
        return kDefaultWaitMs;
    return atoi(text);
}

// One line on standard error, once per process for each text.
void reportOnce(const std::string &line)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard<std::mutex> guard(mutex);
    if (reported.insert(line).second)
        reportGige("%s", line.c_str());
}

// The discovery socket: any port of this machine's, broadcasts allowed, and
// refusals (ICMP port unreachable) queued where they can be read.
int discoverySocket()
{
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    int on = 1;
    sockaddr_in any = {};
    any.sin_family = AF_INET;
    if (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
        setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0 ||
        bind(fd, reinterpret_cast<const sockaddr *>(&any), sizeof any) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

sockaddr_in socketAddress(const Target &target)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(target.port);
    address.sin_addr.s_addr = htonl(target.address);
    return address;
}

// A broadcast out of one interface (its index), from its address.
bool broadcastOn(int fd, const std::vector<uint8_t> &packet, unsigned index, uint32_t local)
{
    sockaddr_in to = socketAddress({kBroadcast, kPort});
    iovec data = {const_cast<uint8_t *>(packet.data()), packet.size()};
    union {
        cmsghdr header;
        char bytes[CMSG_SPACE(sizeof(in_pktinfo))];
    } control = {};
    msghdr message = {};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control.bytes;
    message.msg_controllen = sizeof control.bytes;
    cmsghdr *info = CMSG_FIRSTHDR(&message);
    info->cmsg_level = IPPROTO_IP;
    info->cmsg_type = IP_PKTINFO;
    info->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo pktinfo = {};
    pktinfo.ipi_ifindex = (int)index;
    pktinfo.ipi_spec_dst.s_addr = htonl(local);
    memcpy(CMSG_DATA(info), &pktinfo, sizeof pktinfo);
    return sendmsg(fd, &message, MSG_NOSIGNAL) == (ssize_t)packet.size();
}

// What one discovery sends, and to where.
struct Plan {
    struct Broadcast {
        std::string interface;
        unsigned index;
        uint32_t local;
    };
    std::vector<Broadcast> broadcasts;
    std::vector<Target> asked;
};

Plan planOf(const DiscoverySettings &settings)
{
    Plan plan;
    for (const Target &target : settings.addresses)
        plan.asked.push_back(target);
    if (!settings.everyInterface && settings.interfaces.empty())
        return plan;
    std::set<std::string> found;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (ifaddrs *entry = list; entry != nullptr; entry = entry->ifa_next) {
            if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || !(entry->ifa_flags & IFF_UP))
                continue;
            std::string name = entry->ifa_name;
            if (!settings.everyInterface &&
                std::find(settings.interfaces.begin(), settings.interfaces.end(), name) == settings.interfaces.end())
                continue;
            found.insert(name);
            uint32_t local = ntohl(reinterpret_cast<const sockaddr_in *>(entry->ifa_addr)->sin_addr.s_addr);
            if (entry->ifa_flags & IFF_BROADCAST)
                plan.broadcasts.push_back({name, if_nametoindex(entry->ifa_name), local});
            else
                plan.asked.push_back({local, kPort});
        }
        freeifaddrs(list);
    }
    for (const std::string &name : settings.interfaces)
        if (found.count(name) == 0)
            reportOnce("QRV_U3V_GIGE names " + escapeText(name) +
                       ", which is no IPv4 interface that is up: no camera is looked for there");
    return plan;
}

// Reads the refusals queued on the socket, each ending the wait for the
// address it was sent to.
void readRefusals(int fd, std::set<Target> *waiting)
{
    for (;;) {
        sockaddr_in to = {};
        char control[512];
        char data[64];
        iovec vector = {data, sizeof data};
        msghdr message = {};
        message.msg_name = &to;
        message.msg_namelen = sizeof to;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            return;
        Target refused = {ntohl(to.sin_addr.s_addr), ntohs(to.sin_port)};
        if (waiting->erase(refused) > 0)
            tracef("gige discovery refused by %s", targetText(refused).c_str());
    }
}

} // namespace

std::string targetText(const Target &target)
{
    std::string text = ipText(target.address);
    return target.port == kPort ? text : text + ":" + std::to_string(target.port);
}

DiscoverySettings discoverySettingsFrom(const char *text, const char *waitText)
{
    DiscoverySettings settings;
    settings.waitMs = waitFromText(waitText);
    if (text == nullptr) {
        settings.everyInterface = true;
        return settings;
    }
    std::string words = text;
    std::replace(words.begin(), words.end(), ',', ' ');
    std::replace(words.begin(), words.end(), '\t', ' ');
    for (size_t at = 0; at < words.size();) {
        size_t end = words.find(' ', at);
        end = end == std::string::npos ? words.size() : end;
        std::string word = words.substr(at, end - at);
        at = end + 1;
        Target target;
        bool valid = false;
        if (word.empty() || word == "none")
            continue;
        if (word == "all")
            settings.everyInterface = true;
        else if (addressWord(word, &target, &valid))
            (valid ? (void)settings.addresses.push_back(target) : settings.rejected.push_back(word));
        else if (word.size() < IF_NAMESIZE)
            settings.interfaces.push_back(word);
        else
            settings.rejected.push_back(word);
    }
    return settings;
}

const DiscoverySettings &configuredDiscovery()
{
    static const DiscoverySettings settings = [] {
        DiscoverySettings read = discoverySettingsFrom(getenv("QRV_U3V_GIGE"), getenv("QRV_U3V_GIGE_WAIT"));
        for (const std::string &word : read.rejected)
            reportOnce("QRV_U3V_GIGE: " + escapeText(word) +
                       " is neither an IPv4 address, an interface, all nor none: ignored");
        return read;
    }();
    return settings;
}

std::string placeOf(const GigeDevice &device)
{
    static const uint8_t kNoMac[6] = {};
    if (memcmp(device.answer.mac, kNoMac, sizeof kNoMac) != 0)
        return "gige:" + macText(device.answer.mac);
    return "gige:" + targetText(device.target);
}

std::vector<GigeDevice> discoverDevices(const DiscoverySettings &settings, Clock &clock, uint16_t requestId)
{
    std::vector<GigeDevice> devices;
    Plan plan = planOf(settings);
    if (plan.broadcasts.empty() && plan.asked.empty())
        return devices;
    int fd = discoverySocket();
    if (fd < 0) {
        reportOnce(std::string("no socket for discovery: ") + strerror(errno));
        return devices;
    }
    // Answers by unicast only, as the peer asks by default: a camera on
    // another subnet that could answer only by broadcast could not be
    // reached to be opened either.
    std::vector<uint8_t> packet = encodeDiscovery(requestId, false);
    bool broadcast = false;
    for (const Plan::Broadcast &one : plan.broadcasts) {
        bool sent = broadcastOn(fd, packet, one.index, one.local);
        broadcast = broadcast || sent;
        tracef("gige discovery broadcast on %s from %s%s", escapeText(one.interface).c_str(), ipText(one.local).c_str(),
               sent ? "" : ": not sent");
    }
    std::set<Target> waiting;
    for (const Target &one : plan.asked) {
        sockaddr_in to = socketAddress(one);
        bool sent = sendto(fd, packet.data(), packet.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr *>(&to),
                           sizeof to) == (ssize_t)packet.size();
        if (sent)
            waiting.insert(one);
        tracef("gige discovery to %s%s", targetText(one).c_str(), sent ? "" : ": not sent");
    }

    int64_t deadline = clock.nowUs() + (int64_t)settings.waitMs * 1000;
    std::vector<uint8_t> buffer(kMaxPacket);
    std::set<Target> seen;
    while (broadcast || !waiting.empty()) {
        int64_t remainingUs = deadline - clock.nowUs();
        if (remainingUs <= 0)
            break;
        pollfd ready = {fd, POLLIN, 0};
        int count = poll(&ready, 1, (int)((remainingUs + 999) / 1000));
        if (count < 0 && errno != EINTR)
            break;
        if (count <= 0)
            continue;
        if (ready.revents & POLLERR)
            readRefusals(fd, &waiting);
        sockaddr_in from = {};
        socklen_t fromSize = sizeof from;
        ssize_t got = recvfrom(fd, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                               reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (got < 0)
            continue;
        Target source = {ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
        GigeDevice device;
        if ((size_t)got > buffer.size() ||
            !decodeDiscoveryAck(buffer.data(), (size_t)got, requestId, &device.answer)) {
            tracef("gige discovery answer of %zd bytes from %s ignored: not a whole discovery acknowledge", got,
                   targetText(source).c_str());
            continue;
        }
        waiting.erase(source);
        if (!seen.insert(source).second || devices.size() >= kMaxDevices)
            continue;
        device.target = source;
        tracef("gige discovery answer from %s", targetText(source).c_str());
        devices.push_back(device);
    }
    close(fd);
    // In address order, whatever order they answered in.
    std::sort(devices.begin(), devices.end(),
              [](const GigeDevice &a, const GigeDevice &b) { return a.target < b.target; });
    return devices;
}

} // namespace gige
} // namespace u3v

// Fuzzes what the open SDK takes of GigE Vision discovery: the text of
// QRV_U3V_GIGE (and of its wait) and a datagram as an answer to a
// discovery, through the pure functions the discovery uses.  Checked on
// every run:
// - every address the settings give is valid (not 0), every interface
//   name fits the kernel's and holds no separator, the wait is within its
//   bounds, and nothing of the text is lost: each word is taken or
//   rejected;
// - an answer is taken only when it is one to this discovery, of success,
//   its length field exactly its size and room for every field; what is
//   taken holds no NUL and ends in no blank, and its place is "gige:" and
//   its MAC or its address.
#include "FuzzBytes.h"
#include "GigeDiscovery.h"
#include "Gvcp.h"

#include <net/if.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

using namespace u3v;
using namespace u3v::gige;

namespace {

[[noreturn]] void fault(const char *what, const std::string &detail)
{
    fprintf(stderr, "gige discovery: %s: %s\n", what, detail.c_str());
    abort();
}

void checkText(const std::string &text, size_t max)
{
    if (text.size() > max || text.find('\0') != std::string::npos ||
        (!text.empty() && (text.back() == ' ' || text.back() == '\t')))
        fault("a field taken wrongly", text);
}

void checkSettings(const std::string &text, const std::string &wait)
{
    DiscoverySettings settings = discoverySettingsFrom(text.c_str(), wait.c_str());
    for (const Target &target : settings.addresses)
        if (target.address == 0 || target.port == 0)
            fault("an address that cannot be asked", targetText(target));
    for (const std::string &name : settings.interfaces)
        if (name.empty() || name.size() >= IF_NAMESIZE || name.find_first_of(" ,\t") != std::string::npos)
            fault("an interface name that is none", name);
    if (settings.waitMs < 1 || settings.waitMs > kMaxWaitMs)
        fault("a wait out of bounds", std::to_string(settings.waitMs));
    size_t words = 0;
    bool all = false;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find_first_of(" ,\t", at);
        end = end == std::string::npos ? text.size() : end;
        std::string word = text.substr(at, end - at);
        words += !word.empty() && word != "none" && word != "all";
        all = all || word == "all";
        at = end + 1;
    }
    if (settings.everyInterface != all ||
        words != settings.addresses.size() + settings.interfaces.size() + settings.rejected.size())
        fault("words lost or added", text);
}

void checkAnswer(const uint8_t *bytes, size_t size, uint16_t id)
{
    GigeDevice device;
    if (!decodeDiscoveryAck(bytes, size, id, &device.answer))
        return;
    if (size < kHeaderSize + kDiscoveryDataSize || getBe16(bytes + 4) + kHeaderSize != size ||
        getBe16(bytes + 2) != kDiscoveryAck || getBe16(bytes + 6) != id || getBe16(bytes) != kSuccess)
        fault("an answer taken that is not whole and of this discovery", std::to_string(size));
    checkText(device.answer.vendor, 32);
    checkText(device.answer.model, 32);
    checkText(device.answer.deviceVersion, 32);
    checkText(device.answer.serial, 16);
    checkText(device.answer.userName, 16);
    std::string place = placeOf(device);
    if (place.rfind("gige:", 0) != 0 || place.size() < 12)
        fault("a place that is none", place);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzBytes in(data, size);
    size_t textSize = in.byte() % 96, waitSize = in.byte() % 8;
    std::string text, wait;
    for (size_t k = 0; k < textSize && !in.empty(); k++)
        text += (char)(in.byte() | 1);  // no NUL: an environment variable has none
    for (size_t k = 0; k < waitSize && !in.empty(); k++)
        wait += (char)(in.byte() | 1);
    checkSettings(text, wait);
    uint16_t id = in.u16();
    size_t used = 2 + textSize + waitSize + 2;
    if (used < size)
        checkAnswer(data + used, size - used, id);
    return 0;
}

#include "Cameras.h"

#include "Channel.h"
#include "Discovery.h"
#include "GigeCamera.h"
#include "GigeDiscovery.h"
#include "Status.h"
#include "Trace.h"
#include "UsbCamera.h"

#include <arpa/inet.h>
#include <libusb.h>
#include <string.h>

#include <map>
#include <set>

namespace u3v {

namespace {

struct Sdk {
    std::mutex mutex;  // everything below
    bool started = false;
    libusb_context *context = nullptr;
    std::map<uintptr_t, std::shared_ptr<OpenCamera>> open;
    uintptr_t nextHandle = 1;
    std::vector<gige::GigeDevice> gige;  // what the last discovery found
    int64_t gigeAtUs = -1;               // when it ended; -1 before the first
    uint16_t discoveryId = 0;
};

Sdk &sdk()
{
    static Sdk instance;
    return instance;
}

// With the lock held: libusb, started on the first call.  Null when it
// cannot be started.
libusb_context *usb(Sdk &s)
{
    if (!s.started) {
        s.started = true;
        if (libusb_init(&s.context) != LIBUSB_SUCCESS)
            s.context = nullptr;
    }
    return s.context;
}

// The cameras of both transports, numbered together.
struct Listing {
    DeviceList usb;
    bool usbUsable = false;
    std::vector<gige::GigeDevice> gige;
    std::vector<uint32_t> gigeNumbers;
};

// "GigE Vision camera at 127.0.0.2 (serial "GV01")", for messages.
std::string describeGige(const gige::GigeDevice &device)
{
    return "GigE Vision camera at " + gige::targetText(device.target) + " (serial \"" +
           escapeText(device.answer.serial) + "\")";
}

// One line on standard error, once per process, for cameras of which at
// least one is a GigE Vision camera that claimed one number.
void reportShared(const Listing &listing, const SharedNumber &shared)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    size_t usbCount = listing.usb.devices().size();
    std::string named;
    for (size_t k = 0; k < shared.devices.size(); k++) {
        size_t at = shared.devices[k];
        named += std::string(k == 0 ? "" : k + 1 == shared.devices.size() ? " and " : ", ") +
                 (at < usbCount ? "USB3 Vision device on " + describeDevice(listing.usb.devices()[at])
                                : describeGige(listing.gige[at - usbCount]));
    }
    std::lock_guard<std::mutex> guard(mutex);
    if (reported.insert(named).second)
        reportGige("the cameras %s claim camera number %u: each is numbered by its place instead "
                   "(man visionaccess-u3v: CAMERA NUMBERS)",
                   named.c_str(), shared.number);
}

// Numbers the cameras of both transports together: no number goes to two.
void numberListing(Listing *listing)
{
    std::vector<Claim> claims = listing->usb.claims();
    size_t usbCount = claims.size();
    for (const gige::GigeDevice &device : listing->gige)
        claims.push_back({device.answer.serial, cameraNumberFromPlace(gige::placeOf(device))});
    std::vector<SharedNumber> shared = numberDevices(claims);
    std::vector<SharedNumber> usbOnly, withGige;
    for (const SharedNumber &one : shared) {
        bool anyGige = false;
        for (size_t at : one.devices)
            anyGige = anyGige || at >= usbCount;
        (anyGige ? withGige : usbOnly).push_back(one);
    }
    listing->usb.number(claims, usbOnly);
    listing->gigeNumbers.clear();
    for (size_t k = 0; k < listing->gige.size(); k++) {
        const gige::GigeDevice &device = listing->gige[k];
        listing->gigeNumbers.push_back(claims[usbCount + k].number);
        tracef("camera number=%u serial=%s vendor=%s model=%s address=%s mac=%s", listing->gigeNumbers.back(),
               escapeText(device.answer.serial).c_str(), escapeText(device.answer.vendor).c_str(),
               escapeText(device.answer.model).c_str(), gige::targetText(device.target).c_str(),
               gige::macText(device.answer.mac).c_str());
    }
    for (const SharedNumber &one : withGige)
        reportShared(*listing, one);
}

// With the lock held: the cameras now.  GigE Vision cameras are discovered
// anew when asked to or when the last discovery is not recent, else taken
// from it.
void list(Sdk &s, bool discoverAnew, Listing *listing)
{
    libusb_context *context = usb(s);
    listing->usbUsable = context != nullptr;
    if (context != nullptr)
        listing->usb.scan(context);
    int64_t now = systemClock().nowUs();
    if (discoverAnew || s.gigeAtUs < 0 || now - s.gigeAtUs > (int64_t)kDiscoveryKeptMs * 1000) {
        s.discoveryId = s.discoveryId == 0xFFFF ? 1 : s.discoveryId + 1;
        s.gige = gige::discoverDevices(gige::configuredDiscovery(), systemClock(), s.discoveryId);
        s.gigeAtUs = systemClock().nowUs();
    }
    listing->gige = s.gige;
    numberListing(listing);
}

void fillUsbRecord(_CAMERA_ID_INFO *record, const Device &device)
{
    memset(record, 0, sizeof *record);
    record->recordSize = sizeof *record;
    record->cameraNumber = device.number;
    // sdkData: bus, port count, the ports, then the port path as text.
    record->sdkData[0] = device.bus;
    record->sdkData[1] = (uint8_t)device.portCount;
    memcpy(&record->sdkData[2], device.ports, kMaxPortDepth);
    std::string path = portPath(device.bus, device.ports, device.portCount);
    const size_t textAt = 2 + kMaxPortDepth;
    strncpy(reinterpret_cast<char *>(&record->sdkData[textAt]), path.c_str(), sizeof record->sdkData - textAt - 1);
}

void fillGigeRecord(_CAMERA_ID_INFO *record, const gige::GigeDevice &device, uint32_t number)
{
    memset(record, 0, sizeof *record);
    record->recordSize = sizeof *record;
    record->cameraNumber = number;
    // sdkData: 0 (no USB bus), the IPv4 address (network order), the port
    // (network order), the MAC, then the address as text.
    uint32_t address = htonl(device.target.address);
    uint16_t port = htons(device.target.port);
    memcpy(&record->sdkData[1], &address, 4);
    memcpy(&record->sdkData[5], &port, 2);
    memcpy(&record->sdkData[7], device.answer.mac, 6);
    const size_t textAt = 13;
    std::string text = gige::targetText(device.target);
    strncpy(reinterpret_cast<char *>(&record->sdkData[textAt]), text.c_str(), sizeof record->sdkData - textAt - 1);
}

// One line on standard error, once per camera, status and process, for a
// GigE Vision camera that answered its discovery but cannot be opened.
void reportOpenFailed(const gige::GigeDevice &device, int32_t status)
{
    static std::mutex mutex;
    static std::set<std::pair<gige::Target, int32_t>> reported;
    std::lock_guard<std::mutex> guard(mutex);
    if (reported.insert({device.target, status}).second)
        reportGige("the %s cannot be opened: status 0x%08X (man visionaccess-u3v: STATUSES)",
                   describeGige(device).c_str(), (uint32_t)status);
}

// With the lock held: opens the camera of this number in the listing;
// kStatusNoCamera when it has none.
int32_t openListed(const Listing &listing, uint32_t cameraNumber, std::unique_ptr<CameraLink> *link)
{
    int32_t status = kStatusNoCamera;
    if (const Device *device = listing.usb.find(cameraNumber)) {
        *link = UsbCamera::open(*device, &status);
        return status;
    }
    for (size_t k = 0; k < listing.gige.size(); k++) {
        if (listing.gigeNumbers[k] != cameraNumber)
            continue;
        const gige::GigeDevice &device = listing.gige[k];
        *link = gige::GigeCamera::open(device.target, device.answer.serial, configuredCommandLimitMs(), &status);
        if (status < 0)
            reportOpenFailed(device, status);
        return status;
    }
    return status;
}

} // namespace

int32_t countCameras(_CAMERA_ID_INFO *info, uint32_t *count)
{
    if (count == nullptr || (info != nullptr && info->recordSize != sizeof *info))
        return kStatusBadArgument;
    Sdk &s = sdk();
    std::lock_guard<std::mutex> guard(s.mutex);
    Listing listing;
    list(s, info == nullptr, &listing);
    const std::vector<Device> &devices = listing.usb.devices();
    size_t total = devices.size() + listing.gige.size();
    if (!listing.usbUsable && total == 0)
        return kStatusUsbUnusable;
    if (info == nullptr) {
        *count = (uint32_t)total;
        return 0;
    }
    uint32_t filled = 0;
    for (; filled < *count && filled < total; filled++) {
        if (filled < devices.size())
            fillUsbRecord(&info[filled], devices[filled]);
        else
            fillGigeRecord(&info[filled], listing.gige[filled - devices.size()],
                           listing.gigeNumbers[filled - devices.size()]);
    }
    *count = filled;
    return 0;
}

int32_t openCamera(uint32_t cameraNumber, void **handle)
{
    if (handle == nullptr)
        return kStatusBadArgument;
    Sdk &s = sdk();
    std::lock_guard<std::mutex> guard(s.mutex);
    for (const auto &open : s.open)
        if (open.second->number == cameraNumber)
            return kStatusAlreadyOpen;
    Listing listing;
    bool fresh = s.gigeAtUs < 0;
    list(s, fresh, &listing);
    auto camera = std::make_shared<OpenCamera>();
    camera->number = cameraNumber;
    int32_t status = openListed(listing, cameraNumber, &camera->link);
    if (status == kStatusNoCamera && !fresh) {
        // A camera the last discovery did not see may have come since.
        Listing again;
        list(s, true, &again);
        status = openListed(again, cameraNumber, &camera->link);
    }
    if (status == kStatusNoCamera && !listing.usbUsable)
        return kStatusUsbUnusable;
    if (status < 0)
        return status;
    uintptr_t key = s.nextHandle++;
    s.open[key] = camera;
    *handle = reinterpret_cast<void *>(key);
    return 0;
}

std::shared_ptr<OpenCamera> findOpen(void *handle)
{
    Sdk &s = sdk();
    std::lock_guard<std::mutex> guard(s.mutex);
    auto found = s.open.find(reinterpret_cast<uintptr_t>(handle));
    return found == s.open.end() ? nullptr : found->second;
}

int32_t closeCamera(void *handle)
{
    std::shared_ptr<OpenCamera> camera;
    {
        Sdk &s = sdk();
        std::lock_guard<std::mutex> guard(s.mutex);
        auto found = s.open.find(reinterpret_cast<uintptr_t>(handle));
        if (found == s.open.end())
            return kStatusBadHandle;
        camera = found->second;
        s.open.erase(found);
    }
    std::lock_guard<std::mutex> guard(camera->mutex);  // a command under way ends first
    camera->link.reset();                                // control given back, the device closed, now
    return 0;
}

} // namespace u3v

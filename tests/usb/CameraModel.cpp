// A USB3 Vision camera made of software, for the tests on a real kernel USB
// stack: a gadgetfs device program behind dummy_hcd that libusb cannot tell
// from a camera.  It has the standard's descriptors (an IAD, a control
// interface with its device-info descriptor and two bulk endpoints, a
// streaming interface, string descriptors) and answers READMEM and WRITEMEM
// from a register map: the bootstrap registers (identity strings, of which
// only the user-defined name is writable, the technology-specific and
// streaming registers, the manifest), those of a text file ("address value
// [ro]", hexadecimal), and the GenICam description file, read-only.
//
// Its control endpoints pair up (IN 0x81, OUT 0x01), as some hosts assume:
// they send to the OUT endpoint with the number of the IN one.  The
// streaming interface, which such hosts also want, never sends anything.
//
// Faults are armed by appending a line to the control file, each for the
// next command unless said otherwise:
//   stall-in           the acknowledge is not sent; the IN endpoint halts
//   stall-out          after answering, the OUT endpoint halts
//   drop               the command is not answered at all
//   pending <ms>       a PENDING_ACK of <ms>, then the answer <ms>/2 later
//   stale              an acknowledge with the previous request id first
//   short              a 6-byte acknowledge instead of the answer
//   busy <n>           the next <n> commands are answered busy (status 8007
//                      at an address: busy there until cleared)
//   delay <ms>         the answer comes <ms> late
//   status <addr> <s>  every command at <addr> fails with GenCP status <s>
//   pending-forever <addr>  a command at <addr> gets a PENDING_ACK (65,535
//                      ms more) every second and never its answer; the
//                      model serves nothing more until it is ended
//   clear              every fault is disarmed
//
//   camera-model [options] <gadgetfs folder> <registers file> <control file> <serial>
//
// gadgetfs serves one device per kernel, at high speed at most.  A second
// camera is a FunctionFS function of a configfs gadget (which sets its
// device descriptor and strings), which also links at SuperSpeed;
// FunctionFS refuses the device-info descriptor, so that camera has none,
// and its serial is the device descriptor's.  Its endpoints are the
// controller's first free ones (IN 0x81, OUT 0x02: not paired), and it has
// no streaming interface:
//   camera-model --ffs [options] <functionfs folder> <registers file> <control file> <serial>
//
// Options:
//   --model <name>        the model name (default "Model U3V-1")
//   --name <name>         the user-defined name (default empty)
//   --description <file>  the GenICam description to serve, XML or ZIP (told
//                         apart by its first bytes); without it the
//                         manifest address is 0
//   --at <address>        where it lies, hexadecimal (default 40000); above
//                         FFFFFFFF it takes 64-bit reads
//   --sha1 <hex>          the file's SHA-1 for the manifest entry (default
//                         all zero: not given)
#include <errno.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <linux/usb/gadgetfs.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

const uint16_t kVendorId = 0x1209;  // an open-source test vendor id
const uint16_t kProductId = 0x0003;
const uint8_t kEndpointIn = USB_DIR_IN | 1;  // dummy_udc's ep1in-bulk
const uint8_t kEndpointOut = USB_DIR_OUT | 1;  // ep1out-bulk, paired with it
const uint8_t kEndpointStream = USB_DIR_IN | 2;  // ep2in-bulk, never sends
const uint32_t kPrefix = 0x43563355;
const uint32_t kMaxResponseMs = 100;
const uint32_t kMaxTransfer = 1024;

// Where the model keeps what describes it.
const uint64_t kStringSize = 64;
const uint64_t kUserNameAddress = 0x0184;
const uint64_t kManifestAddressRegister = 0x01D0;
const uint64_t kBootstrapEnd = 0x01E0;  // after the SBRM address, the last register served
const uint64_t kSbrm = 0x10000;
const uint64_t kSbrmSize = 0x44;
const uint64_t kSirm = 0x20000;
const uint64_t kSirmSize = 0x30;
const uint64_t kManifest = 0x30000;
const uint64_t kManifestEntrySize = 64;
const uint64_t kDefaultDescriptionAddress = 0x40000;
// The description's file version, as description.xml's MajorVersion,
// MinorVersion and SubMinorVersion say (major in bits 24-31, minor 16-23,
// subminor 0-15), and its schema version 1.1 (bits 24-31 and 16-23).
const uint32_t kDescriptionVersion = 0x01020003;
const uint32_t kSchemaVersion = 0x01010000;
const uint32_t kCompressionShift = 10;  // 0 uncompressed XML, 1 ZIP
const size_t kSha1Size = 20;

// ---------------------------------------------------------------------------
// Bytes

void put16(Bytes &b, size_t at, uint16_t v)
{
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}
void put32(Bytes &b, size_t at, uint32_t v)
{
    put16(b, at, (uint16_t)v);
    put16(b, at + 2, (uint16_t)(v >> 16));
}
void put64(Bytes &b, size_t at, uint64_t v)
{
    put32(b, at, (uint32_t)v);
    put32(b, at + 4, (uint32_t)(v >> 32));
}
uint16_t get16(const uint8_t *b)
{
    return (uint16_t)(b[0] | b[1] << 8);
}
uint32_t get32(const uint8_t *b)
{
    return get16(b) | (uint32_t)get16(b + 2) << 16;
}
uint64_t get64(const uint8_t *b)
{
    return get32(b) | (uint64_t)get32(b + 4) << 32;
}

void append(Bytes &to, const Bytes &bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

void sleepMs(int ms)
{
    struct timespec pause = {ms / 1000, (long)(ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) == -1 && errno == EINTR)
        ;
}

// ---------------------------------------------------------------------------
// Descriptors

Bytes deviceDescriptor()
{
    Bytes d = {18, USB_DT_DEVICE, 0, 0, 0xEF, 0x02, 0x01, 64, 0, 0, 0, 0, 0x00, 0x01, 1, 2, 3, 1};
    put16(d, 2, 0x0200);
    put16(d, 8, kVendorId);
    put16(d, 10, kProductId);
    return d;
}

Bytes endpoint(uint8_t address, uint16_t maxPacket)
{
    Bytes e = {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, address, USB_ENDPOINT_XFER_BULK, 0, 0, 0};
    put16(e, 4, maxPacket);
    return e;
}

Bytes configDescriptor(uint16_t maxPacket)
{
    Bytes c = {9, USB_DT_CONFIG, 0, 0, 2, 1, 0, 0xC0, 50};
    append(c, {8, 0x0B, 0, 2, 0xEF, 0x05, 0x00, 0});             // IAD: the USB3 Vision function
    append(c, {9, USB_DT_INTERFACE, 0, 0, 2, 0xEF, 0x05, 0x00, 0});  // control interface
    Bytes info(20, 0);                                              // device-info descriptor
    info[0] = 20;
    info[1] = 0x24;
    info[2] = 0x01;
    put32(info, 3, 0x00010000);  // GenCP 1.0
    put32(info, 7, 0x00010000);  // U3V 1.0
    info[11] = 4;                // device GUID
    info[12] = 1;                // vendor name
    info[13] = 2;                // model name
    info[17] = 3;                // serial number
    info[19] = 0x06;             // high speed and SuperSpeed
    append(c, info);
    append(c, endpoint(kEndpointIn, maxPacket));
    append(c, endpoint(kEndpointOut, maxPacket));
    append(c, {9, USB_DT_INTERFACE, 1, 0, 1, 0xEF, 0x05, 0x02, 0});  // streaming interface
    append(c, endpoint(kEndpointStream, maxPacket));
    put16(c, 2, (uint16_t)c.size());
    return c;
}

Bytes stringDescriptor(const std::string &text)
{
    Bytes s = {(uint8_t)(2 + 2 * text.size()), USB_DT_STRING};
    for (char c : text)
        append(s, {(uint8_t)c, 0});
    return s;
}

// ---------------------------------------------------------------------------
// The camera's memory and its faults

struct Model {
    std::mutex mutex;
    std::map<uint64_t, uint8_t> memory;
    std::map<uint64_t, uint64_t> readOnly;  // first byte of a range -> one past its last
    std::map<uint64_t, uint16_t> statusAt;
    std::set<uint64_t> pendingForever;
    std::string serial = "12345678";
    std::string vendor = "Open Test Cameras";
    std::string model = "Model U3V-1";
    std::string family = "Open Test Family";
    std::string version = "1.0";
    std::string info = "A camera made of software";
    std::string userName;
    bool streaming = true;  // has a streaming interface (gadgetfs) or not (FunctionFS)
    // Faults for the next command(s).
    bool stallIn = false, stallOut = false, drop = false, stale = false, shortAck = false;
    int pendingMs = 0, delayMs = 0, busy = 0;
    std::string controlPath;
    std::streamoff controlRead = 0;
};

Model gModel;

// The GenICam description the camera serves, as the command line gives it.
struct Description {
    std::string path;  // empty: none
    uint64_t address = kDefaultDescriptionAddress;
    Bytes sha1 = Bytes(kSha1Size, 0);
};

void store(uint64_t address, const Bytes &bytes)
{
    for (size_t k = 0; k < bytes.size(); k++)
        gModel.memory[address + k] = bytes[k];
}

void protect(uint64_t address, uint64_t size)
{
    gModel.readOnly[address] = address + size;
}

bool isReadOnly(uint64_t address, uint64_t size)
{
    for (const auto &range : gModel.readOnly)
        if (range.first < address + size && address < range.second)
            return true;
    return false;
}

void storeString(uint64_t address, const std::string &text)
{
    Bytes bytes(kStringSize, 0);
    memcpy(bytes.data(), text.data(), std::min<size_t>(text.size(), kStringSize - 1));
    store(address, bytes);
}

void storeWord(uint64_t address, uint64_t value, size_t size)
{
    Bytes bytes(size);
    for (size_t k = 0; k < size; k++)
        bytes[k] = (uint8_t)(value >> (8 * k));
    store(address, bytes);
}

// The bootstrap registers, the technology-specific ones and those of the
// streaming interface; all read-only but the user-defined name.
void storeBootstrap()
{
    storeWord(0x0000, 0x00010000, 4);  // GenCP version
    storeString(0x0004, gModel.vendor);
    storeString(0x0044, gModel.model);
    storeString(0x0084, gModel.family);
    storeString(0x00C4, gModel.version);
    storeString(0x0104, gModel.info);
    storeString(0x0144, gModel.serial);
    protect(0x0000, kUserNameAddress);
    storeString(kUserNameAddress, gModel.userName);
    storeWord(0x01C4, 0, 8);
    storeWord(0x01CC, kMaxResponseMs, 4);
    storeWord(kManifestAddressRegister, 0, 8);
    storeWord(0x01D8, kSbrm, 8);
    protect(kUserNameAddress + kStringSize, kBootstrapEnd - (kUserNameAddress + kStringSize));
    store(kSbrm, Bytes(kSbrmSize, 0));
    storeWord(kSbrm + 0x00, 0x00010000, 4);  // U3V version
    storeWord(kSbrm + 0x14, kMaxTransfer, 4);
    storeWord(kSbrm + 0x18, kMaxTransfer, 4);
    if (gModel.streaming) {
        storeWord(kSbrm + 0x1C, 1, 4);  // stream channels
        storeWord(kSbrm + 0x20, kSirm, 8);
        storeWord(kSbrm + 0x28, kSirmSize, 4);
        store(kSirm, Bytes(kSirmSize, 0));  // no stream is ever set up
    }
    protect(kSbrm, kSbrmSize);
}

// The registers of the text file; those marked "ro" are read-only.
void loadRegisters(const char *path)
{
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string address, value, flag;
        if (!(words >> address >> value) || address[0] == '#')
            continue;
        uint64_t at = strtoull(address.c_str(), nullptr, 16);
        storeWord(at, strtoull(value.c_str(), nullptr, 16), 4);
        if (words >> flag && flag == "ro")
            protect(at, 4);
    }
}

// The manifest's one entry, for a file of these bytes at that address.
Bytes manifestTable(const Bytes &file, const Description &description)
{
    const uint8_t kZipMagic[] = {'P', 'K', 3, 4};
    bool zip = file.size() >= sizeof kZipMagic && memcmp(file.data(), kZipMagic, sizeof kZipMagic) == 0;
    Bytes table(8 + kManifestEntrySize, 0);
    put64(table, 0, 1);  // entry count
    put32(table, 8 + 0x00, kDescriptionVersion);
    put32(table, 8 + 0x04, kSchemaVersion | (uint32_t)zip << kCompressionShift);
    put64(table, 8 + 0x08, description.address);
    put64(table, 8 + 0x10, file.size());
    std::copy(description.sha1.begin(), description.sha1.end(), table.begin() + 8 + 0x18);
    return table;
}

// Serves the description file, read-only, and the manifest that points at
// it.  False, with a message, when the file cannot be read or would lie
// over registers.
bool loadDescription(const Description &description)
{
    std::ifstream in(description.path, std::ios::binary);
    Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || file.empty()) {
        fprintf(stderr, "camera-model: cannot read %s\n", description.path.c_str());
        return false;
    }
    auto next = gModel.memory.lower_bound(description.address);
    if (next != gModel.memory.end() && next->first - description.address < file.size()) {
        fprintf(stderr, "camera-model: %s at %llX would cover register %llX\n", description.path.c_str(),
                (unsigned long long)description.address, (unsigned long long)next->first);
        return false;
    }
    store(description.address, file);
    protect(description.address, file.size());
    Bytes table = manifestTable(file, description);
    store(kManifest, table);
    protect(kManifest, table.size());
    storeWord(kManifestAddressRegister, kManifest, 8);
    return true;
}

// Reads the control file's new lines and arms their faults.
void readControl()
{
    std::ifstream in(gModel.controlPath);
    in.seekg(gModel.controlRead);
    for (std::string line; std::getline(in, line);) {
        gModel.controlRead = in.tellg();
        std::istringstream words(line);
        std::string what;
        words >> what;
        if (what == "stall-in")
            gModel.stallIn = true;
        else if (what == "stall-out")
            gModel.stallOut = true;
        else if (what == "drop")
            gModel.drop = true;
        else if (what == "stale")
            gModel.stale = true;
        else if (what == "short")
            gModel.shortAck = true;
        else if (what == "pending")
            words >> gModel.pendingMs;
        else if (what == "delay")
            words >> gModel.delayMs;
        else if (what == "busy")
            words >> gModel.busy;
        else if (what == "status") {
            std::string address, status;
            words >> address >> status;
            gModel.statusAt[strtoull(address.c_str(), nullptr, 16)] = (uint16_t)strtoul(status.c_str(), nullptr, 16);
        } else if (what == "pending-forever") {
            std::string address;
            words >> address;
            gModel.pendingForever.insert(strtoull(address.c_str(), nullptr, 16));
        } else if (what == "clear") {
            gModel.statusAt.clear();
            gModel.pendingForever.clear();
            gModel.busy = 0;
        }
        if (in.peek() == EOF)
            break;
    }
}

Bytes ack(uint16_t status, uint16_t ackId, uint16_t requestId, const Bytes &payload)
{
    Bytes a(12, 0);
    put32(a, 0, kPrefix);
    put16(a, 4, status);
    put16(a, 6, ackId);
    put16(a, 8, (uint16_t)payload.size());
    put16(a, 10, requestId);
    append(a, payload);
    return a;
}

// The answer to one command: status and payload.
Bytes answer(const uint8_t *command, size_t size)
{
    uint16_t commandId = get16(command + 6);
    uint16_t requestId = get16(command + 10);
    if (size < 20 || get32(command) != kPrefix || (commandId != 0x0800 && commandId != 0x0802))
        return ack(0x800E, (uint16_t)(commandId + 1), requestId, {});  // invalid header
    uint64_t address = get64(command + 12);
    uint16_t ackId = (uint16_t)(commandId + 1);
    if (gModel.busy > 0) {
        gModel.busy--;
        return ack(0x8007, ackId, requestId, {});
    }
    auto failing = gModel.statusAt.find(address);
    if (failing != gModel.statusAt.end())
        return ack(failing->second, ackId, requestId, {});
    if (commandId == 0x0800) {
        uint16_t length = get16(command + 22);
        Bytes data(length);
        for (uint16_t k = 0; k < length; k++) {
            auto byte = gModel.memory.find(address + k);
            if (byte == gModel.memory.end())
                return ack(0x8003, ackId, requestId, {});  // invalid address
            data[k] = byte->second;
        }
        return ack(0, ackId, requestId, data);
    }
    size_t length = size - 20;
    for (size_t k = 0; k < length; k++)
        if (gModel.memory.count(address + k) == 0)
            return ack(0x8003, ackId, requestId, {});
    if (isReadOnly(address, length))
        return ack(0x8004, ackId, requestId, {});  // write protect
    for (size_t k = 0; k < length; k++)
        gModel.memory[address + k] = command[20 + k];
    Bytes written(4, 0);
    put16(written, 2, (uint16_t)length);
    return ack(0, ackId, requestId, written);
}

// ---------------------------------------------------------------------------
// gadgetfs

std::string gFolder;
int gEp0 = -1;
std::thread gIo;
std::atomic<bool> gServing(false);  // the command loop runs

// Starts the command loop on the endpoints, once the last one has ended (a
// disconnect ends it: the host configures the device anew when it comes back).
void startServing(int in, int out);

int configureEndpoint(const char *name, uint8_t address)
{
    std::string path = gFolder + "/" + name;
    int fd = open(path.c_str(), O_RDWR);
    if (fd < 0) {
        fprintf(stderr, "camera-model: %s: %s\n", path.c_str(), strerror(errno));
        return -1;
    }
    Bytes config(4, 0);
    put32(config, 0, 1);
    append(config, endpoint(address, 64));   // full speed
    append(config, endpoint(address, 512));  // high speed
    if (write(fd, config.data(), config.size()) < 0) {
        fprintf(stderr, "camera-model: configuring %s: %s\n", name, strerror(errno));
        close(fd);
        return -1;
    }
    return fd;
}

void send(int fd, const Bytes &bytes)
{
    if (write(fd, bytes.data(), bytes.size()) < 0 && errno != ESHUTDOWN)
        fprintf(stderr, "camera-model: answer: %s\n", strerror(errno));
}

Bytes pendingAck(uint16_t requestId, uint16_t ms)
{
    Bytes payload(4, 0);
    put16(payload, 2, ms);
    return ack(0, 0x0805, requestId, payload);
}

// A device stuck in slow work: it promises an answer again and again.
[[noreturn]] void pendForever(int in, uint16_t requestId)
{
    const int kEveryMs = 1000;
    for (;;) {
        send(in, pendingAck(requestId, UINT16_MAX));
        sleepMs(kEveryMs);
    }
}

// The command loop on the bulk endpoints, until the host goes away.
void serve(int in, int out)
{
    uint8_t command[kMaxTransfer];
    for (;;) {
        ssize_t got = read(out, command, sizeof command);
        if (got < 0 && (errno == EINTR || errno == EBADMSG))
            continue;
        if (got < 0)
            break;  // disconnected (ESHUTDOWN) or worse
        std::unique_lock<std::mutex> lock(gModel.mutex);
        readControl();
        uint16_t requestId = got >= 12 ? get16(command + 10) : 0;
        if (gModel.drop) {
            gModel.drop = false;
            continue;
        }
        if (gModel.stallIn) {
            gModel.stallIn = false;
            uint8_t none;
            if (read(in, &none, 1) < 0 && errno != EBADMSG)  // the wrong way: halts IN
                fprintf(stderr, "camera-model: halting IN: %s\n", strerror(errno));
            continue;
        }
        if (got >= 20 && gModel.pendingForever.count(get64(command + 12)) > 0) {
            lock.unlock();
            pendForever(in, requestId);
        }
        Bytes reply = answer(command, (size_t)got);
        uint16_t ackId = get16(&reply[6]);
        if (gModel.stale) {
            gModel.stale = false;
            send(in, ack(0, ackId, (uint16_t)(requestId - 1), Bytes(4, 0)));
        }
        if (gModel.shortAck) {  // cut short: the host asks again
            gModel.shortAck = false;
            reply.resize(6);
        }
        int pendingMs = gModel.pendingMs, delayMs = gModel.delayMs;
        gModel.pendingMs = gModel.delayMs = 0;
        bool stallOut = gModel.stallOut;
        gModel.stallOut = false;
        lock.unlock();
        if (pendingMs > 0) {
            send(in, pendingAck(requestId, (uint16_t)pendingMs));
            sleepMs(pendingMs / 2 + (int)kMaxResponseMs);
        }
        if (delayMs > 0)
            sleepMs(delayMs);
        send(in, reply);
        if (stallOut && write(out, command, 1) < 0 && errno != EBADMSG)  // the wrong way: halts OUT
            fprintf(stderr, "camera-model: halting OUT: %s\n", strerror(errno));
    }
    close(in);
    close(out);
    gServing = false;
}

void startServing(int in, int out)
{
    if (gServing || in < 0 || out < 0) {
        if (in >= 0)
            close(in);
        if (out >= 0)
            close(out);
        return;
    }
    if (gIo.joinable())
        gIo.join();
    gServing = true;
    gIo = std::thread(serve, in, out);
}

// The device GUID, 12 characters: the vendor id and the serial's last 8.
std::string deviceGuid()
{
    char guid[13];
    std::string serial = std::string(8, '0') + gModel.serial;
    snprintf(guid, sizeof guid, "%04X%s", kVendorId, serial.substr(serial.size() - 8).c_str());
    return guid;
}

void stall(const usb_ctrlrequest &setup)
{
    int none = 0;
    if (setup.bRequestType & USB_DIR_IN)
        (void)!read(gEp0, &none, 0);
    else
        (void)!write(gEp0, &none, 0);
}

void handleSetup(const usb_ctrlrequest &setup)
{
    uint16_t value = setup.wValue, length = setup.wLength;
    if (setup.bRequest == USB_REQ_GET_DESCRIPTOR && (value >> 8) == USB_DT_STRING) {
        Bytes reply;
        switch (value & 0xFF) {
        case 0: reply = {4, USB_DT_STRING, 0x09, 0x04}; break;
        case 1: reply = stringDescriptor(gModel.vendor); break;
        case 2: reply = stringDescriptor(gModel.model); break;
        case 3: reply = stringDescriptor(gModel.serial); break;
        case 4: reply = stringDescriptor(deviceGuid()); break;
        default: stall(setup); return;
        }
        if (reply.size() > length)
            reply.resize(length);
        send(gEp0, reply);
        return;
    }
    if (setup.bRequest == USB_REQ_SET_CONFIGURATION && setup.bRequestType == USB_DIR_OUT) {
        if (value == 1 && !gServing)
            startServing(configureEndpoint("ep1in-bulk", kEndpointIn), configureEndpoint("ep1out-bulk", kEndpointOut));
        int none;
        (void)!read(gEp0, &none, 0);  // the status stage
        return;
    }
    if (setup.bRequest == USB_REQ_SET_INTERFACE) {
        int none;
        (void)!read(gEp0, &none, 0);
        return;
    }
    stall(setup);
}

// Hands each event read from ep0 to the handler, until ep0 fails.
template <typename Event, typename Handler> int readEvents(Handler handle)
{
    for (;;) {
        Event events[5];
        ssize_t got = read(gEp0, events, sizeof events);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0) {
            fprintf(stderr, "camera-model: ep0: %s\n", strerror(errno));
            return 1;
        }
        for (size_t k = 0; k < (size_t)got / sizeof events[0]; k++)
            handle(events[k]);
    }
}

// gadgetfs: the whole device is described here; ep0 requests come as events.
int runGadgetFs()
{
    std::string controller = gFolder + "/dummy_udc";
    gEp0 = open(controller.c_str(), O_RDWR);
    if (gEp0 < 0) {
        fprintf(stderr, "camera-model: %s: %s\n", controller.c_str(), strerror(errno));
        return 1;
    }
    Bytes setup(4, 0);  // tag 0, then full-speed and high-speed configurations, then the device
    append(setup, configDescriptor(64));
    append(setup, configDescriptor(512));
    append(setup, deviceDescriptor());
    if (write(gEp0, setup.data(), setup.size()) < 0) {
        fprintf(stderr, "camera-model: describing the device: %s\n", strerror(errno));
        return 1;
    }
    printf("camera-model: ready, serial %s\n", gModel.serial.c_str());

    return readEvents<usb_gadgetfs_event>([](const usb_gadgetfs_event &event) {
        if (event.type == GADGETFS_SETUP)
            handleSetup(event.u.setup);
        else if (event.type == GADGETFS_CONNECT)
            printf("camera-model: connected, speed %d\n", (int)event.u.speed);
    });
}

// The function's interface: the IAD, the control interface and its two
// bulk endpoints (FunctionFS calls them ep1 and ep2, in this order).
Bytes functionDescriptors(uint16_t maxPacket)
{
    Bytes d = {8, 0x0B, 0, 1, 0xEF, 0x05, 0x00, 0};
    append(d, {9, USB_DT_INTERFACE, 0, 0, 2, 0xEF, 0x05, 0x00, 0});
    append(d, endpoint(kEndpointIn, maxPacket));
    append(d, endpoint(USB_DIR_OUT | 2, maxPacket));
    return d;
}

// The same for SuperSpeed: each endpoint followed by its companion.
Bytes superSpeedDescriptors()
{
    const Bytes companion = {6, USB_DT_SS_ENDPOINT_COMP, 0, 0, 0, 0};
    Bytes d = {8, 0x0B, 0, 1, 0xEF, 0x05, 0x00, 0};
    append(d, {9, USB_DT_INTERFACE, 0, 0, 2, 0xEF, 0x05, 0x00, 0});
    append(d, endpoint(kEndpointIn, 1024));
    append(d, companion);
    append(d, endpoint(USB_DIR_OUT | 2, 1024));
    append(d, companion);
    return d;
}

// FunctionFS: the interface is described here, the device by configfs.
int runFunctionFs()
{
    const uint32_t kDescriptorCount = 4;
    const uint32_t kSuperSpeedCount = 6;
    std::string ep0 = gFolder + "/ep0";
    gEp0 = open(ep0.c_str(), O_RDWR);
    if (gEp0 < 0) {
        fprintf(stderr, "camera-model: %s: %s\n", ep0.c_str(), strerror(errno));
        return 1;
    }
    Bytes descriptors(24, 0);
    put32(descriptors, 0, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    put32(descriptors, 8, FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC | FUNCTIONFS_HAS_SS_DESC);
    put32(descriptors, 12, kDescriptorCount);
    put32(descriptors, 16, kDescriptorCount);
    put32(descriptors, 20, kSuperSpeedCount);
    append(descriptors, functionDescriptors(64));
    append(descriptors, functionDescriptors(512));
    append(descriptors, superSpeedDescriptors());
    put32(descriptors, 4, (uint32_t)descriptors.size());
    Bytes strings(16, 0);  // none of its own
    put32(strings, 0, FUNCTIONFS_STRINGS_MAGIC);
    put32(strings, 4, (uint32_t)strings.size());
    if (write(gEp0, descriptors.data(), descriptors.size()) < 0 || write(gEp0, strings.data(), strings.size()) < 0) {
        fprintf(stderr, "camera-model: describing the function: %s\n", strerror(errno));
        return 1;
    }
    printf("camera-model: ready, serial %s\n", gModel.serial.c_str());

    return readEvents<usb_functionfs_event>([](const usb_functionfs_event &event) {
        if (event.type == FUNCTIONFS_ENABLE && !gServing) {
            startServing(open((gFolder + "/ep1").c_str(), O_RDWR), open((gFolder + "/ep2").c_str(), O_RDWR));
            printf("camera-model: enabled\n");
        } else if (event.type == FUNCTIONFS_SETUP) {
            stall(event.u.setup);
        }
    });
}

// Reads 40 hexadecimal digits into 20 bytes.
bool parseSha1(const char *hex, Bytes *sha1)
{
    if (strlen(hex) != 2 * kSha1Size || strspn(hex, "0123456789abcdefABCDEF") != 2 * kSha1Size)
        return false;
    for (size_t k = 0; k < kSha1Size; k++) {
        char pair[3] = {hex[2 * k], hex[2 * k + 1], 0};
        (*sha1)[k] = (uint8_t)strtoul(pair, nullptr, 16);
    }
    return true;
}

// Reads the options before the folder; false on one it does not know.
bool parseOptions(int *argc, char ***argv, bool *functionFs, Description *description)
{
    for (; *argc > 1 && strncmp((*argv)[1], "--", 2) == 0; (*argc)--, (*argv)++) {
        std::string option = (*argv)[1];
        if (option == "--ffs") {
            *functionFs = true;
            continue;
        }
        if (*argc < 3)
            return false;
        const char *value = (*argv)[2];
        char empty = '\0', *end = &empty;  // where a number ends
        if (option == "--model")
            gModel.model = value;
        else if (option == "--name")
            gModel.userName = value;
        else if (option == "--description")
            description->path = value;
        else if (option == "--at")
            description->address = strtoull(value, &end, 16);
        else if (option != "--sha1" || !parseSha1(value, &description->sha1))
            return false;
        if (*end != '\0')
            return false;
        (*argc)--, (*argv)++;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    bool functionFs = false;
    Description description;
    if (!parseOptions(&argc, &argv, &functionFs, &description) || argc != 5) {
        fprintf(stderr, "usage: camera-model [--ffs] [--model <name>] [--name <name>] [--description <file>"
                        " [--at <address>] [--sha1 <hex>]] <gadget folder> <registers file> <control file> <serial>\n");
        return 2;
    }
    gFolder = argv[1];
    gModel.controlPath = argv[3];
    gModel.serial = argv[4];
    gModel.streaming = !functionFs;
    storeBootstrap();
    loadRegisters(argv[2]);
    if (!description.path.empty() && !loadDescription(description))
        return 2;
    setvbuf(stdout, nullptr, _IOLBF, 0);
    return functionFs ? runFunctionFs() : runGadgetFs();
}

// A simulated camera's memory: its registers and its read-only memory (the
// bootstrap registers, the manifest table and the GenICam description), read
// and written in blocks of any size or 4 bytes at a time.
//
// An access is taken piece by piece from its first byte: a register where
// one starts (4 bytes, wholly inside the access), else a run of read-only
// bytes (up to the next register or fault), else nothing: the camera has no
// such address.  A fault applies to the piece that starts at its address.
#include "Sim.h"

#include <string.h>

#include <algorithm>

#include "CameraRegisters.h"

namespace qrvsim {

// The bytes of the read-only memory, at fixed addresses below 4 GiB so that
// the 32-bit private command reaches them too.
struct ReadOnlyMemory {
    struct Region {
        uint64_t address;
        uint64_t size;
        const uint8_t *bytes;
    };
    std::vector<uint8_t> bootstrap;
    std::vector<uint8_t> manifest;
    std::shared_ptr<const Description> description;  // kept alive for its bytes
    std::vector<Region> regions;                       // in address order

    // The region holding address, or NULL.
    const Region *find(uint64_t address) const
    {
        for (const Region &region : regions)
            if (address >= region.address && address - region.address < region.size)
                return &region;
        return nullptr;
    }
};

namespace {

// The bootstrap registers of the standard, as far as the simulator fills them.
const uint64_t kIdentityAddress[kIdentityFields] = {kBootstrapManufacturerName, kBootstrapModelName,
                                                    kBootstrapFamilyName,       kBootstrapDeviceVersion,
                                                    kBootstrapSerialNumber,     kBootstrapUserDefinedName};
const size_t kBootstrapSize = kBootstrapManifestTable + 8;  // up to the end of the manifest table address
const uint32_t kGencpVersionValue = 0x00010000;  // 1.0: major in the high 16 bits
const char kManufacturerInfoText[] = "A simulated camera of libQrVApi.so";

// Where the manifest table and the description are.
const uint64_t kManifestAddress = 0x00010000;
const uint64_t kDescriptionAddress = 0x00100000;

// A manifest entry: 64 bytes.
const size_t kEntrySize = 64;
const uint32_t kFileVersion = 1u << 24;                 // 1.0.0
const uint32_t kSchemaVersion = 1u << 24 | 1u << 16;    // 1.1
const uint32_t kZipCompression = 1u << 10;              // bits 10-15: 1 ZIP, 0 XML
const size_t kEntryShaOffset = 0x18;

// Zeros that pad the description to whole 4-byte words.
const uint8_t kPadding[4] = {0, 0, 0, 0};

void putText(std::vector<uint8_t> *memory, uint64_t address, const std::string &text)
{
    memcpy(memory->data() + address, text.data(), std::min(text.size(), kBootstrapTextSize - 1));
}

std::shared_ptr<const ReadOnlyMemory> buildReadOnlyMemory(const Camera &camera)
{
    auto memory = std::make_shared<ReadOnlyMemory>();
    memory->bootstrap.assign(kBootstrapSize, 0);
    storeLittleEndian(&memory->bootstrap[kBootstrapGencpVersion], 4, kGencpVersionValue);
    for (unsigned field = 0; field < kIdentityFields; field++)
        putText(&memory->bootstrap, kIdentityAddress[field], camera.identity[field]);
    putText(&memory->bootstrap, kBootstrapManufacturerInfo, kManufacturerInfoText);
    memory->regions.push_back({0, kBootstrapSize, memory->bootstrap.data()});

    const Description *description = camera.description.get();
    if (description == nullptr)
        return memory;  // no manifest: its address reads as 0
    storeLittleEndian(&memory->bootstrap[kBootstrapManifestTable], 8, kManifestAddress);
    memory->manifest.assign(8 + kEntrySize, 0);
    uint8_t *entry = &memory->manifest[8];
    storeLittleEndian(&memory->manifest[0], 8, 1);  // one entry
    storeLittleEndian(entry, 4, kFileVersion);
    storeLittleEndian(entry + 4, 4, kSchemaVersion | (description->zip ? kZipCompression : 0));
    storeLittleEndian(entry + 8, 8, kDescriptionAddress);
    storeLittleEndian(entry + 16, 8, description->size);
    memcpy(entry + kEntryShaOffset, description->sha1, sizeof description->sha1);
    memory->regions.push_back({kManifestAddress, memory->manifest.size(), memory->manifest.data()});
    memory->description = camera.description;
    memory->regions.push_back({kDescriptionAddress, description->size, description->bytes});
    uint64_t padding = (4 - description->size % 4) % 4;
    if (padding > 0)
        memory->regions.push_back({kDescriptionAddress + description->size, padding, kPadding});
    return memory;
}

// One piece of an access, from its first byte.
struct Piece {
    enum Kind { kRegister, kReadOnlyBytes, kNothing } kind;
    uint64_t size;
    const uint8_t *bytes;  // kReadOnlyBytes: the bytes
    uint32_t value;        // kRegister: the configured value
};

// The piece of [at, end) that starts at at.
Piece pieceAt(const Camera &camera, uint64_t at, uint64_t end)
{
    RegisterMap::const_iterator reg = camera.registers.find(at);
    if (reg != camera.registers.end())
        return end - at >= 4 ? Piece{Piece::kRegister, 4, nullptr, reg->second} : Piece{Piece::kNothing, end - at, nullptr, 0};
    const ReadOnlyMemory::Region *region = camera.readOnlyMemory().find(at);
    if (region == nullptr)
        return Piece{Piece::kNothing, std::min<uint64_t>(4, end - at), nullptr, 0};
    uint64_t stop = std::min(end, region->address + region->size);
    RegisterMap::const_iterator nextRegister = camera.registers.upper_bound(at);
    if (nextRegister != camera.registers.end())
        stop = std::min(stop, nextRegister->first);
    FaultMap::const_iterator nextFault = camera.faults.upper_bound(at);
    if (nextFault != camera.faults.end())
        stop = std::min(stop, nextFault->first);
    if (camera.faults.count(at) == 1)
        stop = std::min(stop, at + 4);
    return Piece{Piece::kReadOnlyBytes, stop - at, region->bytes + (at - region->address), 0};
}

unsigned faultsAt(const Camera &camera, uint64_t address)
{
    FaultMap::const_iterator found = camera.faults.find(address);
    return found == camera.faults.end() ? 0 : found->second;
}

// The end of [address, address + size), or false when it passes 2^64.
bool endOf(uint64_t address, uint32_t size, uint64_t *end)
{
    *end = address + size;
    return *end >= address;
}

} // namespace

const ReadOnlyMemory &Camera::readOnlyMemory() const
{
    if (!readOnlyMemory_)
        readOnlyMemory_ = buildReadOnlyMemory(*this);
    return *readOnlyMemory_;
}

int32_t readMemory(const Camera &camera, const RegisterState &state, uint64_t address, uint8_t *bytes, uint32_t size)
{
    uint64_t end;
    if (!endOf(address, size, &end))
        return kStatusNoRegister;
    // Read into a copy, so that bytes stay as they were unless all goes well.
    uint8_t small[64];
    std::vector<uint8_t> large(size > sizeof small ? size : 0);
    uint8_t *read = size > sizeof small ? large.data() : small;
    if (size > 0)
        memcpy(read, bytes, size);
    for (uint64_t at = address; at < end;) {
        Piece piece = pieceAt(camera, at, end);
        unsigned faults = faultsAt(camera, at);
        uint8_t *into = read + (at - address);
        if (faults & kReadFails)
            return kStatusInjected;
        if (faults & kReadNoStore)
            ;  // a success that stores nothing
        else if (piece.kind == Piece::kNothing)
            return kStatusNoRegister;
        else if (piece.kind == Piece::kReadOnlyBytes)
            memcpy(into, piece.bytes, piece.size);
        else if (!state.usable())
            return kStatusState;
        else {
            uint32_t value = piece.value;
            state.find(camera.number, at, &value);
            storeLittleEndian(into, 4, value);
        }
        at += piece.size;
    }
    if (size > 0)
        memcpy(bytes, read, size);
    return 0;
}

int32_t writeMemory(const Camera &camera, RegisterState &state, uint64_t address, const uint8_t *bytes, uint32_t size)
{
    uint64_t end;
    if (!endOf(address, size, &end))
        return kStatusNoRegister;
    RegisterState::Writes writes;
    for (uint64_t at = address; at < end;) {
        Piece piece = pieceAt(camera, at, end);
        unsigned faults = faultsAt(camera, at);
        if (faults & kWriteFails)
            return kStatusInjected;
        if ((faults & kReadOnly) || piece.kind == Piece::kReadOnlyBytes)
            return kStatusReadOnly;
        if (piece.kind == Piece::kNothing)
            return kStatusNoRegister;
        writes.emplace_back(at, (uint32_t)loadLittleEndian(bytes + (at - address), 4));
        at += piece.size;
    }
    if (!writes.empty() && !state.store(camera.number, writes))
        return kStatusState;
    return 0;
}

} // namespace qrvsim

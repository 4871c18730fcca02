// The GenICam description reader on cameras written here as memory maps:
// the manifest, reading in pieces, ZIP and SHA-1 checks, every failure
// reason, and the cache.  Reads are counted to show what a cache hit skips.
#include "Cache.h"
#include "Description.h"
#include "Unzip.h"

#include <sha1.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

// The largest single allocation made through operator new since reset: a
// zip bomb must not make the reader allocate what it claims.
static size_t largestAllocation = 0;

void *operator new(size_t size)
{
    if (size > largestAllocation)
        largestAllocation = size;
    void *block = malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

// GCC takes the free below for a mismatch: it cannot see that the
// operator new above is malloc too.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void *block) noexcept
{
    free(block);
}

void operator delete(void *block, size_t) noexcept
{
    free(block);
}
#pragma GCC diagnostic pop

namespace {

using namespace genicam;
typedef std::vector<uint8_t> Bytes;
namespace fs = std::filesystem;

const uint64_t kTable = 0x10000;
const uint64_t kFileAt = 0x100000;
const uint64_t kAbove32Bits = 0x1FFFF0000;
const uint32_t kXmlFormat = 0x01000000;          // schema 1.0, uncompressed, the device's description
const uint32_t kZipFormat = 0x01000400;          // schema 1.0, ZIP
const uint32_t kV1 = 0x01000000;                 // file version 1.0.0
const uint64_t kLargeFile = 100 * 1024;          // two 64 KiB pieces
const char kXml[] = "<?xml version=\"1.0\"?>\n<RegisterDescription ModelName=\"Falcon\"/>\n";

// A camera's memory, as regions written by the test.  Every read is
// recorded; a read touching a failing address, or memory not written,
// fails.
class MemoryPort : public Port {
public:
    bool read(uint64_t address, uint8_t *bytes, size_t size, std::string *reason) override
    {
        reads.push_back({address, size});
        for (uint64_t failing : failingAt)
            if (failing >= address && failing - address < size) {
                *reason = "status 0x8003";
                return false;
            }
        for (const auto &region : regions)
            if (address >= region.first && address - region.first <= region.second.size() &&
                size <= region.second.size() - (address - region.first)) {
                std::copy_n(region.second.begin() + (ptrdiff_t)(address - region.first), size, bytes);
                return true;
            }
        *reason = "nothing there";
        return false;
    }
    bool write(uint64_t, const uint8_t *, size_t, std::string *) override { return false; }
    bool reachesAbove32Bits() const override { return wide; }

    void put(uint64_t address, const Bytes &bytes) { regions[address] = bytes; }
    // Reads that touched [from, from + size).
    size_t readsOf(uint64_t from, uint64_t size) const
    {
        size_t count = 0;
        for (const auto &read : reads)
            count += read.first < from + size && from < read.first + read.second;
        return count;
    }

    // Bytes read of [from, from + size).
    uint64_t bytesReadOf(uint64_t from, uint64_t size) const
    {
        uint64_t count = 0;
        for (const auto &read : reads) {
            uint64_t start = std::max(read.first, from), end = std::min(read.first + read.second, from + size);
            count += start < end ? end - start : 0;
        }
        return count;
    }

    std::map<uint64_t, Bytes> regions;
    std::set<uint64_t> failingAt;
    std::vector<std::pair<uint64_t, size_t>> reads;
    bool wide = true;
};

Bytes littleEndian(uint64_t value, size_t size)
{
    Bytes bytes;
    for (size_t k = 0; k < size; k++)
        bytes.push_back((uint8_t)(value >> (8 * k)));
    return bytes;
}

Bytes bytesOf(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

std::string sha1Of(const Bytes &bytes)
{
    SHA1_CTX context;
    uint8_t digest[SHA1_DIGEST_LENGTH];
    SHA1Init(&context);
    SHA1Update(&context, bytes.data(), bytes.size());
    SHA1Final(digest, &context);
    return std::string((char *)digest, sizeof digest);
}

struct Entry {
    uint32_t version;
    uint32_t format;
    uint64_t address;
    uint64_t size;
    std::string sha1 = "";  // 20 bytes, or none
};

// The bootstrap registers (vendor, model, manifest address) and a manifest
// table at table listing entries (count entries when count is given).
void putManifest(MemoryPort &port, uint64_t table, const std::vector<Entry> &entries, uint64_t count = ~0ull)
{
    Bytes bootstrap(0x200, 0);
    std::string vendor = "Acme Optics", model = "Falcon/2";
    std::copy(vendor.begin(), vendor.end(), bootstrap.begin() + 0x04);
    std::copy(model.begin(), model.end(), bootstrap.begin() + 0x44);
    Bytes address = littleEndian(table, 8);
    std::copy(address.begin(), address.end(), bootstrap.begin() + 0x1D0);
    port.put(0, bootstrap);
    Bytes bytes = littleEndian(count == ~0ull ? entries.size() : count, 8);
    for (const Entry &entry : entries) {
        Bytes fields = littleEndian(entry.version, 4);
        for (const Bytes &field : {littleEndian(entry.format, 4), littleEndian(entry.address, 8),
                                   littleEndian(entry.size, 8), bytesOf(entry.sha1)})
            fields.insert(fields.end(), field.begin(), field.end());
        fields.resize(kManifestEntrySize, 0);
        bytes.insert(bytes.end(), fields.begin(), fields.end());
    }
    if (table != 0)
        port.put(table, bytes);
}

// A camera with one description at kFileAt.
void putDescription(MemoryPort &port, uint32_t format, const Bytes &file, std::string sha1 = "")
{
    putManifest(port, kTable, {{kV1, format, kFileAt, file.size(), sha1}});
    port.put(kFileAt, file);
}

// A ZIP archive of the named files, made with minizip.  bigZeros > 0 adds
// "bomb.xml" of that many zero bytes, written a chunk at a time.
Bytes makeZip(const std::vector<std::pair<std::string, std::string>> &files, size_t bigZeros = 0,
              int method = Z_DEFLATED)
{
    std::string path = (fs::temp_directory_path() / ("description-test-" + std::to_string(getpid()) + ".zip"));
    zipFile archive = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    EXPECT_NE(archive, nullptr);
    zip_fileinfo info = {};
    for (const auto &file : files) {
        zipOpenNewFileInZip64(archive, file.first.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                              Z_DEFAULT_COMPRESSION, 0);
        zipWriteInFileInZip(archive, file.second.data(), (unsigned)file.second.size());
        zipCloseFileInZip(archive);
    }
    if (bigZeros > 0) {
        std::vector<char> zeros(1024 * 1024);
        zipOpenNewFileInZip64(archive, "bomb.xml", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_BEST_COMPRESSION, 0);
        for (size_t done = 0; done < bigZeros; done += zeros.size())
            zipWriteInFileInZip(archive, zeros.data(), (unsigned)zeros.size());
        zipCloseFileInZip(archive);
    }
    zipClose(archive, nullptr);
    std::ifstream in(path, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(path);
    return bytes;
}

// The archive with a field of its first file changed, in the local and
// the central header alike, so that it lies consistently.
Bytes withField(Bytes zip, size_t localOffset, size_t centralOffset, uint32_t value, size_t size)
{
    const Bytes local = {0x50, 0x4B, 0x03, 0x04}, central = {0x50, 0x4B, 0x01, 0x02};
    auto patch = [&](const Bytes &signature, size_t offset) {
        auto at = std::search(zip.begin(), zip.end(), signature.begin(), signature.end());
        Bytes bytes = littleEndian(value, size);
        std::copy(bytes.begin(), bytes.end(), at + (ptrdiff_t)offset);
    };
    patch(local, localOffset);
    patch(central, centralOffset);
    return zip;
}

Bytes withClaimedSize(Bytes zip, uint32_t size)
{
    return withField(std::move(zip), 22, 24, size, 4);
}

Bytes withMethod(Bytes zip, uint16_t method)
{
    return withField(std::move(zip), 8, 10, method, 2);
}

Bytes withCrc(Bytes zip, uint32_t crc)
{
    return withField(std::move(zip), 14, 16, crc, 4);
}

// 100 MB of zeros as "bomb.xml": about 100 KB zipped.
const Bytes &bombZip()
{
    static const Bytes zip = makeZip({}, 100 * 1000 * 1000);
    return zip;
}

const Bytes &xmlZip()
{
    static const Bytes zip = makeZip({{"Falcon.xml", kXml}});
    return zip;
}

const Bytes &storedXmlZip()
{
    static const Bytes zip = makeZip({{"Falcon.xml", kXml}}, 0, 0);
    return zip;
}

// A ZIP of 600 KB, stored, its .xml claiming size bytes.
Bytes largeZipClaiming(uint32_t size)
{
    return withClaimedSize(makeZip({{"Falcon.xml", std::string(600 * 1000, 'x')}}, 0, 0), size);
}

bool fetch(MemoryPort &port, Description *description, std::string *reason, FetchOptions options = {})
{
    return fetchDescription(port, options, description, reason);
}

// A case of a parameterised table, shown and named by its name.
struct NamedCase {
    const char *name;
};

std::ostream &operator<<(std::ostream &out, const NamedCase &c)
{
    return out << c.name;
}

template <typename Case> std::string caseName(const testing::TestParamInfo<Case> &info)
{
    return info.param.name;
}

// ---- fetching without a cache: each case is a camera and what it gives

struct FetchCase : NamedCase {
    std::function<void(MemoryPort &)> camera;
    const char *result;  // the XML, or the reason
    bool fetched;
};

class Fetching : public testing::TestWithParam<FetchCase> {};

TEST_P(Fetching, GivesTheDescriptionOrOneReason)
{
    MemoryPort port;
    GetParam().camera(port);
    Description description;
    std::string reason;
    bool fetched = fetch(port, &description, &reason);
    EXPECT_EQ(fetched, GetParam().fetched);
    EXPECT_EQ(fetched ? description.xml : reason, GetParam().result);
    EXPECT_EQ(description.source, Source::Camera);
}

const std::string kOld = "<old/>", kNew = "<new/>";

INSTANTIATE_TEST_SUITE_P(
    Description, Fetching,
    testing::Values(
        FetchCase{{"NoManifest"}, [](MemoryPort &port) { putManifest(port, 0, {}); }, "no manifest", false},
        FetchCase{{"EmptyTable"}, [](MemoryPort &port) { putManifest(port, kTable, {}); }, "no usable entry",
                  false},
        FetchCase{{"OnlyUnusableEntries"},
                  [](MemoryPort &port) {
                      putManifest(port, kTable,
                                  {{kV1, 0x02000000, kFileAt, 10},      // schema 2
                                   {kV1, 0x01000001, kFileAt, 10},      // a buffer description
                                   {kV1, 0x01000800, kFileAt, 10},      // compression 2
                                   {kV1, kXmlFormat, kFileAt, 0}});     // empty
                  },
                  "no usable entry", false},
        FetchCase{{"NewestUsableEntry"},
                  [](MemoryPort &port) {
                      putManifest(port, kTable,
                                  {{0x01000000, kXmlFormat, kFileAt, kOld.size()},
                                   {0x09000000, 0x02000000, kFileAt, kOld.size()},  // newer, schema 2
                                   {0x01020000, kZipFormat, kFileAt + 0x1000, xmlZip().size()},
                                   {0x01010005, kXmlFormat, kFileAt, kOld.size()},
                                   {0x01020000, kXmlFormat, kFileAt + 0x2000, kNew.size()}});  // not newer
                      port.put(kFileAt, bytesOf(kOld));
                      port.put(kFileAt + 0x1000, xmlZip());
                      port.put(kFileAt + 0x2000, bytesOf(kNew));
                  },
                  kXml, true},
        FetchCase{{"OnlyTheFirst64EntriesAreRead"},
                  [](MemoryPort &port) {
                      // A million claimed, 64 there: reading one more would fail.
                      putManifest(port, kTable, std::vector<Entry>(64, {kV1, kXmlFormat, kFileAt, kNew.size()}),
                                  1000000);
                      port.put(kFileAt, bytesOf(kNew));
                  },
                  "<new/>", true},
        FetchCase{{"Xml"}, [](MemoryPort &port) { putDescription(port, kXmlFormat, bytesOf(kXml)); }, kXml, true},
        FetchCase{{"Zip"}, [](MemoryPort &port) { putDescription(port, kZipFormat, xmlZip()); }, kXml, true},
        FetchCase{{"XmlSha1Right"},
                  [](MemoryPort &port) { putDescription(port, kXmlFormat, bytesOf(kXml), sha1Of(bytesOf(kXml))); },
                  kXml, true},
        FetchCase{{"ZipSha1OfTheStoredFile"},
                  [](MemoryPort &port) { putDescription(port, kZipFormat, xmlZip(), sha1Of(xmlZip())); }, kXml,
                  true},
        FetchCase{{"ZipSha1OfTheUnpackedXml"},
                  [](MemoryPort &port) { putDescription(port, kZipFormat, xmlZip(), sha1Of(bytesOf(kXml))); },
                  "SHA-1 mismatch", false},
        FetchCase{{"Sha1Wrong"},
                  [](MemoryPort &port) {
                      putDescription(port, kXmlFormat, bytesOf(kXml), std::string(19, '\0') + "\x01");
                  },
                  "SHA-1 mismatch", false},
        FetchCase{{"ZipEntryHoldingXml"}, [](MemoryPort &port) { putDescription(port, kZipFormat, bytesOf(kXml)); },
                  "not a ZIP with one XML", false},
        FetchCase{{"EntrySizeHuge"},
                  [](MemoryPort &port) { putManifest(port, kTable, {{kV1, kXmlFormat, kFileAt, 1ull << 40}}); },
                  "too large", false},
        FetchCase{{"EntrySizeOneOverTheCap"},
                  [](MemoryPort &port) {
                      putManifest(port, kTable, {{kV1, kXmlFormat, kFileAt, kMaxDescriptionSize + 1}});
                  },
                  "too large", false},
        FetchCase{{"ZipBomb"}, [](MemoryPort &port) { putDescription(port, kZipFormat, bombZip()); },
                  "too large", false},
        FetchCase{{"ZipEntryOneOverItsCap"},
                  [](MemoryPort &port) {
                      putManifest(port, kTable, {{kV1, kZipFormat, kFileAt, kMaxZipFileSize + 1}});
                  },
                  "too large", false},
        FetchCase{{"ZipEntryAtItsCapIsLookedAt"},
                  [](MemoryPort &port) {
                      // Not refused for its size: its directory is read,
                      // from the last 64 KiB block, and is not there.
                      putManifest(port, kTable, {{kV1, kZipFormat, kFileAt, kMaxZipFileSize}});
                  },
                  "register 0x9F0000 could not be read", false},
        FetchCase{{"ZipClaimingOneOverTheCap"},
                  [](MemoryPort &port) {
                      putDescription(port, kZipFormat, largeZipClaiming((uint32_t)kMaxDescriptionSize + 1));
                  },
                  "too large", false},
        FetchCase{{"ZipMethod12"}, [](MemoryPort &port) { putDescription(port, kZipFormat, withMethod(xmlZip(), 12)); },
                  "ZIP compression method 12 is neither stored nor deflate", false},
        FetchCase{{"ZipStored"}, [](MemoryPort &port) { putDescription(port, kZipFormat, storedXmlZip()); }, kXml,
                  true},
        FetchCase{{"ZipRunningOffTheAddressSpace"},
                  [](MemoryPort &port) {
                      // Its end would wrap round to 0x1000: never read there.
                      putManifest(port, kTable, {{kV1, kZipFormat, 0xFFFFFFFFFFFFF000, 0x2000}});
                      port.put(0x200, Bytes(0x1000, 0));
                  },
                  "register 0xFFFFFFFFFFFFF000 could not be read", false},
        FetchCase{{"ZipEndingAbove32BitsOnANarrowPort"},
                  [](MemoryPort &port) {
                      port.wide = false;
                      putManifest(port, kTable, {{kV1, kZipFormat, 0xFFFFF000, 0x2000}});
                  },
                  "beyond 32-bit addresses", false},
        FetchCase{{"ZipDirectoryUnreadable"},
                  [](MemoryPort &port) {
                      putDescription(port, kZipFormat, xmlZip());
                      port.failingAt = {kFileAt + xmlZip().size() - 1};
                  },
                  "register 0x100000 could not be read", false},
        FetchCase{{"FileAbove32BitsOnAWidePort"},
                  [](MemoryPort &port) {
                      putManifest(port, kTable, {{kV1, kXmlFormat, kAbove32Bits, sizeof kXml - 1}});
                      port.put(kAbove32Bits, bytesOf(kXml));
                  },
                  kXml, true},
        FetchCase{{"FileAbove32BitsOnANarrowPort"},
                  [](MemoryPort &port) {
                      port.wide = false;
                      putManifest(port, kTable, {{kV1, kXmlFormat, kAbove32Bits, sizeof kXml - 1}});
                      port.put(kAbove32Bits, bytesOf(kXml));
                  },
                  "beyond 32-bit addresses", false},
        FetchCase{{"FileEndingAbove32BitsOnANarrowPort"},
                  [](MemoryPort &port) {
                      port.wide = false;
                      putManifest(port, kTable, {{kV1, kXmlFormat, 0xFFFFFFF0, 0x11}});
                  },
                  "beyond 32-bit addresses", false},
        FetchCase{{"TableAbove32BitsOnANarrowPort"},
                  [](MemoryPort &port) {
                      port.wide = false;
                      putManifest(port, kAbove32Bits, {{kV1, kXmlFormat, kFileAt, 6}});
                  },
                  "beyond 32-bit addresses", false},
        FetchCase{{"TableAtTheEndOfTheAddressSpace"},
                  [](MemoryPort &port) { putManifest(port, 0xFFFFFFFFFFFFFFF8, {}, 1); },
                  "register 0xFFFFFFFFFFFFFFF8 could not be read", false},
        FetchCase{{"ManifestAddressUnreadable"},
                  [](MemoryPort &port) {
                      putDescription(port, kXmlFormat, bytesOf(kXml));
                      port.failingAt = {0x1D4};
                  },
                  "register 0x1D0 could not be read", false},
        FetchCase{{"EntryCountUnreadable"},
                  [](MemoryPort &port) {
                      putDescription(port, kXmlFormat, bytesOf(kXml));
                      port.failingAt = {kTable};
                  },
                  "register 0x10000 could not be read", false},
        FetchCase{{"EntriesUnreadable"},
                  [](MemoryPort &port) {
                      putDescription(port, kXmlFormat, bytesOf(kXml));
                      port.failingAt = {kTable + 0x40};
                  },
                  "register 0x10008 could not be read", false},
        FetchCase{{"SecondPieceOfTheFileUnreadable"},
                  [](MemoryPort &port) {
                      putDescription(port, kXmlFormat, Bytes(kLargeFile, 'x'));
                      port.failingAt = {kFileAt + 0x18000};
                  },
                  "register 0x110000 could not be read", false}),
    caseName<FetchCase>);

TEST(Description, AZipBombIsRefusedWithoutAllocatingWhatItClaims)
{
    MemoryPort port;
    putDescription(port, kZipFormat, bombZip());
    largestAllocation = 0;
    Description description;
    std::string reason;
    EXPECT_FALSE(fetch(port, &description, &reason));
    EXPECT_EQ(reason, "too large");
    EXPECT_LT(largestAllocation, 1024u * 1024);
}

TEST(Description, AHugeEntryReadsNothingOfItsFile)
{
    MemoryPort port;
    putManifest(port, kTable, {{kV1, kXmlFormat, kFileAt, 1ull << 40}});
    Description description;
    std::string reason;
    EXPECT_FALSE(fetch(port, &description, &reason));
    EXPECT_EQ(port.readsOf(kFileAt, 1ull << 40), 0u);
}

// A ZIP's directory is read first, alone: one that claims more than can be
// parsed, or a method that cannot be unpacked, costs the blocks of its last
// 64 KiB, never the whole file; a good one costs each byte once, in no more
// reads than the whole file read at once.
TEST(Description, AZipIsJudgedByItsDirectoryBeforeItsFileIsRead)
{
    struct Case {
        const char *name;
        Bytes zip;
        const char *reason;  // "" when fetched
    };
    // minizip looks back 64 KiB from the end, over two blocks at most.
    const uint64_t kDirectoryCost = 2 * kMaxPieceSize;
    const uint32_t kSize = 600 * 1000;
    for (const Case &c : {Case{"claiming too much", largeZipClaiming((uint32_t)kMaxDescriptionSize + 1), "too large"},
                          Case{"method 12", withMethod(largeZipClaiming(kSize), 12),
                               "ZIP compression method 12 is neither stored nor deflate"},
                          Case{"good", largeZipClaiming(kSize), ""}}) {
        SCOPED_TRACE(c.name);
        MemoryPort port;
        putDescription(port, kZipFormat, c.zip);
        Description description;
        std::string reason;
        bool fetched = fetch(port, &description, &reason);
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(fetched, reason.empty());
        uint64_t read = port.bytesReadOf(kFileAt, c.zip.size());
        if (fetched) {
            EXPECT_EQ(read, c.zip.size()) << "each byte once";
            EXPECT_EQ(port.readsOf(kFileAt, c.zip.size()), (c.zip.size() + kMaxPieceSize - 1) / kMaxPieceSize);
        } else {
            EXPECT_LE(read, kDirectoryCost);
            EXPECT_EQ(port.readsOf(kFileAt, c.zip.size() - kDirectoryCost), 0u) << "the rest is never read";
        }
    }
}

TEST(Description, AFailedReadKeepsThePortsWordsAsDetail)
{
    MemoryPort port;
    putDescription(port, kXmlFormat, bytesOf(kXml));
    port.failingAt = {kFileAt};
    Description description;
    std::string reason;
    EXPECT_FALSE(fetch(port, &description, &reason));
    EXPECT_EQ(reason, "register 0x100000 could not be read");
    EXPECT_EQ(description.detail, "status 0x8003");
}

TEST(Description, ReadsInPiecesOfTheSizeAskedAndTellsProgress)
{
    struct Case {
        size_t pieceSize;
        size_t largestRead;
    };
    for (Case c : {Case{1000, 1000}, Case{0, 64 * 1024}, Case{1 << 20, 64 * 1024}}) {
        MemoryPort port;
        putDescription(port, kXmlFormat, Bytes(kLargeFile, 'x'));
        std::vector<uint64_t> progress;
        FetchOptions options;
        options.pieceSize = c.pieceSize;
        options.progress = [&](uint64_t done, uint64_t total) {
            EXPECT_EQ(total, kLargeFile);
            progress.push_back(done);
        };
        Description description;
        std::string reason;
        ASSERT_TRUE(fetch(port, &description, &reason, options)) << reason;
        size_t largest = 0;
        for (const auto &read : port.reads)
            largest = std::max(largest, read.second);
        EXPECT_EQ(largest, c.largestRead);
        size_t pieces = (kLargeFile + c.largestRead - 1) / c.largestRead;
        EXPECT_EQ(port.readsOf(kFileAt, kLargeFile), pieces);
        ASSERT_EQ(progress.size(), pieces);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), kLargeFile);
    }
}

// ---- unpacking archives directly

struct ZipCase : NamedCase {
    std::function<Bytes()> archive;
    const char *result;  // the XML, or the reason
    bool unpacked;
};

class Unzipping : public testing::TestWithParam<ZipCase> {};

TEST_P(Unzipping, GivesTheOneXmlOrOneReason)
{
    Bytes zip = GetParam().archive();
    std::string xml, reason;
    bool unpacked = unzipOneXml(zip.data(), zip.size(), kMaxDescriptionSize, &xml, &reason);
    EXPECT_EQ(unpacked, GetParam().unpacked);
    EXPECT_EQ(unpacked ? xml : reason, GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Description, Unzipping,
    testing::Values(
        ZipCase{{"OneXml"}, [] { return xmlZip(); }, kXml, true},
        ZipCase{{"FoldersAndOtherFilesBeside"},
                [] { return makeZip({{"docs/", ""}, {"README.txt", "hello"}, {"docs/Falcon.XML", kXml}}); }, kXml,
                true},
        ZipCase{{"EmptyXml"}, [] { return makeZip({{"Falcon.xml", ""}}); }, "", true},
        ZipCase{{"NoXml"}, [] { return makeZip({{"README.txt", kXml}, {"xml", kXml}, {".xml/", ""}}); },
                "not a ZIP with one XML", false},
        ZipCase{{"TwoXml"}, [] { return makeZip({{"a.xml", kXml}, {"b.Xml", kXml}}); }, "not a ZIP with one XML",
                false},
        ZipCase{{"Empty"}, [] { return Bytes(); }, "not a ZIP with one XML", false},
        ZipCase{{"NotAZip"}, [] { return bytesOf(kXml); }, "not a ZIP with one XML", false},
        ZipCase{{"CutShort"}, [] { return Bytes(xmlZip().begin(), xmlZip().begin() + 60); },
                "not a ZIP with one XML", false},
        ZipCase{{"DataDamaged"},
                [] {
                    Bytes zip = xmlZip();
                    zip[30 + 10 + 5] ^= 0x55;  // in the compressed data, after the local header and name
                    return zip;
                },
                "not a ZIP with one XML", false},
        ZipCase{{"SizeClaimedSmaller"}, [] { return withClaimedSize(xmlZip(), 10); }, "not a ZIP with one XML",
                false},
        ZipCase{{"SizeClaimedLarger"}, [] { return withClaimedSize(xmlZip(), 5000); }, "not a ZIP with one XML",
                false},
        ZipCase{{"SizeClaimedOverTheCap"}, [] { return withClaimedSize(xmlZip(), (uint32_t)kMaxDescriptionSize + 1); },
                "too large", false},
        ZipCase{{"BombClaimingLittle"}, [] { return withClaimedSize(bombZip(), 1 << 20); },
                "not a ZIP with one XML", false},
        ZipCase{{"Stored"}, [] { return storedXmlZip(); }, kXml, true},
        ZipCase{{"StoredCrcWrong"}, [] { return withCrc(storedXmlZip(), 0x12345678); }, "not a ZIP with one XML",
                false},
        ZipCase{{"DeflatedCrcWrong"}, [] { return withCrc(xmlZip(), 0x12345678); }, "not a ZIP with one XML",
                false},
        // Taken raw before, its CRC-32 unchecked: neither stored nor deflate.
        ZipCase{{"Method12"}, [] { return withMethod(xmlZip(), 12); },
                "ZIP compression method 12 is neither stored nor deflate", false},
        ZipCase{{"Method12StoredBytes"}, [] { return withMethod(storedXmlZip(), 12); },
                "ZIP compression method 12 is neither stored nor deflate", false},
        ZipCase{{"Method1"}, [] { return withMethod(storedXmlZip(), 1); },
                "ZIP compression method 1 is neither stored nor deflate", false}),
    caseName<ZipCase>);

// ---- the cache

std::string hexOf(const std::string &bytes)
{
    std::string hex;
    for (unsigned char c : bytes) {
        char two[3];
        snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    return hex;
}

std::string contents(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A folder of the test's own, removed at the end.
class TemporaryRoot : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "description-cache-XXXXXX").string();
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        root = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(root, fs::perms::owner_all, ignored);
        fs::remove_all(root, ignored);
    }

    std::string root;
};

class Cache : public TemporaryRoot {
protected:
    void SetUp() override
    {
        TemporaryRoot::SetUp();
        folder = root + "/cache/visionaccess/genicam";
        reopen();
    }
    void reopen()
    {
        cache = DescriptionCache::open(folder, nullptr);
        ASSERT_NE(cache, nullptr);
        options.cache = cache.get();
    }

    // Fetches from port, expecting a description; reads of the file counted.
    Description fetchOk(MemoryPort &port)
    {
        port.reads.clear();
        Description description;
        std::string reason;
        EXPECT_TRUE(fetch(port, &description, &reason, options)) << reason;
        return description;
    }
    std::vector<std::string> cachedNames() const
    {
        std::vector<std::string> names;
        if (fs::exists(folder))
            for (const auto &file : fs::directory_iterator(folder))
                names.push_back(file.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder;
    std::unique_ptr<DescriptionCache> cache;
    FetchOptions options;
};

TEST_F(Cache, ASecondFetchReadsOnlyTheManifest)
{
    Bytes file = xmlZip();
    std::string name = hexOf(sha1Of(file)) + ".xml";
    MemoryPort port;
    putDescription(port, kZipFormat, file, sha1Of(file));
    Description first = fetchOk(port);
    EXPECT_EQ(first.source, Source::Camera);
    EXPECT_EQ(first.cacheFile, folder + "/" + name);
    EXPECT_EQ(contents(first.cacheFile), kXml);
    EXPECT_EQ(fs::status(first.cacheFile).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(root + "/cache").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);

    Description second = fetchOk(port);
    EXPECT_EQ(second.source, Source::Cache);
    EXPECT_EQ(second.xml, kXml);
    EXPECT_EQ(second.cacheFile, first.cacheFile);
    EXPECT_EQ(port.readsOf(kFileAt, file.size()), 0u);
    EXPECT_EQ(port.readsOf(0x04, 0x80), 0u) << "nor the vendor and model names";
    EXPECT_EQ(cachedNames(), std::vector<std::string>{name});  // no temporary file left
}

// Without a SHA-1 in the manifest nothing ties a cached copy to the camera:
// two cameras of the same vendor, model, version and size each get their
// own description, fetched every time, and nothing is cached.
TEST_F(Cache, WithoutASha1NothingIsCachedAndEachCameraGetsItsOwn)
{
    const std::string genuine = "<genuine/>", hostile = "<hostile/>";
    MemoryPort genuineCamera, hostileCamera;
    putDescription(genuineCamera, kXmlFormat, bytesOf(genuine));
    putDescription(hostileCamera, kXmlFormat, bytesOf(hostile));
    for (int k = 0; k < 2; k++) {
        Description fromHostile = fetchOk(hostileCamera);
        Description fromGenuine = fetchOk(genuineCamera);
        EXPECT_EQ(fromHostile.xml, hostile);
        EXPECT_EQ(fromGenuine.xml, genuine);
        EXPECT_EQ(fromGenuine.source, Source::Camera);
        EXPECT_EQ(fromGenuine.cacheFile, "");
        EXPECT_EQ(genuineCamera.readsOf(kFileAt, genuine.size()), 1u);
    }
    EXPECT_EQ(cachedNames(), std::vector<std::string>{});
}

TEST_F(Cache, ACachedFileThatCannotBeUsedIsReplaced)
{
    struct Case {
        const char *name;
        std::function<void(const std::string &path)> damage;
    };
    options.accept = [](const std::string &xml) { return xml.rfind("<?xml", 0) == 0; };
    std::string outside = root + "/outside";
    for (const Case &c : {
             Case{"rejected", [](const std::string &path) { std::ofstream(path) << "garbage"; }},
             Case{"a link", [&](const std::string &path) {
                      std::ofstream(outside) << kXml;
                      fs::remove(path);
                      fs::create_symlink(outside, path);
                  }},
             Case{"a FIFO", [](const std::string &path) {
                      fs::remove(path);
                      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
                  }},
             Case{"larger than the cap", [](const std::string &path) {
                      fs::resize_file(path, kMaxDescriptionSize + 1);
                  }},
         }) {
        SCOPED_TRACE(c.name);
        MemoryPort port;
        putDescription(port, kXmlFormat, bytesOf(kXml), sha1Of(bytesOf(kXml)));
        std::string path = fetchOk(port).cacheFile;
        c.damage(path);
        Description again = fetchOk(port);
        EXPECT_EQ(again.source, Source::Camera);
        EXPECT_EQ(again.xml, kXml);
        EXPECT_EQ(again.cacheFile, path);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
        EXPECT_EQ(contents(path), kXml);
        EXPECT_EQ(fetchOk(port).source, Source::Cache);
    }
    EXPECT_EQ(contents(outside), kXml);  // a link's target is left alone
}

// A link planted at a cache file's name before it is first written is
// replaced, its target never written.
TEST_F(Cache, ALinkAtTheNameIsReplacedNotWrittenThrough)
{
    std::string victim = root + "/victim";
    std::ofstream(victim) << "precious";
    std::string path = folder + "/" + hexOf(sha1Of(bytesOf(kXml))) + ".xml";
    fs::create_symlink(victim, path);
    MemoryPort port;
    putDescription(port, kXmlFormat, bytesOf(kXml), sha1Of(bytesOf(kXml)));
    EXPECT_EQ(fetchOk(port).cacheFile, path);
    EXPECT_EQ(contents(victim), "precious");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
}

TEST_F(Cache, NothingIsCachedThatFailedOrWasRejected)
{
    MemoryPort port;
    putDescription(port, kXmlFormat, bytesOf(kXml), std::string(20, 'x'));
    Description description;
    std::string reason;
    EXPECT_FALSE(fetch(port, &description, &reason, options));
    EXPECT_EQ(reason, "SHA-1 mismatch");

    putDescription(port, kXmlFormat, bytesOf(kXml), sha1Of(bytesOf(kXml)));
    options.accept = [](const std::string &) { return false; };
    description = fetchOk(port);
    EXPECT_EQ(description.xml, kXml);
    EXPECT_EQ(description.cacheFile, "");
    EXPECT_EQ(cachedNames(), std::vector<std::string>{});
}

TEST_F(Cache, WithoutAUsableCacheEveryFetchReadsTheFile)
{
    struct Case {
        const char *name;
        bool withCache;
    };
    std::string name = hexOf(sha1Of(bytesOf(kXml))) + ".xml";
    fs::create_directories(folder + "/" + name);
    for (const Case &c : {Case{"no cache", false}, Case{"a folder where the file goes", true}}) {
        SCOPED_TRACE(c.name);
        MemoryPort port;
        putDescription(port, kXmlFormat, bytesOf(kXml), sha1Of(bytesOf(kXml)));
        options.cache = c.withCache ? cache.get() : nullptr;
        for (int k = 0; k < 2; k++) {
            Description description = fetchOk(port);
            EXPECT_EQ(description.xml, kXml);
            EXPECT_EQ(description.source, Source::Camera);
            EXPECT_EQ(description.cacheFile, "");
            EXPECT_EQ(port.readsOf(kFileAt, sizeof kXml - 1), 1u);
        }
    }
}

// The folder is looked up once, when opened: swapped for another after
// that, the cache still reads and writes the one it checked, and never
// what was planted in its place.
TEST_F(Cache, AFolderSwappedAfterItWasOpenedIsNeverRead)
{
    MemoryPort port, other;
    putDescription(port, kXmlFormat, bytesOf(kXml), sha1Of(bytesOf(kXml)));
    const std::string otherXml = "<other/>";
    putDescription(other, kXmlFormat, bytesOf(otherXml), sha1Of(bytesOf(otherXml)));
    std::string name = fetchOk(port).cacheFile.substr(folder.size() + 1);

    fs::rename(folder, folder + ".checked");
    fs::create_directory(folder);
    std::ofstream(folder + "/" + name) << "<planted/>";

    Description again = fetchOk(port);
    EXPECT_EQ(again.source, Source::Cache);
    EXPECT_EQ(again.xml, kXml);
    fetchOk(other);
    EXPECT_EQ(contents(folder + ".checked/" + hexOf(sha1Of(bytesOf(otherXml))) + ".xml"), otherXml);
    EXPECT_EQ(cachedNames(), std::vector<std::string>{name}) << "the planted folder is left as it was";
    EXPECT_EQ(contents(folder + "/" + name), "<planted/>");
}

// What opening a cache folder accepts: each case builds folders under the
// test's root (made 0700 by mkdtemp), then opens root + "/" + path.
struct OpenCase {
    const char *name;
    std::function<void(const std::string &root)> build;
    std::string path;
    bool opened;
    bool rootOnly;  // needs root to build (another user's files)
};

const uid_t kOtherUser = 12345;

void makeFolder(const std::string &path, mode_t mode)
{
    fs::create_directories(path);
    ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

class OpeningCache : public TemporaryRoot, public testing::WithParamInterface<OpenCase> {};

TEST_P(OpeningCache, ChecksTheFolderAndThoseAbove)
{
    const OpenCase &c = GetParam();
    if (c.rootOnly && geteuid() != 0)
        GTEST_SKIP() << "needs root to make another user's files";
    std::ofstream(root + "/victim-file") << "precious";
    makeFolder(root + "/victim", 0700);
    c.build(root);
    std::unique_ptr<DescriptionCache> cache = DescriptionCache::open(root + "/" + c.path, nullptr);
    EXPECT_EQ(cache != nullptr, c.opened);
    if (cache != nullptr) {
        EXPECT_TRUE(cache->store("probe.xml", "<probe/>"));
    }
    EXPECT_TRUE(fs::is_empty(root + "/victim")) << "nothing lands where a planted link leads";
    EXPECT_EQ(contents(root + "/victim-file"), "precious");
}

INSTANTIATE_TEST_SUITE_P(
    Cache, OpeningCache,
    testing::Values(
        OpenCase{"MadeWhenMissing", [](const std::string &) {}, "a/b/genicam", true, false},
        OpenCase{"Existing", [](const std::string &r) { makeFolder(r + "/genicam", 0700); }, "genicam", true, false},
        OpenCase{"ReadOnlyForOthers", [](const std::string &r) { makeFolder(r + "/genicam", 0755); }, "genicam",
                 true, false},
        OpenCase{"GroupMayWrite", [](const std::string &r) { makeFolder(r + "/genicam", 0770); }, "genicam", false,
                 false},
        OpenCase{"OthersMayWrite", [](const std::string &r) { makeFolder(r + "/genicam", 0703); }, "genicam", false,
                 false},
        OpenCase{"AFolderAboveOthersMayWrite",
                 [](const std::string &r) {
                     makeFolder(r + "/shared/genicam", 0700);
                     ASSERT_EQ(chmod((r + "/shared").c_str(), 0777), 0);
                 },
                 "shared/genicam", false, false},
        OpenCase{"NotMadeInAFolderOthersMayWrite", [](const std::string &r) { makeFolder(r + "/shared", 0777); },
                 "shared/genicam", false, false},
        OpenCase{"AFile", [](const std::string &r) { std::ofstream(r + "/genicam") << "x"; }, "genicam", false,
                 false},
        OpenCase{"AFileAbove", [](const std::string &r) { std::ofstream(r + "/file") << "x"; }, "file/genicam",
                 false, false},
        OpenCase{"ALinkPlantedInAFolderOthersMayWrite",
                 [](const std::string &r) {
                     makeFolder(r + "/shared", 0777);
                     fs::create_directory_symlink(r + "/victim", r + "/shared/genicam");
                 },
                 "shared/genicam", false, false},
        OpenCase{"ALinkPlantedAboveInAFolderOthersMayWrite",
                 [](const std::string &r) {
                     makeFolder(r + "/shared", 0777);
                     fs::create_directory_symlink(r + "/victim", r + "/shared/cache");
                 },
                 "shared/cache/genicam", false, false},
        OpenCase{"TheUsersOwnLink",
                 [](const std::string &r) {
                     makeFolder(r + "/elsewhere/genicam", 0700);
                     fs::create_directory_symlink(r + "/elsewhere", r + "/cache");
                 },
                 "cache/genicam", true, false},
        OpenCase{"TheUsersOwnRelativeLink",
                 [](const std::string &r) {
                     makeFolder(r + "/elsewhere", 0700);
                     makeFolder(r + "/mine", 0700);
                     fs::create_directory_symlink("../elsewhere", r + "/mine/genicam");
                 },
                 "mine/genicam", true, false},
        OpenCase{"ALinkToAFolderOthersMayWrite",
                 [](const std::string &r) {
                     makeFolder(r + "/shared", 0777);
                     fs::create_directory_symlink(r + "/shared", r + "/genicam");
                 },
                 "genicam", false, false},
        OpenCase{"ALinkLoop",
                 [](const std::string &r) {
                     fs::create_directory_symlink(r + "/b", r + "/a");
                     fs::create_directory_symlink(r + "/a", r + "/b");
                 },
                 "a/genicam", false, false},
        OpenCase{"DotDotInThePath", [](const std::string &r) { makeFolder(r + "/x", 0700); }, "x/../genicam", true,
                 false},
        OpenCase{"AnotherUsersFolder",
                 [](const std::string &r) {
                     makeFolder(r + "/genicam", 0700);
                     ASSERT_EQ(chown((r + "/genicam").c_str(), kOtherUser, kOtherUser), 0);
                 },
                 "genicam", false, true},
        OpenCase{"AnotherUsersFolderAbove",
                 [](const std::string &r) {
                     makeFolder(r + "/theirs/genicam", 0700);
                     ASSERT_EQ(chmod((r + "/theirs").c_str(), 0755), 0);
                     ASSERT_EQ(chown((r + "/theirs").c_str(), kOtherUser, kOtherUser), 0);
                 },
                 "theirs/genicam", false, true},
        OpenCase{"AnotherUsersLinkInAStickyFolder",
                 [](const std::string &r) {
                     makeFolder(r + "/tmp", 01777);
                     fs::create_directory_symlink(r + "/victim", r + "/tmp/genicam");
                     ASSERT_EQ(lchown((r + "/tmp/genicam").c_str(), kOtherUser, kOtherUser), 0);
                 },
                 "tmp/genicam", false, true},
        OpenCase{"BelowRootsStickyFolder",
                 [](const std::string &r) { makeFolder(r + "/tmp", 01777); }, "tmp/mine/genicam", true, true}),
    caseName<OpenCase>);

TEST_F(TemporaryRoot, OpeningARelativeOrEmptyPathGivesNoCache)
{
    EXPECT_EQ(DescriptionCache::open("", nullptr), nullptr);
    EXPECT_EQ(DescriptionCache::open("relative/genicam", nullptr), nullptr);
}

// The user's home ends the checks above: it, and what lies above it, are
// not the user's to judge.  (A home others may change is not a folder of
// root's that ends them otherwise.)
TEST_F(TemporaryRoot, TheHomeEndsTheChecks)
{
    makeFolder(root + "/home", 0770);
    ASSERT_EQ(chmod(root.c_str(), 0777), 0);
    std::string folder = root + "/home/.cache/visionaccess/genicam";
    EXPECT_EQ(DescriptionCache::open(folder, nullptr), nullptr);
    EXPECT_EQ(DescriptionCache::open(folder, "relative/home"), nullptr);
    EXPECT_EQ(DescriptionCache::open(folder, (root + "/elsewhere").c_str()), nullptr);
    EXPECT_NE(DescriptionCache::open(folder, (root + "/home").c_str()), nullptr);
}

// The cache keeps the most recently used descriptions within its bounds;
// a read renews a description.  Files of the older naming, and temporary
// files a dead run left an hour ago, go; anything else stays.
TEST_F(Cache, TrimmingKeepsTheMostRecentlyUsed)
{
    struct Case {
        const char *name;
        size_t maxFiles;
        uint64_t maxBytes;
        std::vector<std::string> kept;  // the first letter of each hash
    };
    auto hashName = [](char letter) { return std::string(40, letter) + ".xml"; };
    for (const Case &c : {Case{"within both", 10, 1000, {"a", "b", "c", "d"}},
                          Case{"by count", 2, 1000, {"b", "d"}},
                          Case{"by size: the oldest that does not fit and all older", 10, 45, {"b", "d"}},
                          Case{"by size, exactly", 10, 50, {"b", "c", "d"}},
                          Case{"none fits", 10, 5, {}},
                          Case{"none at all", 0, 1000, {}}}) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        reopen();
        // Written a, b, c, d, 10 bytes each but c with 30, each a minute
        // apart; then b is read, so b is the most recently used.
        time_t now = time(nullptr);
        int minute = 4;
        for (char letter : {'a', 'b', 'c', 'd'}) {
            ASSERT_TRUE(cache->store(hashName(letter), std::string(letter == 'c' ? 30 : 10, letter)));
            struct timespec times[2] = {{now - 60 * minute, 0}, {now - 60 * minute, 0}};
            minute--;
            ASSERT_EQ(utimensat(AT_FDCWD, (folder + "/" + hashName(letter)).c_str(), times, 0), 0);
        }
        std::string text;
        ASSERT_TRUE(cache->read(hashName('b'), 100, &text));
        std::ofstream(folder + "/Acme_Optics_Falcon_2_1.0.0_1234.xml") << "an older naming";
        std::ofstream(folder + "/.incoming-1-0-0") << "left by a dead run";
        std::ofstream(folder + "/.incoming-2-0-0") << "being written";
        std::ofstream(folder + "/notes.txt") << "not ours to judge";
        fs::create_directory(folder + "/" + hashName('f'));
        struct timespec old[2] = {{now - 3601, 0}, {now - 3601, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (folder + "/.incoming-1-0-0").c_str(), old, 0), 0);

        cache->trim(c.maxFiles, c.maxBytes);
        std::vector<std::string> expected = {".incoming-2-0-0"};
        for (const std::string &letter : c.kept)
            expected.push_back(hashName(letter[0]));
        expected.push_back(hashName('f'));
        expected.push_back("notes.txt");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(cachedNames(), expected);
    }
}

// Storing trims to the cache's own bounds: one more than it keeps pushes
// out the least recently used.
TEST_F(Cache, StoringKeepsTheCacheWithinItsBounds)
{
    time_t now = time(nullptr);
    for (size_t k = 0; k < kMaxCachedFiles; k++) {
        char name[64];
        snprintf(name, sizeof name, "%040zx.xml", k);
        std::ofstream(folder + "/" + name) << "<old/>";
        struct timespec times[2] = {{now - 1000 + (time_t)k, 0}, {now - 1000 + (time_t)k, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (folder + "/" + name).c_str(), times, 0), 0);
    }
    MemoryPort port;
    putDescription(port, kXmlFormat, bytesOf(kXml), sha1Of(bytesOf(kXml)));
    std::string stored = fetchOk(port).cacheFile.substr(folder.size() + 1);
    std::vector<std::string> names = cachedNames();
    EXPECT_EQ(names.size(), kMaxCachedFiles);
    EXPECT_FALSE(std::binary_search(names.begin(), names.end(), std::string(40, '0') + ".xml")) << "the oldest";
    EXPECT_TRUE(std::binary_search(names.begin(), names.end(), std::string(39, '0') + "1.xml"));
    EXPECT_TRUE(std::binary_search(names.begin(), names.end(), stored));
}

TEST(CacheFolder, ComesFromTheEnvironment)
{
    struct Case {
        const char *xdgCacheHome;
        const char *home;
        const char *folder;
    };
    for (Case c : {Case{"/x/cache", "/home/u", "/x/cache/visionaccess/genicam"},
                   Case{"x/cache", "/home/u", "/home/u/.cache/visionaccess/genicam"},
                   Case{"", "/home/u", "/home/u/.cache/visionaccess/genicam"},
                   Case{nullptr, "/home/u", "/home/u/.cache/visionaccess/genicam"},
                   Case{nullptr, "home/u", ""}, Case{"", "", ""}, Case{nullptr, nullptr, ""}})
        EXPECT_EQ(cacheFolderFrom(c.xdgCacheHome, c.home), c.folder) << c.xdgCacheHome << " " << c.home;
}

TEST(CacheFileName, IsTheSha1OrNone)
{
    ManifestEntry entry;
    entry.fileVersion = 0x0203FFFF;
    entry.size = 1234;
    EXPECT_EQ(cacheFileName(entry), "") << "no SHA-1: never cached";
    entry.sha1[19] = 0x01;
    EXPECT_EQ(cacheFileName(entry), std::string(38, '0') + "01.xml");
    entry.sha1.fill(0xAB);
    entry.sha1[0] = 0x0F;
    EXPECT_EQ(cacheFileName(entry), "0f" + hexOf(std::string(19, '\xAB')) + ".xml");
}

// ---- GigE Vision: the description named by a URL register

const uint64_t kGigeFile = 0x100000;

// A GigE Vision camera's bootstrap registers: its device mode, its first
// URL register holding url (padded with NULs unless it fills the 512
// bytes), and its capability register (manifest table or not).
void putGige(MemoryPort &port, const std::string &url, bool manifest = false)
{
    Bytes bootstrap(0xA00, 0);
    bootstrap[0x04] = 0x80;  // big-endian
    std::copy(url.begin(), url.begin() + (ptrdiff_t)std::min<size_t>(url.size(), 512), bootstrap.begin() + 0x200);
    if (manifest)
        bootstrap[0x934] = 0x04;  // bit 26
    port.put(0, bootstrap);
}

// The URL of a file of size bytes at kGigeFile, and a query.
std::string localUrl(const char *name, size_t size, const std::string &query = "")
{
    char text[128];
    snprintf(text, sizeof text, "Local:%s;%llX;%zx", name, (unsigned long long)kGigeFile, size);
    return text + query;
}

// A manifest table at 0x9000 of 64-bit big-endian entries (file version,
// schema major, URL register address), the URL registers holding urls.
void putGigeManifest(MemoryPort &port,
                     const std::vector<std::tuple<unsigned, unsigned, uint32_t, std::string>> &entries)
{
    Bytes table(8 * (entries.size() + 1), 0);
    table[0] = (uint8_t)(entries.size() << 2);
    for (size_t k = 0; k < entries.size(); k++) {
        unsigned major, schema;
        uint32_t address;
        std::string url;
        std::tie(major, schema, address, url) = entries[k];
        uint64_t word = (uint64_t)major << 58 | (uint64_t)schema << 40 | address;
        for (size_t b = 0; b < 8; b++)
            table[8 * (k + 1) + b] = (uint8_t)(word >> (56 - 8 * b));
        Bytes reg(512, 0);
        std::copy(url.begin(), url.end(), reg.begin());
        port.put(address, reg);
    }
    port.put(0x9000, table);
}

// A URL of control characters and 100 x's, as a reason shows it.
const std::string kShortenedUrl = "unusable URL Local:\\x1B[2J" + std::string(70, 'x') + "...";

std::string sha1Query(const Bytes &file)
{
    return "?SchemaVersion=1.1.0&SHA1=" + hexOf(sha1Of(file));
}

INSTANTIATE_TEST_SUITE_P(
    Gige, Fetching,
    testing::Values(
        FetchCase{{"LocalXml"},
                  [](MemoryPort &port) {
                      putGige(port, localUrl("camera.xml", strlen(kXml)));
                      port.put(kGigeFile, bytesOf(kXml));
                  },
                  kXml, true},
        FetchCase{{"LocalZipAnyCaseBlanksAnd0x"},
                  [](MemoryPort &port) {
                      char url[128];
                      snprintf(url, sizeof url, "local:///camera.ZIP; 0x%llx ;0x%zX?SchemaVersion=1.0.0",
                               (unsigned long long)kGigeFile, xmlZip().size());
                      putGige(port, url);
                      port.put(kGigeFile, xmlZip());
                  },
                  kXml, true},
        FetchCase{{"Sha1Checked"},
                  [](MemoryPort &port) {
                      putGige(port, localUrl("camera.zip", xmlZip().size(), sha1Query(xmlZip())));
                      port.put(kGigeFile, xmlZip());
                  },
                  kXml, true},
        FetchCase{{"Sha1Mismatch"},
                  [](MemoryPort &port) {
                      putGige(port, localUrl("camera.zip", xmlZip().size(), sha1Query(storedXmlZip())));
                      port.put(kGigeFile, xmlZip());
                  },
                  "SHA-1 mismatch", false},
        FetchCase{{"FileUrl"}, [](MemoryPort &port) { putGige(port, "File:///C:/cameras/camera.xml"); },
                  "its URL File:///C:/cameras/camera.xml names a file outside the camera: give the description with -g",
                  false},
        FetchCase{{"HttpUrl"}, [](MemoryPort &port) { putGige(port, "http://cameras.example/falcon.zip"); },
                  "its URL http://cameras.example/falcon.zip names a file outside the camera: give the description "
                  "with -g",
                  false},
        FetchCase{{"UrlWithoutTerminator"},
                  [](MemoryPort &port) { putGige(port, "Local:camera.xml;100000;40" + std::string(512, ' ')); },
                  "URL register 0x200 holds no terminated URL", false},
        FetchCase{{"NeitherXmlNorZip"}, [](MemoryPort &port) { putGige(port, "Local:camera.txt;100000;40"); },
                  "unusable URL Local:camera.txt;100000;40", false},
        FetchCase{{"NotHexadecimal"}, [](MemoryPort &port) { putGige(port, "Local:camera.xml;10000g;40"); },
                  "unusable URL Local:camera.xml;10000g;40", false},
        FetchCase{{"EmptyFile"}, [](MemoryPort &port) { putGige(port, "Local:camera.xml;100000;0"); },
                  "unusable URL Local:camera.xml;100000;0", false},
        FetchCase{{"SchemaTwo"},
                  [](MemoryPort &port) { putGige(port, "Local:camera.xml;100000;40?SchemaVersion=2.0.0"); },
                  "unusable URL Local:camera.xml;100000;40?SchemaVersion=2.0.0", false},
        FetchCase{{"EscapedAndShortened"},
                  [](MemoryPort &port) { putGige(port, "Local:\x1b[2J" + std::string(100, 'x') + ".txt;1;1"); },
                  kShortenedUrl.c_str(), false},
        FetchCase{{"TooLarge"}, [](MemoryPort &port) { putGige(port, "Local:camera.xml;100000;900000"); },
                  "too large", false},
        FetchCase{{"FileUnreadable"}, [](MemoryPort &port) { putGige(port, localUrl("camera.xml", 40)); },
                  "register 0x100000 could not be read", false},
        FetchCase{{"ManifestNewestEntry"},
                  [](MemoryPort &port) {
                      putGige(port, "File:first.xml", true);
                      putGigeManifest(port, {{1, 1, 0xA000, "Local:old.xml;100000;6"},
                                             {2, 1, 0xA200, "Local:new.xml;100010;6"},
                                             {3, 2, 0xA400, "Local:schema2.xml;100000;6"}});
                      port.put(kGigeFile, bytesOf(kOld + std::string(10, ' ') + kNew));
                  },
                  kNew.c_str(), true},
        FetchCase{{"ManifestUnusableFallsBackToFirstUrl"},
                  [](MemoryPort &port) {
                      putGige(port, localUrl("first.xml", kOld.size()), true);
                      putGigeManifest(port, {{1, 1, 0xA000, "http://cameras.example/camera.xml"}});
                      port.put(kGigeFile, bytesOf(kOld));
                  },
                  kOld.c_str(), true}),
    caseName<FetchCase>);

// A GigE Vision camera is asked for its manifest address as a USB3 Vision
// camera is, then for its URL register; a USB3 Vision camera without a
// manifest is asked for the URL register once, in vain, and keeps its
// reason.
TEST(Description, AGigeCameraIsToldByItsUrlRegister)
{
    MemoryPort gige;
    putGige(gige, localUrl("camera.xml", strlen(kXml)));
    gige.put(kGigeFile, bytesOf(kXml));
    Description description;
    std::string reason;
    ASSERT_TRUE(fetch(gige, &description, &reason)) << reason;
    std::vector<std::pair<uint64_t, size_t>> expected = {
        {0x1D0, 8}, {0x200, 512}, {0x934, 4}, {kGigeFile, strlen(kXml)}};
    EXPECT_EQ(gige.reads, expected);

    MemoryPort usb;
    putManifest(usb, 0, {});
    usb.put(0x200, Bytes(512, 0));
    EXPECT_FALSE(fetch(usb, &description, &reason));
    EXPECT_EQ(reason, "no manifest");
    EXPECT_EQ(usb.readsOf(0x200, 512), 1u);
}

// The URL's SHA-1 names the cached copy, as a manifest entry's does.
TEST_F(Cache, AGigeUrlsSha1NamesItsCachedCopy)
{
    MemoryPort port;
    putGige(port, localUrl("camera.zip", xmlZip().size(), sha1Query(xmlZip())));
    port.put(kGigeFile, xmlZip());
    Description first = fetchOk(port);
    EXPECT_EQ(first.cacheFile, folder + "/" + hexOf(sha1Of(xmlZip())) + ".xml");
    Description second = fetchOk(port);
    EXPECT_EQ(second.source, Source::Cache);
    EXPECT_EQ(second.xml, kXml);
    EXPECT_EQ(port.readsOf(kGigeFile, xmlZip().size()), 0u);
}

} // namespace

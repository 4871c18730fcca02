// The GenICam description reader on cameras written here as memory maps:
// the manifest, reading in pieces, ZIP and SHA-1 checks, every failure
// reason, and the cache.  Reads are counted to show what a cache hit skips.
#include "Cache.h"
#include "Description.h"
#include "Unzip.h"

#include <sha1.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <set>
#include <sstream>
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
Bytes makeZip(const std::vector<std::pair<std::string, std::string>> &files, size_t bigZeros = 0)
{
    std::string path = (fs::temp_directory_path() / ("description-test-" + std::to_string(getpid()) + ".zip"));
    zipFile archive = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    EXPECT_NE(archive, nullptr);
    zip_fileinfo info = {};
    for (const auto &file : files) {
        zipOpenNewFileInZip64(archive, file.first.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
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

// The archive with the uncompressed size of its first file changed, in the
// local and the central header alike, so that it lies consistently.
Bytes withClaimedSize(Bytes zip, uint32_t size)
{
    const Bytes local = {0x50, 0x4B, 0x03, 0x04}, central = {0x50, 0x4B, 0x01, 0x02};
    auto patch = [&](const Bytes &signature, size_t offset) {
        auto at = std::search(zip.begin(), zip.end(), signature.begin(), signature.end());
        Bytes value = littleEndian(size, 4);
        std::copy(value.begin(), value.end(), at + (ptrdiff_t)offset);
    };
    patch(local, 22);
    patch(central, 24);
    return zip;
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
                "not a ZIP with one XML", false}),
    caseName<ZipCase>);

// ---- the cache

class Cache : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "description-cache-XXXXXX").string();
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        root = pattern;
        options.cacheFolder = root + "/cache/visionaccess/genicam";
    }
    void TearDown() override { fs::remove_all(root); }

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
        if (fs::exists(options.cacheFolder))
            for (const auto &file : fs::directory_iterator(options.cacheFolder))
                names.push_back(file.path().filename());
        return names;
    }
    static std::string contents(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string root;
    FetchOptions options;
};

TEST_F(Cache, ASecondFetchReadsOnlyWhatNamesTheDescription)
{
    struct Case {
        std::string sha1;
        std::string name;
        size_t nameReads;  // of the vendor and model strings
    };
    Bytes file = xmlZip();
    std::string hex = "";
    for (unsigned char c : sha1Of(file)) {
        char two[3];
        snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    for (const Case &c : {Case{sha1Of(file), hex + ".xml", 0},
                          Case{"", "Acme_Optics_Falcon_2_1.0.0_" + std::to_string(file.size()) + ".xml", 2}}) {
        fs::remove_all(root + "/cache");
        MemoryPort port;
        putDescription(port, kZipFormat, file, c.sha1);
        Description first = fetchOk(port);
        EXPECT_EQ(first.source, Source::Camera);
        EXPECT_EQ(first.cacheFile, options.cacheFolder + "/" + c.name);
        EXPECT_EQ(contents(first.cacheFile), kXml);
        EXPECT_EQ(fs::status(first.cacheFile).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(fs::status(root + "/cache").permissions(), fs::perms::owner_all);
        EXPECT_EQ(fs::status(options.cacheFolder).permissions(), fs::perms::owner_all);

        Description second = fetchOk(port);
        EXPECT_EQ(second.source, Source::Cache);
        EXPECT_EQ(second.xml, kXml);
        EXPECT_EQ(second.cacheFile, first.cacheFile);
        EXPECT_EQ(port.readsOf(kFileAt, file.size()), 0u);
        EXPECT_EQ(port.readsOf(0x04, 0x80), c.nameReads);
        EXPECT_EQ(cachedNames(), std::vector<std::string>{c.name});  // no temporary file left
    }
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

TEST_F(Cache, NothingIsCachedThatFailedOrWasRejected)
{
    MemoryPort port;
    putDescription(port, kXmlFormat, bytesOf(kXml), std::string(20, 'x'));
    Description description;
    std::string reason;
    EXPECT_FALSE(fetch(port, &description, &reason, options));
    EXPECT_EQ(reason, "SHA-1 mismatch");

    putDescription(port, kXmlFormat, bytesOf(kXml));
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
        std::string folder;
    };
    std::string name = "Acme_Optics_Falcon_2_1.0.0_" + std::to_string(sizeof kXml - 1) + ".xml";
    std::ofstream(root + "/file") << "a file, not a folder";
    fs::create_directories(root + "/folder/" + name);
    fs::create_directories(root + "/shared");
    std::ofstream(root + "/shared/" + name) << "<planted/>";
    fs::permissions(root + "/shared", fs::perms::all);
    for (const Case &c : {Case{"no cache", ""}, Case{"unwritable", root + "/file/genicam"},
                          Case{"a folder where the file goes", root + "/folder"},
                          Case{"a folder others may write to", root + "/shared"}}) {
        SCOPED_TRACE(c.name);
        MemoryPort port;
        putDescription(port, kXmlFormat, bytesOf(kXml));
        options.cacheFolder = c.folder;
        for (int k = 0; k < 2; k++) {
            Description description = fetchOk(port);
            EXPECT_EQ(description.xml, kXml);
            EXPECT_EQ(description.source, Source::Camera);
            EXPECT_EQ(description.cacheFile, "");
            EXPECT_EQ(port.readsOf(kFileAt, sizeof kXml - 1), 1u);
        }
    }
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

TEST(CacheFileName, IsMadeOfSafeCharactersOnly)
{
    struct Case {
        const char *vendor;
        std::string model;
        std::string name;
    };
    ManifestEntry entry;
    entry.fileVersion = 0x0203FFFF;
    entry.size = 1234;
    for (const Case &c : {Case{"Acme Optics", "Falcon/2", "Acme_Optics_Falcon_2_2.3.65535_1234.xml"},
                          Case{"../..", "x\xff\n", "_._.._x___2.3.65535_1234.xml"},
                          Case{".hidden", "", "_hidden__2.3.65535_1234.xml"},
                          Case{"", std::string(100, 'm'), "_" + std::string(64, 'm') + "_2.3.65535_1234.xml"}})
        EXPECT_EQ(cacheFileName(entry, c.vendor, c.model), c.name);
}

} // namespace

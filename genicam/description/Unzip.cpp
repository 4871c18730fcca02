#include "Unzip.h"

#include "Reasons.h"

#include <minizip/unzip.h>
#include <string.h>
#include <strings.h>
#include <zlib.h>

#include <vector>

namespace genicam {

namespace {

const size_t kChunkSize = 64 * 1024;
const size_t kMaxNameLength = 0xFFFF;  // a ZIP name's length is a 16-bit field
const unsigned long kEncryptedFlag = 0x1;
const unsigned long kStored = 0;  // the compression method of a file kept as it is

// An archive read by minizip through the callbacks below.
struct ArchiveFile {
    const ArchiveRead *read;
    uint64_t size;
    uint64_t position;
};

voidpf ZCALLBACK openArchive(voidpf opaque, const void *, int mode)
{
    auto *file = static_cast<ArchiveFile *>(opaque);
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    file->position = 0;
    return file;
}

uLong ZCALLBACK readArchive(voidpf, voidpf stream, void *buffer, uLong size)
{
    auto *file = static_cast<ArchiveFile *>(stream);
    uint64_t left = file->size - file->position;
    size_t count = size < left ? (size_t)size : (size_t)left;
    if (count == 0 || !(*file->read)(file->position, static_cast<uint8_t *>(buffer), count))
        return 0;
    file->position += count;
    return (uLong)count;
}

uLong ZCALLBACK writeArchive(voidpf, voidpf, const void *, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK tellArchive(voidpf, voidpf stream)
{
    return static_cast<ArchiveFile *>(stream)->position;
}

long ZCALLBACK seekArchive(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *file = static_cast<ArchiveFile *>(stream);
    ZPOS64_T base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = file->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = file->size;
    else if (origin != ZLIB_FILEFUNC_SEEK_SET)
        return -1;
    if (offset > file->size - base)
        return -1;
    file->position = base + offset;
    return 0;
}

int ZCALLBACK closeArchive(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK archiveError(voidpf, voidpf)
{
    return 0;
}

bool hasXmlExtension(const char *name, size_t length)
{
    const size_t extension = 4;
    return length > extension && strcasecmp(name + length - extension, ".xml") == 0;
}

// Makes the .xml file the archive's current file.  False when the archive
// holds no .xml, more than one, or more than kMaxZipEntries files.
bool findOneXml(unzFile archive)
{
    std::vector<char> name(kMaxNameLength + 1);
    unz_file_info64 info;
    unz64_file_pos found;
    size_t xmlFiles = 0;
    size_t files = 0;
    for (int status = unzGoToFirstFile(archive); status != UNZ_END_OF_LIST_OF_FILE;
         status = unzGoToNextFile(archive)) {
        if (status != UNZ_OK || ++files > kMaxZipEntries)
            return false;
        if (unzGetCurrentFileInfo64(archive, &info, name.data(), name.size(), nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        size_t length = strnlen(name.data(), info.size_filename);
        if (!hasXmlExtension(name.data(), length))
            continue;  // a folder ("name/") or another file
        if (++xmlFiles > 1 || unzGetFilePos64(archive, &found) != UNZ_OK)
            return false;
    }
    return xmlFiles == 1 && unzGoToFilePos64(archive, &found) == UNZ_OK;
}

// Checks the current file's directory entry: unencrypted, a method this
// reader unpacks, at most maxUnpacked bytes claimed.
bool checkCurrent(unzFile archive, size_t maxUnpacked, unz_file_info64 *info, std::string *reason)
{
    if (unzGetCurrentFileInfo64(archive, info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        (info->flag & kEncryptedFlag) != 0) {
        *reason = kNotZipWithOneXml;
        return false;
    }
    if (info->compression_method != kStored && info->compression_method != Z_DEFLATED) {
        *reason = unsupportedZipMethod(info->compression_method);
        return false;
    }
    if (info->uncompressed_size > maxUnpacked) {
        *reason = kTooLarge;
        return false;
    }
    return true;
}

// Unpacks the current file, stopping as soon as it would pass maxUnpacked,
// and checks its CRC-32 here, whatever its method: minizip checks none for
// a file it reads raw.
bool unpackCurrent(unzFile archive, size_t maxUnpacked, std::string *xml, std::string *reason)
{
    unz_file_info64 info;
    if (!checkCurrent(archive, maxUnpacked, &info, reason))
        return false;
    if (unzOpenCurrentFile(archive) != UNZ_OK) {
        *reason = kNotZipWithOneXml;
        return false;
    }
    std::vector<char> chunk(kChunkSize);
    xml->clear();
    uLong crc = crc32(0, Z_NULL, 0);
    int count;
    while ((count = unzReadCurrentFile(archive, chunk.data(), (unsigned)chunk.size())) > 0) {
        if ((size_t)count > maxUnpacked - xml->size()) {
            unzCloseCurrentFile(archive);
            xml->clear();
            *reason = kTooLarge;
            return false;
        }
        crc = crc32(crc, reinterpret_cast<const Bytef *>(chunk.data()), (uInt)count);
        xml->append(chunk.data(), (size_t)count);
    }
    bool damaged = unzCloseCurrentFile(archive) != UNZ_OK || count < 0;
    if (damaged || xml->size() != info.uncompressed_size || crc != info.crc) {
        xml->clear();
        *reason = kNotZipWithOneXml;
        return false;
    }
    return true;
}

// Opens the archive that file reads, which must outlive it; null when it
// is none.
unzFile openArchiveOf(ArchiveFile *file)
{
    zlib_filefunc64_def functions = {openArchive, readArchive, writeArchive, tellArchive,
                                     seekArchive, closeArchive, archiveError, file};
    return unzOpen2_64("description.zip", &functions);
}

} // namespace

bool checkZipDirectory(uint64_t size, const ArchiveRead &read, size_t maxUnpacked, std::string *reason)
{
    ArchiveFile file = {&read, size, 0};
    unzFile archive = openArchiveOf(&file);
    if (archive == nullptr) {
        *reason = kNotZipWithOneXml;
        return false;
    }
    unz_file_info64 info;
    bool usable = false;
    if (!findOneXml(archive))
        *reason = kNotZipWithOneXml;
    else
        usable = checkCurrent(archive, maxUnpacked, &info, reason);
    unzClose(archive);
    return usable;
}

bool unzipOneXml(const uint8_t *zip, size_t size, size_t maxUnpacked, std::string *xml, std::string *reason)
{
    ArchiveRead read = [zip](uint64_t offset, uint8_t *bytes, size_t count) {
        memcpy(bytes, zip + offset, count);
        return true;
    };
    ArchiveFile file = {&read, size, 0};
    unzFile archive = openArchiveOf(&file);
    if (archive == nullptr) {
        *reason = kNotZipWithOneXml;
        return false;
    }
    bool unpacked = false;
    if (!findOneXml(archive))
        *reason = kNotZipWithOneXml;
    else
        unpacked = unpackCurrent(archive, maxUnpacked, xml, reason);
    unzClose(archive);
    return unpacked;
}

} // namespace genicam

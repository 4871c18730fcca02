#include "Unzip.h"

#include "Reasons.h"

#include <minizip/unzip.h>
#include <string.h>
#include <strings.h>

#include <vector>

namespace genicam {

namespace {

const size_t kChunkSize = 64 * 1024;
const size_t kMaxNameLength = 0xFFFF;  // a ZIP name's length is a 16-bit field
const unsigned long kEncryptedFlag = 0x1;

// The archive's bytes, read by minizip through the callbacks below.
struct MemoryFile {
    const uint8_t *bytes;
    size_t size;
    size_t position;
};

voidpf ZCALLBACK openMemory(voidpf opaque, const void *, int mode)
{
    auto *file = static_cast<MemoryFile *>(opaque);
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    file->position = 0;
    return file;
}

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void *buffer, uLong size)
{
    auto *file = static_cast<MemoryFile *>(stream);
    size_t left = file->size - file->position;
    size_t count = size < left ? (size_t)size : left;
    if (count == 0)
        return 0;  // bytes may be null for an empty archive
    memcpy(buffer, file->bytes + file->position, count);
    file->position += count;
    return (uLong)count;
}

uLong ZCALLBACK writeMemory(voidpf, voidpf, const void *, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream)
{
    return static_cast<MemoryFile *>(stream)->position;
}

long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *file = static_cast<MemoryFile *>(stream);
    ZPOS64_T base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = file->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = file->size;
    else if (origin != ZLIB_FILEFUNC_SEEK_SET)
        return -1;
    if (offset > file->size - base)
        return -1;
    file->position = (size_t)(base + offset);
    return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK memoryError(voidpf, voidpf)
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

// Unpacks the current file, stopping as soon as it would pass maxUnpacked.
bool unpackCurrent(unzFile archive, size_t maxUnpacked, std::string *xml, std::string *reason)
{
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        (info.flag & kEncryptedFlag) != 0 || unzOpenCurrentFile(archive) != UNZ_OK) {
        *reason = kNotZipWithOneXml;
        return false;
    }
    if (info.uncompressed_size > maxUnpacked) {
        unzCloseCurrentFile(archive);
        *reason = kTooLarge;
        return false;
    }
    std::vector<char> chunk(kChunkSize);
    xml->clear();
    int count;
    while ((count = unzReadCurrentFile(archive, chunk.data(), (unsigned)chunk.size())) > 0) {
        if ((size_t)count > maxUnpacked - xml->size()) {
            unzCloseCurrentFile(archive);
            xml->clear();
            *reason = kTooLarge;
            return false;
        }
        xml->append(chunk.data(), (size_t)count);
    }
    // Closing checks the CRC, but only once the size the archive claims has
    // been unpacked: a stream that ends sooner is caught by its size.
    bool damaged = unzCloseCurrentFile(archive) != UNZ_OK || count < 0;
    if (damaged || xml->size() != info.uncompressed_size) {
        xml->clear();
        *reason = kNotZipWithOneXml;
        return false;
    }
    return true;
}

} // namespace

bool unzipOneXml(const uint8_t *zip, size_t size, size_t maxUnpacked, std::string *xml, std::string *reason)
{
    MemoryFile file = {zip, size, 0};
    zlib_filefunc64_def functions = {openMemory, readMemory, writeMemory, tellMemory,
                                     seekMemory, closeMemory, memoryError, &file};
    unzFile archive = unzOpen2_64("description.zip", &functions);
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

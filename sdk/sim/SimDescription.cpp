// The GenICam description files the simulated cameras serve: the default
// one built into the library, and files a configuration names.
#include "Sim.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>
#if QRV_SIM_SHA1
#include <sha1.h>
#endif

namespace qrvsim {

// SimulatedCamera.xml, embedded at build time (EmbedFile.cmake).
extern const uint8_t kDefaultDescriptionBytes[];
extern const size_t kDefaultDescriptionSize;
extern const uint8_t kDefaultDescriptionSha1[20];

namespace {

// How a ZIP archive starts: a local file header, or the end record of an
// empty archive.
const uint8_t kZipFileHeader[] = {'P', 'K', 3, 4};
const uint8_t kZipEmptyArchive[] = {'P', 'K', 5, 6};

bool startsWith(const std::vector<uint8_t> &bytes, const uint8_t (&magic)[4])
{
    return bytes.size() >= sizeof magic && memcmp(bytes.data(), magic, sizeof magic) == 0;
}

} // namespace

std::shared_ptr<const Description> defaultDescription()
{
    static const std::shared_ptr<const Description> description = [] {
        auto built = std::make_shared<Description>();
        built->bytes = kDefaultDescriptionBytes;
        built->size = kDefaultDescriptionSize;
        memcpy(built->sha1, kDefaultDescriptionSha1, sizeof built->sha1);
        return built;
    }();
    return description;
}

bool loadDescription(const std::string &path, std::shared_ptr<const Description> *description, std::string *error)
{
    // Non-blocking, so that a FIFO named here cannot hold the open; it is
    // then refused as not a regular file.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        *error = path + ": " + strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    // The size is checked before anything is read, and the read stops at
    // the cap whatever the file grew to since.
    if (!S_ISREG(info.st_mode) || (uint64_t)info.st_size > kDescriptionMax) {
        *error = path + (S_ISREG(info.st_mode) ? ": larger than 64 MiB" : ": not a regular file");
        close(fd);
        return false;
    }
    auto loaded = std::make_shared<Description>();
    loaded->storage.resize((size_t)info.st_size);
    size_t done = 0;
    while (done < loaded->storage.size()) {
        ssize_t got = read(fd, loaded->storage.data() + done, loaded->storage.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            *error = path + ": " + (got < 0 ? strerror(errno) : "shorter than its size");
            close(fd);
            return false;
        }
        done += (size_t)got;
    }
    close(fd);
    loaded->bytes = loaded->storage.data();
    loaded->size = loaded->storage.size();
    loaded->zip = startsWith(loaded->storage, kZipFileHeader) || startsWith(loaded->storage, kZipEmptyArchive);
#if QRV_SIM_SHA1
    SHA1_CTX context;
    SHA1Init(&context);
    SHA1Update(&context, loaded->bytes, loaded->size);
    SHA1Final(loaded->sha1, &context);
#endif  // else all zeros: no SHA-1 given, which a host does not check
    *description = loaded;
    return true;
}

} // namespace qrvsim

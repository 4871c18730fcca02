// Register reads kept for the length of one configuration call (a save, an
// apply, a comparison), between two writes: a selector's register that every
// selected value's pIndex reads, a lock or an availability that every write
// checks, is read once until the next write.  Any write forgets everything,
// since a camera may change other registers when one is written; so the
// first read of a value after the writes of an apply still goes to the
// camera, and verifies what the camera holds.
#ifndef VISIONACCESS_READCACHE_H
#define VISIONACCESS_READCACHE_H

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <utility>
#include <vector>

class ReadCache {
public:
    // The bytes kept at most; reads beyond go to the camera.
    static const size_t kMaxBytes = 1 << 20;

    // Copies the bytes of a read of exactly this address and size, kept since
    // the last write; false when there are none (or the cache is off).
    bool serve(uint64_t address, uint8_t *bytes, size_t size) const;
    // Keeps what a read gave, while the cache is on.
    void keep(uint64_t address, const uint8_t *bytes, size_t size);
    // A write: everything kept is forgotten.
    void forget();

    // On for one configuration call: off and empty again when it ends.
    class On {
    public:
        explicit On(ReadCache &cache) : cache_(cache) { cache_.on_ = true; }
        ~On()
        {
            cache_.on_ = false;
            cache_.forget();
        }
        On(const On &) = delete;
        On &operator=(const On &) = delete;

    private:
        ReadCache &cache_;
    };

private:
    bool on_ = false;
    size_t bytes_ = 0;
    std::map<std::pair<uint64_t, size_t>, std::vector<uint8_t>> reads_;
};

#endif

#include "ReadCache.h"

#include <string.h>

bool ReadCache::serve(uint64_t address, uint8_t *bytes, size_t size) const
{
    if (!on_)
        return false;
    auto kept = reads_.find(std::make_pair(address, size));
    if (kept == reads_.end())
        return false;
    if (size > 0)
        memcpy(bytes, kept->second.data(), size);
    return true;
}

void ReadCache::keep(uint64_t address, const uint8_t *bytes, size_t size)
{
    if (!on_ || size > kMaxBytes - bytes_)
        return;
    auto inserted = reads_.emplace(std::make_pair(address, size), std::vector<uint8_t>(bytes, bytes + size));
    if (inserted.second)
        bytes_ += size;
}

void ReadCache::forget()
{
    reads_.clear();
    bytes_ = 0;
}

// Reads a fuzz input as a stream of small numbers; past its end every read
// gives 0, so any input is a complete plan.
#ifndef FUZZBYTES_H
#define FUZZBYTES_H

#include <stddef.h>
#include <stdint.h>

class FuzzBytes {
public:
    FuzzBytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t u16() { return (uint16_t)(byte() | byte() << 8); }
    uint32_t u32() { return (uint32_t)u16() | (uint32_t)u16() << 16; }

private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

#endif

#include "DeviceReader.h"

#include "Reasons.h"

namespace genicam {

namespace {

const uint64_t kLast32BitAddress = 0xFFFFFFFF;
const size_t kStringFieldSize = 64;

} // namespace

DeviceReader::DeviceReader(Port &port, size_t pieceSize)
    : port_(port), pieceSize_(pieceSize == 0 || pieceSize > kMaxPieceSize ? kMaxPieceSize : pieceSize)
{
}

bool DeviceReader::reaches(uint64_t address, uint64_t size)
{
    reason_.clear();
    detail_.clear();
    if (size == 0)
        return true;
    uint64_t last = address + (size - 1);
    bool wraps = last < address;
    if (!port_.reachesAbove32Bits() && (wraps || last > kLast32BitAddress)) {
        reason_ = kBeyond32Bits;
        return false;
    }
    if (wraps) {
        reason_ = unreadableRegister(address);
        return false;
    }
    return true;
}

bool DeviceReader::read(uint64_t address, uint64_t size, std::vector<uint8_t> *bytes, const Progress &progress)
{
    if (!reaches(address, size))
        return false;
    // The buffer grows as pieces arrive, so a size the camera merely
    // claims costs nothing until it sends the bytes.
    uint64_t done = 0;
    while (done < size) {
        size_t piece = size - done < pieceSize_ ? (size_t)(size - done) : pieceSize_;
        size_t at = bytes->size();
        bytes->resize(at + piece);
        if (!port_.read(address + done, bytes->data() + at, piece, &detail_)) {
            bytes->resize(at);
            reason_ = unreadableRegister(address + done);
            return false;
        }
        done += piece;
        if (progress)
            progress(done, size);
    }
    return true;
}

bool DeviceReader::readU64(uint64_t address, uint64_t *value)
{
    std::vector<uint8_t> bytes;
    if (!read(address, sizeof *value, &bytes))
        return false;
    *value = 0;
    for (size_t k = bytes.size(); k > 0; k--)
        *value = *value << 8 | bytes[k - 1];
    return true;
}

bool DeviceReader::readString(uint64_t address, std::string *text)
{
    std::vector<uint8_t> bytes;
    if (!read(address, kStringFieldSize, &bytes))
        return false;
    size_t end = 0;
    while (end < bytes.size() && bytes[end] != 0)
        end++;
    text->assign(bytes.begin(), bytes.begin() + (ptrdiff_t)end);
    return true;
}

} // namespace genicam

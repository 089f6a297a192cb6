// Where the data a DAT describes lies in a file, as the file's reader found it: DATs hash a
// cartridge's contents without copier or emulator headers, in the cartridge's own byte order.
#pragma once

#include <cstdint>

namespace vorne {

// How the data's bytes are stored in the file.
enum class StoredOrder {
    AsIs,               // in order
    SwappedPairs,       // each pair of bytes exchanged (an N64 .v64 image)
    LittleEndianWords,  // each four-byte word reversed (an N64 .n64 image)
    Interleaved,        // blocks of 2 * halfBlock bytes, a block's odd bytes first, then its even ones
};

struct HashedData {
    std::int64_t from = 0;  // the file offset of the data's first byte
    std::int64_t to = 0;    // one past its last
    StoredOrder order = StoredOrder::AsIs;
    std::int64_t halfBlock = 0;  // for Interleaved

    std::int64_t Size() const { return to - from; }
    // The data is the whole file of `length` bytes, as stored.
    bool IsWholeFile(std::int64_t length) const { return from == 0 && to == length && order == StoredOrder::AsIs; }
};

}  // namespace vorne

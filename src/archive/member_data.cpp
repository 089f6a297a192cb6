#include "archive/member_data.h"

#include <new>

namespace vorne {

void MemberData::Allocate(std::size_t size) {
    bytes.reset();
    length = 0;
    Resize(size);
}

void MemberData::Resize(std::size_t size) {
    if (size == length) return;
    // realloc of 0 bytes may free the block and return null; one byte is kept instead.
    void* grown = std::realloc(bytes.get(), size == 0 ? 1 : size);
    if (grown == nullptr) throw std::bad_alloc();
    (void)bytes.release();
    bytes.reset(static_cast<std::uint8_t*>(grown));
    length = size;
}

}  // namespace vorne

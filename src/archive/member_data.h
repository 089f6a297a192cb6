// The bytes of one archive member, read whole into memory. The buffer grows as the bytes arrive
// rather than trusting the size an archive claims: it is taken with malloc and grown with
// realloc, which moves a large block by remapping its pages instead of copying them, so a member
// of N bytes never needs much more than N bytes at once. It is never cleared: every byte it
// shows was written.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "archive/memory_budget.h"

namespace vorne {

class MemberData {
public:
    MemberData() = default;
    MemberData(MemberData&&) noexcept = default;
    MemberData& operator=(MemberData&&) noexcept = default;

    const std::uint8_t* data() const { return bytes.get(); }
    std::size_t size() const { return length; }
    bool empty() const { return length == 0; }
    const std::uint8_t* begin() const { return bytes.get(); }
    const std::uint8_t* end() const { return bytes.get() + length; }
    std::span<const std::uint8_t> Bytes() const { return {bytes.get(), length}; }
    std::vector<std::uint8_t> ToVector() const { return {begin(), end()}; }

    // For the reader, while the member is read.
    // Room for `size` bytes, the old ones dropped. Throws std::bad_alloc.
    void Allocate(std::size_t size);
    // Exactly `size` bytes of room, the bytes already there kept up to that size. Throws
    // std::bad_alloc.
    void Resize(std::size_t size);
    std::span<std::uint8_t> Room() { return {bytes.get(), length}; }
    // The bytes held stay reserved from `lease`'s budget for as long as the data lives.
    void Hold(MemoryBudget::Lease lease) { this->lease = std::move(lease); }

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t, Free> bytes;
    std::size_t length = 0;
    MemoryBudget::Lease lease;
};

}  // namespace vorne

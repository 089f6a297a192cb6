#include "archive/memory_budget.h"

#include <algorithm>
#include <utility>

namespace vorne {

MemoryBudget::MemoryBudget(std::uint64_t limit) : limit(std::max<std::uint64_t>(limit, 1)) {}

MemoryBudget::Lease::Lease(Lease&& other) noexcept
    : budget(std::exchange(other.budget, nullptr)), held(std::exchange(other.held, 0)) {}

MemoryBudget::Lease& MemoryBudget::Lease::operator=(Lease&& other) noexcept {
    if (this != &other) {
        Release();
        budget = std::exchange(other.budget, nullptr);
        held = std::exchange(other.held, 0);
    }
    return *this;
}

void MemoryBudget::Lease::ShrinkTo(std::uint64_t bytes) {
    if (budget == nullptr || bytes >= held) return;
    budget->Give(held - bytes);
    held = bytes;
}

MemoryBudget::Lease MemoryBudget::Reserve(std::uint64_t bytes) {
    bytes = std::min(bytes, limit);
    std::unique_lock lock(mutex);
    freed.wait(lock, [&] { return limit - used >= bytes; });
    used += bytes;
    return Lease(this, bytes);
}

std::uint64_t MemoryBudget::InUse() const {
    std::lock_guard lock(mutex);
    return used;
}

void MemoryBudget::Give(std::uint64_t bytes) {
    {
        std::lock_guard lock(mutex);
        used -= bytes;
    }
    freed.notify_all();
}

}  // namespace vorne

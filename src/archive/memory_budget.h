// A budget of bytes shared by threads that read archive members at once: each reserves what its
// member may take before taking it, and waits while the others hold too much. A reservation larger
// than the whole budget waits until nothing else is held, and then runs alone.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vorne {

class MemoryBudget {
public:
    explicit MemoryBudget(std::uint64_t limit);
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // Bytes held until the lease goes (or shrinks).
    class Lease {
    public:
        Lease() = default;
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&& other) noexcept;
        ~Lease() { Release(); }

        // Gives back all but `bytes` of what is held.
        void ShrinkTo(std::uint64_t bytes);
        void Release() { ShrinkTo(0); }
        std::uint64_t Held() const { return held; }

    private:
        friend class MemoryBudget;
        Lease(MemoryBudget* budget, std::uint64_t held) : budget(budget), held(held) {}
        MemoryBudget* budget = nullptr;
        std::uint64_t held = 0;
    };

    // Waits until `bytes` (at most the whole budget) are free and holds them. A thread must not
    // ask for more while it holds a lease of the same budget: it could wait for itself.
    Lease Reserve(std::uint64_t bytes);

    std::uint64_t InUse() const;

private:
    void Give(std::uint64_t bytes);

    const std::uint64_t limit;
    mutable std::mutex mutex;
    std::condition_variable freed;
    std::uint64_t used = 0;
};

}  // namespace vorne

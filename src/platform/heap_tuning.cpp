#include "platform/heap_tuning.h"

#include <malloc.h>

namespace vorne {

void KeepFreedMemoryForReuse() {
    constexpr int kHeapBlocksUpTo = 32 << 20;
    constexpr int kFreedKept = 64 << 20;
    ::mallopt(M_MMAP_THRESHOLD, kHeapBlocksUpTo);
    ::mallopt(M_TRIM_THRESHOLD, kFreedKept);
}

}  // namespace vorne

// How the C library's allocator keeps memory, set once at a program's start.
#pragma once

namespace vorne {

// A rewrite of one file takes a few hundred KiB of buffers (a tag with its picture, as read,
// parsed and rendered) and gives them back at its end. The allocator's own rule hands such memory
// back to the system at once, so each of thousands of files pays to fault it in again; keeping up
// to 64 MiB freed for reuse (and serving blocks under 32 MiB from the heap) makes a batch of them
// cost the copying alone.
void KeepFreedMemoryForReuse();

}  // namespace vorne

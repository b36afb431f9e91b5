#pragma once
// How the program's heap gives memory back to the system.

namespace kav {

// Keeps large blocks (a big listing's entry arrays and sort runs) out of the
// heap, each mapped on its own and handed back to the system when freed.
// By default the C library raises that size limit every time such a block is
// freed, after which blocks of a directory refreshed again come from the heap,
// where small ones (the new names) pin the freed space: the program grew with
// each refresh of the same directory. Call once, at start.
void keepLargeBlocksOutOfTheHeap();

} // namespace kav

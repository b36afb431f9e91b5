#pragma once
// How the process takes memory from the system.

namespace kav {

// Large blocks (a listing's arrays, its merge buffers) are mapped for
// themselves and given back whole when freed. The C library would otherwise
// raise its threshold for mapping after the first such block is freed and
// serve the next refresh's arrays from the heap, where they leave holes that
// the small strings of the entries fill: a directory refreshed again and again
// then holds twice the memory its entries need. Called once, at the start.
void keepLargeBlocksApart();

} // namespace kav

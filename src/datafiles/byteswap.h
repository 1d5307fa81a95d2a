// The low-level work of loading files: the byte-order kernels of the native
// file (every sample of a load or a save passes through them, so they are
// vectorised and chosen at run time), and reading into fresh memory.
#pragma once
#include <cstddef>
#include <cstdint>

// Reverses the bytes of each 32-bit word in place.
void SwapWords32(void* words, size_t count);
// The same, returning how many of the swapped words are NaN or infinite as
// floats (all exponent bits set).
int64_t SwapWords32CountNonFinite(void* words, size_t count);

// Asks the system to back the whole 2 MB pages inside [p, p + bytes) with
// large pages, before they are first touched: a 28 MB channel then costs 14
// page faults instead of 7,000. Only advice; harmless where unsupported.
void PreferLargePages(void* p, size_t bytes);

// pread until n bytes are in or the file has no more: a file that shrank
// since its size was taken (another program truncating it) gives a short
// count, never a fault.
size_t ReadFully(int fd, void* dst, size_t n, uint64_t at);

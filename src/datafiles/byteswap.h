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

// Readies fresh memory about to be filled, [p, p + bytes), part of a load of
// loadBytes in all: up to kLargePagesUpTo it asks for 2 MB pages (a 28 MB
// channel then costs 14 page faults instead of 7,000); above, where finding
// that many large pages can stall the system, it maps the small pages in
// one call instead of one fault each. Only advice; harmless where unsupported.
inline constexpr uint64_t kLargePagesUpTo = uint64_t{256} << 20;
void PrepareFreshPages(void* p, size_t bytes, uint64_t loadBytes);

// pread until n bytes are in or the file has no more: a file that shrank
// since its size was taken (another program truncating it) gives a short
// count, never a fault.
size_t ReadFully(int fd, void* dst, size_t n, uint64_t at);

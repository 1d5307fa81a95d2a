// The vector instructions the processor offers beyond the x86-64 baseline the
// program is built for, asked once. A hot kernel keeps its baseline version
// and adds one compiled for a wider instruction set
// ([[gnu::target("avx2")]]), chosen by these at run time; both versions do
// the same operations in the same order, so their results are identical.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#define CORVIMET_X86_DISPATCH 1
#endif

inline bool CpuHasAvx2() {
#if CORVIMET_X86_DISPATCH
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
#else
  return false;
#endif
}

// AVX-512 F, DQ and VL: the 256-bit forms with 32 registers and masks too.
inline bool CpuHasAvx512() {
#if CORVIMET_X86_DISPATCH
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512dq") != 0 &&
           __builtin_cpu_supports("avx512vl") != 0;
  }();
  return has;
#else
  return false;
#endif
}

// AVX-512 with its byte and word instructions (BW) as well.
inline bool CpuHasAvx512Bw() {
#if CORVIMET_X86_DISPATCH
  static const bool has = CpuHasAvx512() && __builtin_cpu_supports("avx512bw") != 0;
  return has;
#else
  return false;
#endif
}

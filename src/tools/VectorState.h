#pragma once
// Code of other libraries that runs on the same thread (the drawing of a picture, for one) can
// leave the upper halves of the wide vector registers in use. Until they are cleared, every
// narrow vector instruction waits for them, and arithmetic-heavy loops run up to twice as long.
// The hot paths that run right after a drawing clear them on entry; elsewhere this costs nothing.

namespace kova {

inline void ClearUpperVectorState() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (__builtin_cpu_supports("avx")) __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

}  // namespace kova

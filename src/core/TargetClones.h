#pragma once
// SV_CLONES before a function with plain loops builds it twice, for AVX2 and for the baseline,
// and lets the loader pick the build for the machine. Each element sees the same operations in
// either build, so the results do not depend on the choice. Not under ThreadSanitizer: its
// runtime is not up yet when the loader runs the clones' resolvers.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_THREAD__)
#define SV_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define SV_CLONES
#endif

#include "effects/CpuFeatures.h"

#include <atomic>

namespace sv {

namespace {
std::atomic<bool> avx2Allowed{true};
std::atomic<bool> avx512Allowed{true};
}  // namespace

bool Avx2Usable() {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool has = __builtin_cpu_supports("avx2");
    return has && avx2Allowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

bool Avx512Usable() {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                            __builtin_cpu_supports("avx512vl");
    return has && Avx2Usable() && avx512Allowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void AllowAvx2(bool allowed) { avx2Allowed.store(allowed, std::memory_order_relaxed); }
void AllowAvx512(bool allowed) { avx512Allowed.store(allowed, std::memory_order_relaxed); }

}  // namespace sv

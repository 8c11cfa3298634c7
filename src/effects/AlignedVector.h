#pragma once
// AlignedVector<T>: a std::vector whose storage starts on a 64-byte boundary, so that the
// widest vector loads of the spectral transform and the stretch never straddle two cache lines
// (on arrays of 16-byte alignment the transform takes a third longer).
#include <cstddef>
#include <new>
#include <vector>

namespace sv {

template <class T>
struct CacheLineAllocator {
    using value_type = T;
    static constexpr std::align_val_t kAlignment{64};

    CacheLineAllocator() = default;
    template <class U>
    CacheLineAllocator(const CacheLineAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlignment)); }
    void deallocate(T* p, std::size_t) noexcept { ::operator delete(p, kAlignment); }

    template <class U>
    bool operator==(const CacheLineAllocator<U>&) const noexcept { return true; }
    template <class U>
    bool operator!=(const CacheLineAllocator<U>&) const noexcept { return false; }
};

template <class T>
using AlignedVector = std::vector<T, CacheLineAllocator<T>>;

}  // namespace sv

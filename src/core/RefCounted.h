#pragma once
// Shared objects (readers, writers, documents) count their holders; the last release destroys
// them. Ref<T> is the holder: it adds one reference when it stores an object and releases one
// when it drops it, taking the new reference before releasing the old one on replacement.
#include <atomic>
#include <cstdint>
#include <utility>

namespace sv {

class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    void AddRef() const { count_.fetch_add(1, std::memory_order_relaxed); }
    void Release() const {
        if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
    std::int32_t RefCount() const { return count_.load(std::memory_order_relaxed); }

protected:
    virtual ~RefCounted() = default;

private:
    mutable std::atomic<std::int32_t> count_{0};
};

template <class T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    // Adopts nothing: storing a pointer always adds a reference.
    explicit Ref(T* p) : p_(p) { if (p_) p_->AddRef(); }
    Ref(const Ref& o) : p_(o.p_) { if (p_) p_->AddRef(); }
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
    Ref(const Ref<U>& o) : p_(o.get()) { if (p_) p_->AddRef(); }
    ~Ref() { if (p_) p_->Release(); }

    Ref& operator=(const Ref& o) { Reset(o.p_); return *this; }
    Ref& operator=(Ref&& o) noexcept {
        if (this != &o) {
            T* old = std::exchange(p_, std::exchange(o.p_, nullptr));
            if (old) old->Release();
        }
        return *this;
    }
    void Reset(T* p = nullptr) {
        if (p) p->AddRef();
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    bool operator==(const Ref& o) const { return p_ == o.p_; }
    bool operator!=(const Ref& o) const { return p_ != o.p_; }

private:
    T* p_ = nullptr;
};

// Creates a counted object and hands back its first holder.
template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
}

}  // namespace sv

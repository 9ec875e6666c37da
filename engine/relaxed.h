#pragma once
#include <atomic>

namespace ombrel {

// A value shared between the worker and the GUI thread where no ordering is
// needed: each access is whole, nothing more.
template <typename T>
class TRelaxed {
public:
    TRelaxed(T v = T{}) noexcept : Value(v) {}
    TRelaxed(const TRelaxed& other) noexcept : Value(other.load()) {}
    TRelaxed& operator=(const TRelaxed& other) noexcept { store(other.load()); return *this; }
    TRelaxed& operator=(T v) noexcept { store(v); return *this; }
    operator T() const noexcept { return load(); }
    T load() const noexcept { return Value.load(std::memory_order_relaxed); }
    void store(T v) noexcept { Value.store(v, std::memory_order_relaxed); }

private:
    std::atomic<T> Value;
};

}  // namespace ombrel

// Heap arrays of reals that start at zero. Their memory comes zeroed from the system
// (calloc), so the pages of a large array that a run never writes are never touched.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "runtime/types.h"

namespace zt {

// An element made without a value is left as calloc gave it, all bytes zero (+0 for
// the real type). That holds for arrays sized by their constructor or assign, which is
// how the heap arrays are sized; growing one again after shrinking it would not zero.
template <typename T>
struct zeroedallocator {
    static_assert(std::is_trivially_destructible_v<T>, "plain numbers only");
    using value_type = T;

    zeroedallocator() = default;
    template <typename U>
    zeroedallocator(const zeroedallocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (void* p = std::calloc(n, sizeof(T))) return static_cast<T*>(p);
        throw std::bad_alloc();
    }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }

    template <typename U>
    void construct(U*) noexcept {}
    template <typename U, typename A, typename... Rest>
    void construct(U* p, A&& a, Rest&&... rest) {
        ::new (static_cast<void*>(p)) U(std::forward<A>(a), std::forward<Rest>(rest)...);
    }
};

template <typename T, typename U>
bool operator==(const zeroedallocator<T>&, const zeroedallocator<U>&) noexcept { return true; }
template <typename T, typename U>
bool operator!=(const zeroedallocator<T>&, const zeroedallocator<U>&) noexcept { return false; }

using zeroedreals = std::vector<real, zeroedallocator<real>>;

}  // namespace zt

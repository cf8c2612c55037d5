// A table of records by number whose slots are made when first written. The script's
// block tables hold room for hundreds of large records that most runs never use; made
// all at start-up they would cost megabytes of memory touched before any work.
#pragma once

#include <cstddef>
#include <deque>

namespace zt {

template <typename T>
class ondemandtable {
public:
    // Growing a deque at its end keeps references to the slots made before valid, so a
    // caller may hold one slot while writing another.
    T& operator[](std::size_t i) {
        if (i >= slots_.size()) slots_.resize(i + 1);
        return slots_[i];
    }
    // A slot never written reads as a new record.
    const T& operator[](std::size_t i) const { return i < slots_.size() ? slots_[i] : blank(); }

private:
    static const T& blank() {
        static const T b{};
        return b;
    }
    std::deque<T> slots_;
};

}  // namespace zt

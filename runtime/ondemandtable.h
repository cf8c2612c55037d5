// A table of records numbered 0..last whose slots are made when first written. The
// script's block tables hold room for hundreds of large records that most runs never
// use; made all at start-up they would cost megabytes of memory touched before any work.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace zt {

// Ends the run for a table with no room left: "<keyword>: more than <limit> <what>", the
// words of the script's count checks.
[[noreturn]] void tablefull(const std::string& keyword, int limit, const std::string& what);
// The same for a table whose reader has words of its own.
[[noreturn]] void tablefull(const std::string& report);

template <typename T, int last>
class ondemandtable {
public:
    // The report of a write past slot last, as its reader words it.
    ondemandtable(const char* keyword, const char* what) : keyword_(keyword), what_(what) {}
    explicit ondemandtable(const char* report) : keyword_(report) {}

    // Each reader checks its count first; this stops one that did not before a number
    // from the input sets the size of the table. Growing a deque at its end keeps
    // references to the slots made before valid, so a caller may hold one slot while
    // writing another.
    T& operator[](std::size_t i) {
        if (i > static_cast<std::size_t>(last)) refuse();
        if (i >= slots_.size()) slots_.resize(i + 1);
        return slots_[i];
    }
    // A slot never written reads as a new record, at any index.
    const T& operator[](std::size_t i) const { return i < slots_.size() ? slots_[i] : blank(); }

    std::size_t slotsmade() const { return slots_.size(); }

private:
    [[noreturn]] void refuse() const {
        if (what_) tablefull(keyword_, last, what_);
        tablefull(keyword_);
    }
    static const T& blank() {
        static const T b{};
        return b;
    }
    const char* keyword_;
    const char* what_ = nullptr;
    std::deque<T> slots_;
};

}  // namespace zt

#include "runtime/words.h"

#include <algorithm>

#include "runtime/bytes.h"
#include "runtime/capacities.h"
#include "runtime/reporter.h"

namespace zt {

bool isblankbyte(char c) { return c == '\t' || c == ' ' || c == nbspbyte; }

void findnonblank(const std::string& text, int16_t& first, int16_t& last) {
    const int n = std::min<int>(static_cast<int>(text.size()), maxtextlen);
    first = 0;
    last = 0;
    for (int i = 0; i < n; ++i) {
        if (!isblankbyte(text[static_cast<size_t>(i)])) {
            first = static_cast<int16_t>(i + 1);
            break;
        }
    }
    if (first == 0) return;
    for (int i = n - 1; i >= 0; --i) {
        if (!isblankbyte(text[static_cast<size_t>(i)])) {
            last = static_cast<int16_t>(i + 1);
            break;
        }
    }
}

std::string trimblanks(const std::string& text) {
    int16_t first = 0, last = 0;
    findnonblank(text, first, last);
    if (first == 0) return std::string();
    return text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1));
}

str22 trunc22(const std::string& text) {
    return text.size() <= static_cast<size_t>(maxwordlen) ? text : text.substr(0, maxwordlen);
}

str22 numtrunc22(const std::string& text) { return trunc22(text); }

std::string spaces(int16_t n) {
    if (n < 1 || n > 249) return std::string();
    return std::string(static_cast<size_t>(n), ' ');
}

bool sametrimmed(const std::string& a, const std::string& b) {
    int16_t fa = 0, la = 0, fb = 0, lb = 0;
    findnonblank(a, fa, la);
    findnonblank(b, fb, lb);
    const int lena = fa == 0 ? 0 : la - fa + 1;
    const int lenb = fb == 0 ? 0 : lb - fb + 1;
    if (lena != lenb) return false;
    if (lena == 0) return true;
    return a.compare(static_cast<size_t>(fa - 1), static_cast<size_t>(lena), b, static_cast<size_t>(fb - 1),
                     static_cast<size_t>(lenb)) == 0;
}

bool findword(const std::string& word, const stringlist& list, int16_t count, int16_t& index) {
    index = 0;
    if (count <= 0) return false;
    const int n = std::min<int>(count, maxwords);
    const size_t len = std::min(word.size(), static_cast<size_t>(maxwordlen));
    for (int i = 1; i <= n; ++i) {
        const str22& w = list[i];
        if (w.size() == len && w.compare(0, len, word, 0, len) == 0) {
            index = static_cast<int16_t>(i);
            return true;
        }
    }
    return false;
}

void string2strings(const std::string& line, int16_t n, stringlist& words, int16_t& count) {
    count = 0;
    const int limit = std::max(0, std::min<int>(n, static_cast<int>(line.size())));
    std::string word;
    bool inword = false;
    auto endword = [&]() {
        ++count;
        if (count > maxwords) bombout("string2strings", "too many \"" + word + "\"", 0);
        words[count] = word;
        word.clear();
        inword = false;
    };
    for (int i = 0; i < limit; ++i) {
        const char c = line[static_cast<size_t>(i)];
        if (isblankbyte(c)) {
            if (inword) endword();
        } else {
            inword = true;
            if (word.size() < static_cast<size_t>(maxwordlen)) word.push_back(c);
        }
    }
    if (inword) endword();
    for (int i = count + 1; i <= maxwords; ++i) {
        if (!words[i].empty()) words[i].clear();
    }
}

void BSet(wordset& s, int16_t i) {
    if (i < 0 || i > 30) bombout("BSet", "out of range", 0);
    s = static_cast<wordset>(static_cast<uint32_t>(s) | (1u << i));
}

bool BTst(wordset s, int16_t i) {
    if (i < 0 || i > 30) return false;
    return (static_cast<uint32_t>(s) & (1u << i)) != 0;
}

wordset BAnd(wordset a, wordset b) { return a & b; }

wordset BOr(wordset a, wordset b) { return a | b; }

namespace {

// Word and bit of a set90 element; elements below 1 hold no place in the set.
bool set90place(int16_t e, size_t& word, uint32_t& bit) {
    if (e < 1 || e > 90) return false;
    word = static_cast<size_t>((e - 1) / 30 + 1);
    bit = 1u << (e - static_cast<int>(word - 1) * 30);
    return true;
}

}  // namespace

void BSet2(set90& s, int16_t e) {
    size_t word = 0;
    uint32_t bit = 0;
    if (!set90place(e, word, bit)) bombout("BSet2", "out of range", 0);
    s.w[word] |= bit;
}

bool BTst2(const set90& s, int16_t e) {
    size_t word = 0;
    uint32_t bit = 0;
    if (!set90place(e, word, bit)) bombout("BTst2", "out of range", 0);
    return (s.w[word] & bit) != 0;
}

void BClear2(set90& s) { s.w = {}; }

bool bset2subset(const set90& a, const set90& b) {
    for (size_t i = 1; i <= 3; ++i) {
        if ((a.w[i] & ~b.w[i]) != 0) return false;
    }
    return true;
}

}  // namespace zt

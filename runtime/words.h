// Words, word lists and bit sets.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/types.h"

namespace zt {

bool isblankbyte(char c);  // tab, space, 0xCA
void findnonblank(const std::string& text, int16_t& first, int16_t& last);
std::string trimblanks(const std::string& text);
str22 trunc22(const std::string& text);
str22 numtrunc22(const std::string& text);
std::string spaces(int16_t n);
bool sametrimmed(const std::string& a, const std::string& b);
bool findword(const std::string& word, const stringlist& list, int16_t count, int16_t& index);
void string2strings(const std::string& line, int16_t n, stringlist& words, int16_t& count);

void BSet(wordset& s, int16_t i);
bool BTst(wordset s, int16_t i);
wordset BAnd(wordset a, wordset b);
wordset BOr(wordset a, wordset b);
void BSet2(set90& s, int16_t e);
bool BTst2(const set90& s, int16_t e);
void BClear2(set90& s);
bool bset2subset(const set90& a, const set90& b);

}  // namespace zt

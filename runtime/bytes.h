// Single bytes of the Mac OS Roman set that the output uses. Never put UTF-8 symbols
// in string literals: these bytes are written as they are.
#pragma once

namespace zt {

constexpr char degreebyte = '\xA1';     // degree sign
constexpr char microbyte = '\xB5';      // micro
constexpr char bulletbyte = '\xA5';     // bullet
constexpr char plusminusbyte = '\xB1';  // plus-minus
constexpr char geqbyte = '\xB3';        // greater-or-equal
constexpr char incrementbyte = '\xC6';  // increment (the DQF keywords)
constexpr char nbspbyte = '\xCA';       // non-breaking space: a blank to the word splitter
constexpr char overflowbyte = '\xA4';   // closes a table row that grew too long
constexpr char ellipsisbyte = '\xC9';   // horizontal ellipsis
constexpr char backspacebyte = '\x08';

}  // namespace zt

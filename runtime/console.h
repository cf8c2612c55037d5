// The console: every console read goes through readconsoleline, every direct console
// write through writeconsole (channel output goes through putstr). Tests may replace
// the streams.
#pragma once

#include <iosfwd>
#include <string>

namespace zt {

// nullptr restores standard input or output.
void setconsolestreams(std::istream* in, std::ostream* out);

// One line from the console without its line end; false at end of input or on failure.
bool readconsoleline(std::string& line);

// Writes the text to the console as it stands (no line end added).
void writeconsole(const std::string& text);

void flushconsole();

}  // namespace zt

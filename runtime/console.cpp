#include "runtime/console.h"

#include <iostream>

namespace zt {

namespace {

std::istream* consolein = nullptr;
std::ostream* consoleout = nullptr;

std::istream& instream() { return consolein != nullptr ? *consolein : std::cin; }
std::ostream& outstream() { return consoleout != nullptr ? *consoleout : std::cout; }

}  // namespace

void setconsolestreams(std::istream* in, std::ostream* out) {
    consolein = in;
    consoleout = out;
}

bool readconsoleline(std::string& line) {
    // The prompt must be on the screen before the program waits.
    outstream().flush();
    line.clear();
    if (!std::getline(instream(), line)) {
        line.clear();
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

void writeconsole(const std::string& text) { outstream().write(text.data(), static_cast<std::streamsize>(text.size())); }

void flushconsole() { outstream().flush(); }

}  // namespace zt

#include "runtime/textfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <utility>

#include "runtime/types.h"

namespace zt {

namespace {

// Failures outside the program's own checks end it with the platform's message and
// no report block.
[[noreturn]] void platformfailure(const std::string& name, int err) {
    std::cerr << name << ": " << std::strerror(err != 0 ? err : EIO) << std::endl;
    throw RunEnded{platformfailurestatus};
}

void closequietly(textfile& f) {
    if (f.in.is_open()) f.in.close();
    if (f.out.is_open()) f.out.close();
    f.in.clear();
    f.out.clear();
    f.isopen = false;
    f.writing = false;
    f.held = false;
    f.heldtext.clear();
}

}  // namespace

bool openforreadingunnoted(textfile& f, const std::string& name) {
    closequietly(f);
    f.name = name;
    f.in.open(name, std::ios::in | std::ios::binary);
    if (!f.in.is_open()) {
        f.in.clear();
        return false;
    }
    f.isopen = true;
    f.writing = false;
    return true;
}

void openforwriting(textfile& f, const std::string& name) {
    closequietly(f);
    f.name = name;
    errno = 0;
    f.out.open(name, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!f.out.is_open()) platformfailure(name, errno);
    f.isopen = true;
    f.writing = true;
}

void holdforwriting(textfile& f, const std::string& name) {
    closequietly(f);
    f.name = name;
    f.isopen = true;
    f.writing = true;
    f.held = true;
}

void releasefile(textfile& f) {
    if (!f.held) return;
    const std::string text = std::move(f.heldtext);
    openforwriting(f, f.name);
    writefiletext(f, text);
}

bool readfileline(textfile& f, std::string& line) {
    line.clear();
    if (!f.isopen || f.writing) return false;
    if (!std::getline(f.in, line)) {
        line.clear();
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A last line without its line end leaves the end-of-file mark, which would make the
    // next look-ahead fail the stream: it reads as the same line with its end.
    if (f.in.eof()) f.in.clear();
    return true;
}

bool atendoffile(textfile& f) {
    if (!f.isopen || f.writing) return true;
    return f.in.peek() == std::char_traits<char>::eof();
}

void rewindfile(textfile& f) {
    if (!f.isopen || f.writing) return;
    f.in.clear();
    f.in.seekg(0);
}

void writefiletext(textfile& f, const std::string& text) {
    if (!f.isopen || !f.writing) return;
    if (f.held) {
        f.heldtext += text;
        return;
    }
    errno = 0;
    f.out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (f.out.fail()) platformfailure(f.name, errno);
}

void flushfile(textfile& f) {
    if (!f.isopen || !f.writing || f.held) return;
    errno = 0;
    f.out.flush();
    if (f.out.fail()) platformfailure(f.name, errno);
}

bool closetextfile(textfile& f) {
    if (f.held) {
        closequietly(f);
        return true;
    }
    bool ok = true;
    if (f.in.is_open()) {
        // A read that met the end of the file is no failure of the closing.
        f.in.clear();
        f.in.close();
        ok = !f.in.fail();
    }
    if (f.out.is_open()) {
        f.out.close();
        ok = ok && !f.out.fail();
    }
    f.in.clear();
    f.out.clear();
    f.isopen = false;
    f.writing = false;
    return ok;
}

bool erasefilenamed(const std::string& name) { return std::remove(name.c_str()) == 0; }

bool fileexists(const std::string& name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(name, ec);
}

bool samefile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return same && !ec;
}

}  // namespace zt

#include "runtime/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <utility>

#include "runtime/types.h"

namespace zt {

namespace {

// Text is handed to the file in pieces of about this size, and whenever it is flushed.
constexpr size_t writechunk = 1 << 16;

// Failures outside the program's own checks end it with the platform's message and
// no report block.
[[noreturn]] void platformfailure(const std::string& name, int err) {
    reportfilefailure(name, err);
    throw RunEnded{platformfailurestatus};
}

bool writeall(int fd, const std::string& text, int& err) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// The pending text handed to the file; false with f.error set when it could not be.
bool writepending(textfile& f) {
    if (f.pending.empty()) return true;
    int err = 0;
    const bool ok = writeall(f.fd, f.pending, err);
    f.pending.clear();
    if (!ok) f.error = err != 0 ? err : EIO;
    return ok;
}

void closequietly(textfile& f) {
    if (f.fd >= 0) ::close(f.fd);
    f.fd = -1;
    f.pending.clear();
    f.contents.clear();
    f.next = 0;
    f.isopen = false;
    f.writing = false;
    f.held = false;
    f.heldtext.clear();
}

int openflags(bool exclusive) {
    return O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (exclusive ? O_EXCL : 0);
}

// A file of this name alone, empty: a link or a name shared with other files is replaced,
// never written through (another name of the file may be an input of the run).
int createoutput(const std::string& name) {
    const char* const path = name.c_str();
    int fd = ::open(path, openflags(false), 0666);
    if (fd < 0 && errno == ELOOP) {
        if (::unlink(path) != 0) platformfailure(name, errno);
        fd = ::open(path, openflags(true), 0666);
    }
    if (fd < 0) platformfailure(name, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) platformfailure(name, errno);
    if (S_ISREG(st.st_mode) && st.st_nlink > 1) {
        ::close(fd);
        if (::unlink(path) != 0) platformfailure(name, errno);
        fd = ::open(path, openflags(true), 0666);
        if (fd < 0) platformfailure(name, errno);
    } else if (S_ISREG(st.st_mode) && st.st_size > 0 && ::ftruncate(fd, 0) != 0) {
        const int err = errno;
        ::close(fd);
        platformfailure(name, err);
    }
    return fd;
}

}  // namespace

void reportfilefailure(const std::string& name, int error) {
    std::cerr << name << ": " << std::strerror(error != 0 ? error : EIO) << std::endl;
}

bool openforreadingunnoted(textfile& f, const std::string& name) {
    closequietly(f);
    f.name = name;
    f.error = 0;
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = true;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        f.contents.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok) {
        f.contents.clear();
        return false;
    }
    f.isopen = true;
    f.writing = false;
    return true;
}

void openforwriting(textfile& f, const std::string& name) {
    closequietly(f);
    f.name = name;
    f.error = 0;
    f.fd = createoutput(name);
    f.isopen = true;
    f.writing = true;
}

void holdforwriting(textfile& f, const std::string& name) {
    closequietly(f);
    f.name = name;
    f.error = 0;
    f.isopen = true;
    f.writing = true;
    f.held = true;
}

void releasefile(textfile& f) {
    if (!f.held) return;
    std::string text = std::move(f.heldtext);
    openforwriting(f, f.name);
    // on the disk before the caller counts the file as created
    f.pending = std::move(text);
    flushfile(f);
}

bool readfileline(textfile& f, std::string& line) {
    line.clear();
    if (!f.isopen || f.writing || f.next >= f.contents.size()) return false;
    size_t end = f.contents.find('\n', f.next);
    if (end == std::string::npos) end = f.contents.size();
    line.assign(f.contents, f.next, end - f.next);
    // a last line without its line end reads as the same line with its end
    f.next = end < f.contents.size() ? end + 1 : end;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool atendoffile(textfile& f) {
    if (!f.isopen || f.writing) return true;
    return f.next >= f.contents.size();
}

void rewindfile(textfile& f) {
    if (!f.isopen || f.writing) return;
    f.next = 0;
}

void writefiletext(textfile& f, const std::string& text) {
    if (!f.isopen || !f.writing) return;
    if (f.held) {
        f.heldtext += text;
        return;
    }
    f.pending += text;
    if (f.pending.size() >= writechunk && !writepending(f)) platformfailure(f.name, f.error);
}

void flushfile(textfile& f) {
    if (!f.isopen || !f.writing || f.held) return;
    if (!writepending(f)) platformfailure(f.name, f.error);
}

bool closetextfile(textfile& f) {
    if (f.held || !f.writing || f.fd < 0) {
        closequietly(f);
        return true;
    }
    bool ok = writepending(f);
    if (::close(f.fd) != 0 && ok) {
        f.error = errno;
        ok = false;
    }
    f.fd = -1;
    closequietly(f);
    return ok;
}

bool erasefilenamed(const std::string& name) { return ::unlink(name.c_str()) == 0; }

bool fileexists(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool samefile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace zt

#include "support/testsupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/console.h"
#include "runtime/types.h"

namespace zt::testing {

consolecapture::consolecapture(const std::string& input) : in_(input) { setconsolestreams(&in_, &out_); }

consolecapture::~consolecapture() { setconsolestreams(nullptr, nullptr); }

int exitcodeof(const std::function<void()>& f) {
    try {
        f();
    } catch (const RunEnded& e) {
        return e.code;
    }
    return -1;
}

tempfolder::tempfolder() {
    previous_ = std::filesystem::current_path().string();
    std::string pattern = (std::filesystem::temp_directory_path() / "zeltram-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (made == nullptr) std::abort();
    path_ = made;
    std::filesystem::current_path(path_);
}

tempfolder::~tempfolder() {
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void tempfolder::writefile(const std::string& name, const std::string& content) const {
    std::ofstream f(path_ + "/" + name, std::ios::binary);
    f << content;
}

std::string tempfolder::readfile(const std::string& name) const { return filetext(path_ + "/" + name); }

std::string filetext(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool tempfolder::exists(const std::string& name) const { return std::filesystem::exists(path_ + "/" + name); }

std::vector<std::string> linesof(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

std::vector<std::string> wordsof(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

}  // namespace zt::testing

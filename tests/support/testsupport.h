// Helpers shared by the unit tests.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace zt::testing {

// Replaces the console by strings while it lives.
class consolecapture {
public:
    explicit consolecapture(const std::string& input = "");
    ~consolecapture();
    consolecapture(const consolecapture&) = delete;
    consolecapture& operator=(const consolecapture&) = delete;
    std::string output() const { return out_.str(); }
    void clearoutput() { out_.str(""); }

private:
    std::istringstream in_;
    std::ostringstream out_;
};

// The lines of a text, and the blank-separated words of a line.
std::vector<std::string> linesof(const std::string& text);
std::vector<std::string> wordsof(const std::string& line);

// The whole content of a file, as bytes; empty when it cannot be read.
std::string filetext(const std::string& path);

// Runs f; returns the exit code of the RunEnded it throws, or -1 when it returns normally.
int exitcodeof(const std::function<void()>& f);

// A fresh temporary folder, made the working folder while the object lives.
class tempfolder {
public:
    tempfolder();
    ~tempfolder();
    tempfolder(const tempfolder&) = delete;
    tempfolder& operator=(const tempfolder&) = delete;
    const std::string& path() const { return path_; }
    void writefile(const std::string& name, const std::string& content) const;
    std::string readfile(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::string path_;
    std::string previous_;
};

}  // namespace zt::testing
